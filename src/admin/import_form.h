#pragma once

#include "platform/working_window.h"

namespace fangji::admin {

// 导入数据库 (`FrmLinkDb`). Placeholder until the window is built.
class ImportForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit ImportForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::admin
