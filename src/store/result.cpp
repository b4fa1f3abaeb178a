#include "result.h"

namespace fangji::store {

QString errorReport(const DbError& error, bool lineBreak) {
    return QStringLiteral("错误号码：") + QString::number(error.number) +
           (lineBreak ? QStringLiteral("\r\n") : QString()) + QStringLiteral("错误内容：") + error.description;
}

} // namespace fangji::store
