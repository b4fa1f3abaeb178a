#pragma once

#include "platform/working_window.h"

namespace fangji::admin {

// 系统密码维护 (`Frmmmwh`). Placeholder until the window is built.
class PasswordForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit PasswordForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::admin
