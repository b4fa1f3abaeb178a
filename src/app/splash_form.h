#pragma once

#include "platform/working_window.h"

namespace fangji::app {

// 禾枢药典之方剂 (`frmSplash`). Placeholder until the window is built.
class SplashForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit SplashForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::app
