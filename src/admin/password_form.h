#pragma once

#include "platform/working_window.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace fangji::admin {

// 系统密码维护 (`Frmmmwh`): sets the one user name and password of 密码表.
class PasswordForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit PasswordForm(platform::Session& session, QWidget* parent = nullptr);

    // Empties the three inputs and reads the name list again.
    void Qpcls();
    // The outcome of the input check (the window's description keeps it as srjybl:
    // 1 refused, 0 passed).
    enum class InputCheck { Refused, Passed };
    // The input check; true when the input may be saved.
    bool SrqkJy();
    InputCheck inputCheck() const { return m_inputCheck; }

    void CmdSave_Click();
    void Cmdqcls_Click();
    void Cmdexit_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Data1: the combo's list, read from 密码表.
    void refreshNames();
    void enterPressed(QObject* field);

    QComboBox* m_name = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirmation = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_help = nullptr;
    InputCheck m_inputCheck = InputCheck::Refused;
    bool m_placed = false;
};

} // namespace fangji::admin
