#include "entry_form.h"

namespace fangji::entry {

EntryForm::EntryForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmfjdl"));
    setWindowTitle(QStringLiteral("方剂登录"));
}

} // namespace fangji::entry
