#include "working_window.h"

#include "session.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>

namespace fangji::platform {

WorkingWindow::WorkingWindow(Session& session, QWidget* parent) : QWidget(parent), m_session(session) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void WorkingWindow::unload() {
    m_unloading = true;
    emit unloaded();
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->close();
    } else {
        close();
    }
}

QSize WorkingWindow::mainWindowSize() const {
    if (QWidget* main = m_session.mainWindow()) {
        return main->size();
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        return screen->availableGeometry().size();
    }
    return {1024, 768};
}

QPoint WorkingWindow::placement(double horizontalDivisor, double verticalDivisor) const {
    const QSize main = mainWindowSize();
    const QSize own = (parentWidget() && qobject_cast<QMdiSubWindow*>(parentWidget())) ? parentWidget()->size() : size();
    return {static_cast<int>((main.width() - own.width()) / horizontalDivisor),
            static_cast<int>((main.height() - own.height()) / verticalDivisor)};
}

void WorkingWindow::placeAt(const QPoint& topLeft) {
    const QPoint p(qMax(0, topLeft.x()), qMax(0, topLeft.y()));
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->move(p);
    } else {
        move(p);
    }
}

} // namespace fangji::platform
