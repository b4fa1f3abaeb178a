#include "password_form.h"

namespace fangji::admin {

PasswordForm::PasswordForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmmmwh"));
    setWindowTitle(QStringLiteral("系统密码维护"));
}

} // namespace fangji::admin
