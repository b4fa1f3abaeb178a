#include "profile_form.h"

namespace fangji::admin {

ProfileForm::ProfileForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmYhzl"));
    setWindowTitle(QStringLiteral("用户资料登录"));
}

} // namespace fangji::admin
