#pragma once

#include "platform/working_window.h"

class QFrame;
class QLabel;

namespace fangji::app {

// frmSplash: product name, edition and version, and the clinic profile. It closes
// itself after nine seconds, on a key press or on a click, and then opens the login.
class SplashForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit SplashForm(platform::Session& session, QWidget* parent = nullptr);

    // Opens the window that follows the splash: the login, or password maintenance
    // while 密码表 has no user. Works after the splash has gone, so it needs only the session.
    static void seekPass(platform::Session& session);

    // The splash's closing (timer tick, key press, click); only the first one runs.
    void closeSplash();

    static constexpr int kTimerInterval = 9000;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    // The profile is missing: ask for it instead of the login.
    void askForProfile();

    QFrame* m_frame = nullptr;
    QLabel* m_productName = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_profile = nullptr;
    bool m_loaded = false;
    bool m_closing = false;
};

} // namespace fangji::app
