#include "backup_form.h"

namespace fangji::admin {

BackupForm::BackupForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmcopy"));
    setWindowTitle(QStringLiteral("数据备份及数据恢复"));
}

} // namespace fangji::admin
