#include "busy.h"

#include <QApplication>
#include <QCursor>

namespace fangji::platform {

void setBusyPointer() {
    if (QApplication::overrideCursor() == nullptr) {
        QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    }
}

void setArrowPointer() {
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

bool isBusyPointer() {
    return QApplication::overrideCursor() != nullptr;
}

void doEvents() {
    QCoreApplication::processEvents();
}

} // namespace fangji::platform
