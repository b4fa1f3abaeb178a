#pragma once

#include <QString>

#include <memory>

namespace fangji::platform {
class SingleInstance;
}

namespace fangji::app {

class MainWindow;

// The start-up sequence: single instance, data folder and file, main window with
// locked menus, the first-use checks, then the splash on the normal path.
class Startup {
public:
    enum class Outcome { Running, Ended };

    Startup();
    ~Startup();

    Outcome run(const platform::SingleInstance& instance);
    // The main window, once shown (owned by the start-up object).
    MainWindow* mainWindow() const { return m_main.get(); }
    int exitCode() const { return m_exitCode; }

private:
    Outcome fatal(const QString& text);
    std::unique_ptr<MainWindow> m_main;
    int m_exitCode = 0;
};

} // namespace fangji::app
