#include "splash_form.h"

namespace fangji::app {

SplashForm::SplashForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("禾枢药典之方剂"));
}

} // namespace fangji::app
