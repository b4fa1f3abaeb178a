#pragma once

#include "platform/working_window.h"

namespace fangji::admin {

// 更换系统背景画面 (`FrmJczl`). Placeholder until the window is built.
class BackgroundForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit BackgroundForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::admin
