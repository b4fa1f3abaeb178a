#include "working_window.h"

#include "kept_size.h"
#include "paths.h"
#include "product.h"
#include "session.h"

#include "store/schema.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

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

QWidget* WorkingWindow::frameOrSelf() const {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        return frame;
    }
    return const_cast<WorkingWindow*>(this);
}

bool WorkingWindow::isShownMaximized() const {
    return frameOrSelf()->isMaximized();
}

void WorkingWindow::keepSize(int key, const QSize& least) {
    m_sizeKey = key;
    setMinimumSize(least);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize size = least;
    // Nothing kept, or the file unreadable: the window opens at its least size.
    if (auto db = store::Database::open(databasePath(), store::kMainConnect)) {
        if (const auto kept = readKeptSize(*db, key)) {
            size = QSize(twipsToPixels(kept->widthTwips), twipsToPixels(kept->heightTwips)).expandedTo(least);
            m_restoreMaximized = kept->maximized;
        }
    }
    resize(size);
    m_normalSize = size;
}

void WorkingWindow::closeByFrame() {
    frameOrSelf()->close();
}

void WorkingWindow::addShortcut(const QKeySequence& key, const std::function<void()>& action) {
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
}

void WorkingWindow::setExitButton(QAbstractButton* button) {
    addShortcut(QKeySequence(Qt::Key_Escape), [button] {
        if (button->isVisible() && button->isEnabled()) {
            button->click();
        }
    });
}

void WorkingWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_restoreMaximized) {
        m_restoreMaximized = false;
        // Once shown and placed at its normal size, which it goes back to when restored.
        QTimer::singleShot(0, this, [this] { frameOrSelf()->showMaximized(); });
    }
}

void WorkingWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible() && !isShownMaximized()) {
        m_normalSize = size();
    }
}

void WorkingWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (m_sizeKey == 0 || !m_normalSize.isValid()) {
        return;
    }
    // The size is a convenience: a file that cannot be written keeps the last one.
    if (auto db = store::Database::open(databasePath(), store::kMainConnect)) {
        const KeptSize kept{pixelsToTwips(m_normalSize.width()), pixelsToTwips(m_normalSize.height()),
                            isShownMaximized()};
        (void)writeKeptSize(*db, m_sizeKey, kept);
    }
}

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace fangji::platform
