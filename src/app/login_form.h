#pragma once

#include "platform/working_window.h"

namespace fangji::app {

// 系统用户登录 (`frmLogin`). Placeholder until the window is built.
class LoginForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit LoginForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::app
