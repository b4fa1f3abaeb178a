#pragma once

#include <QString>

class QImage;
class QWidget;

namespace fangji::platform {

// What working windows need of the main window and the session, so that they
// never depend on the main window itself.
class Session {
public:
    virtual ~Session() = default;

    // Disables the five top menus.
    virtual void LockMainMenus() = 0;
    // Enables the top menus according to UserLevel: "000" only exit and maintenance.
    virtual void UnlockMainMenus() = 0;

    virtual QString UserLevel() const = 0;
    virtual void setUserLevel(const QString& level) = 0;

    // The main window (for placement and as parent); may be null in tests.
    virtual QWidget* mainWindow() const = 0;
    // Shows a window modeless over the main window (in its document area).
    virtual void showWindow(QWidget* window) = 0;
    // Puts a picture on the main window as its background (a null image clears it).
    virtual void setBackgroundPicture(const QImage& picture) = 0;
    // Ends the program.
    virtual void endProgram() = 0;
};

} // namespace fangji::platform
