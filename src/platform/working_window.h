#pragma once

#include <QWidget>

#include <functional>

class QAbstractButton;
class QPushButton;
class QKeySequence;

namespace fangji::platform {

class Session;

// Base of the windows opened from the main menus. unload() closes the window
// (and its frame in the main window's document area).
class WorkingWindow : public QWidget {
    Q_OBJECT
public:
    explicit WorkingWindow(Session& session, QWidget* parent = nullptr);

    Session& session() const { return m_session; }

    // Closes the window for good, as the window's own exit commands do. The window
    // is hidden at once and stays alive until releaseUnloaded(), so the handler
    // that unloaded it may go on using it.
    void unload();
    // Destroys the windows unloaded so far; called when a menu command opens a window.
    static void releaseUnloaded();
    bool isUnloading() const { return m_unloading; }

    // Left edge and top edge, in pixels, that put the window at the given
    // fractions of the main window's free space; without a main window, the screen's.
    QPoint placement(double horizontalDivisor, double verticalDivisor) const;
    QSize mainWindowSize() const;
    // Moves the window; inside the main window's document area the frame moves.
    void placeAt(const QPoint& topLeft);

    // Lets the window be resized and maximized in the main window, least at its given size
    // (which it opens at when it kept none). The size it is left at, and whether it was
    // maximized, are kept under key (kept_size.h) and restored when it opens next.
    void keepSize(int key, const QSize& least);
    bool isResizable() const { return m_sizeKey != 0; }
    // Maximized, in the main window's document area or as a window of its own.
    bool isShownMaximized() const;
    // The size the window has when it is not maximized.
    QSize normalSize() const { return m_normalSize; }

    // Esc presses this button while it is shown and enabled: Esc leaves the window as the
    // button does.
    void setExitButton(QAbstractButton* button);
    // Closes the window as its frame's close box does.
    void closeByFrame();
    // A key that runs action while the focus is in the window.
    void addShortcut(const QKeySequence& key, const std::function<void()>& action);

signals:
    void unloaded();

protected:
    // Enter on a focused button presses it, as everywhere in the system's windows.
    void keyPressEvent(QKeyEvent* event) override;
    // A window that keeps its size keeps it here, whichever way it is closed.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The window's frame in the main window's document area, or the window itself.
    QWidget* frameOrSelf() const;

    Session& m_session;
    bool m_unloading = false;
    int m_sizeKey = 0;
    QSize m_normalSize;
    bool m_restoreMaximized = false;
};

// The one way windows make a push button: named, captioned, and pressed by Enter when it has
// the focus (the working window clicks the focused button; no button is a dialog default).
QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption);

} // namespace fangji::platform
