#include "query_form.h"

namespace fangji::query {

QueryForm::QueryForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmFjfd"));
    setWindowTitle(QStringLiteral("方剂查询浏览"));
}

} // namespace fangji::query
