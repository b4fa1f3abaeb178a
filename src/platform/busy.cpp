#include "busy.h"

#include <QApplication>
#include <QCursor>

#include <malloc.h>

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

void keepOneHeap() {
    mallopt(M_ARENA_MAX, 1);
}

} // namespace fangji::platform
