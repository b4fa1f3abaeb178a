#include "result.h"

namespace fangji::store {

QString errorReport(const DbError& error, ReportLines lines) {
    return QStringLiteral("错误号码：") + QString::number(error.number) +
           (lines == ReportLines::Two ? QStringLiteral("\r\n") : QString()) + QStringLiteral("错误内容：") +
           error.description;
}

} // namespace fangji::store
