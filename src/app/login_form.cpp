#include "login_form.h"

namespace fangji::app {

LoginForm::LoginForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("系统用户登录"));
}

} // namespace fangji::app
