#pragma once

#include <QWidget>

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

signals:
    void unloaded();

protected:
    // Enter on a focused button presses it, as everywhere in the system's windows.
    void keyPressEvent(QKeyEvent* event) override;

private:
    Session& m_session;
    bool m_unloading = false;
};

} // namespace fangji::platform
