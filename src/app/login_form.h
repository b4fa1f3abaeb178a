#pragma once

#include "platform/working_window.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace fangji::app {

// frmLogin (系统用户登录): admits the user of 密码表 after the splash. Three wrong
// passwords are answered with a retry message; the fourth attempt refuses the user
// and ends the program.
class LoginForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit LoginForm(platform::Session& session, QWidget* parent = nullptr);

    // Fills Cboyhmc with every 姓名 of 密码表.
    void seekusename();
    // Whether the typed pair matched a row of 密码表 (the window's description keeps it as
    // passjy: 0 matched, 1 not).
    enum class PasswordCheck { NoMatch, Matched };
    // Checks the typed pair and sets passwordCheck(). False when the store failed.
    bool seekpassword();

    void cmdOK_Click();
    void cmdCancel_Click();

    PasswordCheck passwordCheck() const { return m_passwordCheck; }
    int loginAttempts() const { return m_loginAttempts; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A store failure the dialog cannot get past: the description is shown and the program ends.
    void fail(const QString& description);

    QComboBox* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    PasswordCheck m_passwordCheck = PasswordCheck::NoMatch;
    int m_loginAttempts = 0;
    bool m_placed = false;
    bool m_done = false;
};

} // namespace fangji::app
