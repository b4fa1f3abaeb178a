#include "import_form.h"

namespace fangji::admin {

ImportForm::ImportForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmLinkDb"));
    setWindowTitle(QStringLiteral("导入数据库"));
}

} // namespace fangji::admin
