#pragma once

#include "platform/working_window.h"

#include <array>

class QLineEdit;
class QPushButton;

namespace fangji::admin {

// 用户资料登录 (`FrmYhzl`): the clinic's name, address, telephone and the user's name,
// the one row of 用户资料.
class ProfileForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit ProfileForm(platform::Session& session, QWidget* parent = nullptr);

    // Empties the four fields and fills them from the stored profile.
    void Qpcls();
    void CmdSave_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void enterPressed(int field);
    void selectShort(int field);

    // TxtMzmc, TxtMzdz, TxtTele, TxtYhxm in this order.
    std::array<QLineEdit*, 4> m_fields{};
    QPushButton* m_save = nullptr;
    bool m_placed = false;
};

} // namespace fangji::admin
