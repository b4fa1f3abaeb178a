#pragma once

#include "platform/session.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QMdiArea;
class QMenu;

namespace fangji::app {

// MDIFlunz: the main window. Always maximized, refuses every close, holds the
// menu tree, the menu-lock protocol and the session's UserLevel.
class MainWindow : public QMainWindow, public platform::Session {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // Session
    void LockMainMenus() override;
    void UnlockMainMenus() override;
    QString UserLevel() const override { return m_userLevel; }
    void setUserLevel(const QString& level) override { m_userLevel = level; }
    QWidget* mainWindow() const override { return const_cast<MainWindow*>(this); }
    void showWindow(QWidget* window) override;
    void setBackgroundPicture(const QImage& picture) override;
    void endProgram() override;

    // How the program ends (tests replace it); by default the event loop quits.
    void setEndHandler(std::function<void()> handler) { m_endHandler = std::move(handler); }
    bool endRequested() const { return m_ending; }

    // The top menu or menu item with the given control name.
    QAction* menuAction(const QString& name) const;
    QMdiArea* documentArea() const { return m_mdi; }
    const QImage& backgroundPicture() const { return m_background; }

    // Load: puts the stored background picture on the window.
    void loadBackground();

    // Menu commands.
    void openEntry();      // ZysjDl1
    void openQuery();      // zycxll1
    void openPassword();   // xtwh1
    void openBackup();     // cc
    void openProfile();    // YhzlDL
    void openImport();     // DateSj
    void openBackground(); // Xpict
    void openAbout();      // xtxx
    void openWebsite();    // linkie
    void exitCommand();    // zyexit

    // Shows a working window after the menu protocol: messages, busy pointer, lock.
    // Busy pointer, menus locked, then the window is made (its load runs) and shown.
    void openWorkingWindow(const std::function<QWidget*()>& make);
    // The open window with this objectName, if any.
    QWidget* findWindow(const QString& objectName) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, void (MainWindow::*slot)());

    QMdiArea* m_mdi = nullptr;
    QString m_userLevel;
    QImage m_background;
    bool m_ending = false;
    std::function<void()> m_endHandler;
};

// Opens the product web address; shows the failure's description.
void openWebAddress(QWidget* parent);

} // namespace fangji::app
