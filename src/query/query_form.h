#pragma once

#include "platform/working_window.h"

namespace fangji::query {

// 方剂查询浏览 (`FrmFjfd`). Placeholder until the window is built.
class QueryForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit QueryForm(platform::Session& session, QWidget* parent = nullptr);
};

} // namespace fangji::query
