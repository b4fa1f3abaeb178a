#pragma once

#include "platform/working_window.h"

namespace fangji::entry {

// 方剂登录 (`Frmfjdl`). Placeholder until the window is built.
class EntryForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit EntryForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::entry
