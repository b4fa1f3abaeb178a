#pragma once

#include "platform/working_window.h"

namespace fangji::admin {

// 数据备份及数据恢复 (`Frmcopy`). Placeholder until the window is built.
class BackupForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit BackupForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::admin
