#pragma once

#include "platform/working_window.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace fangji::admin {

// 导入数据库 (`FrmLinkDb`): appends the prescriptions of another database file
// (table zyfj) to 中医方剂.
class ImportForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit ImportForm(platform::Session& session, QWidget* parent = nullptr);

    // Empties the path and the last import's result; normal pointer.
    void Qpcls();

    void CmdFileName_Click();
    void CmdLook_Click();
    void Cmdqcls_Click();
    void CmdQuit_Click();
    void IeMail_Click();

    // Whether an import is under way.
    bool isImporting() const { return m_importing; }

    // The result line after an import: how many were added and how many were there already.
    static QString resultText(int added, int present);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setButtonsEnabled(bool enabled);

    QPushButton* m_chooseFile = nullptr;
    QLineEdit* m_file = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_exit = nullptr;
    QLabel* m_result = nullptr;
    QMenu* m_importMenu = nullptr;
    bool m_importing = false;
    bool m_placed = false;
};

} // namespace fangji::admin
