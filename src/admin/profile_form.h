#pragma once

#include "platform/working_window.h"

namespace fangji::admin {

// 用户资料登录 (`FrmYhzl`). Placeholder until the window is built.
class ProfileForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit ProfileForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::admin
