#include "working_window.h"

#include "session.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>

#include <utility>

namespace fangji::platform {

WorkingWindow::WorkingWindow(Session& session, QWidget* parent) : QWidget(parent), m_session(session) {
    setAttribute(Qt::WA_DeleteOnClose);
}

namespace {
// Windows unloaded but not yet destroyed. A window's own handler usually goes on
// after unload() (letting messages run, unlocking the menus), so the window must
// outlive that handler: it is destroyed when the next command opens a window.
QList<QPointer<QWidget>>& unloadedWindows() {
    static QList<QPointer<QWidget>> list;
    return list;
}
} // namespace

void WorkingWindow::unload() {
    if (m_unloading) {
        return;
    }
    m_unloading = true;
    emit unloaded();
    QWidget* target = this;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        target = frame;
    }
    target->setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    target->close();
    target->hide();
    unloadedWindows().append(QPointer<QWidget>(target));
}

void WorkingWindow::releaseUnloaded() {
    const auto windows = std::exchange(unloadedWindows(), {});
    for (const QPointer<QWidget>& w : windows) {
        delete w.data();
    }
}

void WorkingWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QAbstractButton*>(focusWidget());
    if (enter && button != nullptr && button->isEnabled() && button->isVisible()) {
        event->accept();
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
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
    const QSize own =
        (parentWidget() && qobject_cast<QMdiSubWindow*>(parentWidget())) ? parentWidget()->size() : size();
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
