#include "background_form.h"

namespace fangji::admin {

BackgroundForm::BackgroundForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmJczl"));
    setWindowTitle(QStringLiteral("更换系统背景画面"));
}

} // namespace fangji::admin
