#include "startup.h"

#include "main_window.h"
#include "splash_form.h"

#include "admin/password_form.h"
#include "admin/profile_form.h"
#include "platform/busy.h"
#include "platform/data_file.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/single_instance.h"
#include "store/database.h"
#include "store/name_order.h"
#include "store/schema.h"

#include <QGuiApplication>
#include <QScreen>

namespace fangji::app {

namespace {
// File-system failures are reported with the numbers the system has always used for them.
constexpr int kPathAccessError = 75;
} // namespace

Startup::Startup() = default;
Startup::~Startup() = default;

Startup::Outcome Startup::fatal(const QString& text) {
    platform::message(m_main.get(), text, platform::Icon::None);
    platform::setArrowPointer();
    m_exitCode = 1;
    if (m_main) {
        m_main->endProgram();
    }
    return Outcome::Ended;
}

Startup::Outcome Startup::run(const platform::SingleInstance& instance) {
    // A second copy of the program says so and ends; only one runs on a data folder.
    if (!instance.acquired()) {
        if (!instance.heldByAnother()) {
            // No other copy runs: the lock cannot be made where the data lives.
            return fatal(store::errorReport({kPathAccessError, QStringLiteral("Path/File access error")},
                                            store::ReportLines::Two));
        }
        platform::message(nullptr, QStringLiteral("程序已经开始运行"), platform::Icon::Information);
        m_exitCode = 0;
        return Outcome::Ended;
    }
    // The busy pointer stays until the first window is up.
    platform::setBusyPointer();

    // The data folder, made when missing.
    if (platform::ensureDataFolder() != platform::DataFileStatus::Present) {
        return fatal(
            store::errorReport({kPathAccessError, QStringLiteral("Path/File access error")}, store::ReportLines::Two));
    }
    platform::doEvents();

    // The data file, copied from the template shipped beside the program when missing.
    switch (platform::ensureDataFile()) {
    case platform::DataFileStatus::Present:
        break;
    case platform::DataFileStatus::Copied:
        platform::doEvents();
        break;
    case platform::DataFileStatus::TemplateMissing:
        platform::message(nullptr, QStringLiteral("系统数据丢失，请将原系统卸载，重新安装。"),
                          platform::Icon::Question);
        platform::setArrowPointer();
        m_exitCode = 1;
        return Outcome::Ended;
    case platform::DataFileStatus::FolderError:
    case platform::DataFileStatus::CopyError:
        return fatal(
            store::errorReport({kPathAccessError, QStringLiteral("Path/File access error")}, store::ReportLines::Two));
    }

    // The main window, which puts the stored background picture on itself as it loads.
    platform::doEvents();
    platform::doEvents();
    m_main = std::make_unique<MainWindow>();
    // Maximized; without a window manager to maximize it, it still covers the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m_main->setGeometry(screen->availableGeometry());
    }
    m_main->showMaximized();
    m_main->loadBackground();

    // Nothing may be chosen from the menus until someone has logged in.
    m_main->LockMainMenus();
    m_main->setUserLevel(QStringLiteral("000"));

    // The database opens with its key; stored queries of an earlier run are dropped.
    auto db = platform::openMainDatabase();
    if (!db) {
        return fatal(store::errorReport(db.error(), store::ReportLines::Two));
    }
    platform::doEvents();
    // Names an earlier build let in twice are kept; the user is told which they are.
    if (auto groups = store::equalNameGroups(*db); groups && !groups->isEmpty()) {
        platform::setArrowPointer();
        platform::message(m_main.get(), store::equalNamesMessage(*groups) + store::kEqualNamesAdvice,
                          platform::Icon::Exclamation);
    }
    if (store::Status s = db->deleteAllQueryDefs(); !s) {
        return fatal(store::errorReport(s.error(), store::ReportLines::Two));
    }

    // No user yet: the first start asks for the start-up password before anything else.
    if (store::Status s = db->createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 密码表")); !s) {
        return fatal(store::errorReport(s.error(), store::ReportLines::Two));
    }
    auto users = db->openRecordSet(QStringLiteral("000"));
    if (!users) {
        return fatal(store::errorReport(users.error(), store::ReportLines::Two));
    }
    if (users->isEmptyTable()) {
        db->close();
        platform::message(m_main.get(), QStringLiteral("初次使用系统　请先登录系统启动密码内容"),
                          platform::Icon::Exclamation);
        m_main->showWindow(new admin::PasswordForm(*m_main));
        return Outcome::Running;
    }

    // No clinic profile yet: the first start asks for it next.
    if (store::Status s = db->createQueryDef(QStringLiteral("001"), QStringLiteral("SELECT * FROM 用户资料")); !s) {
        return fatal(store::errorReport(s.error(), store::ReportLines::Two));
    }
    auto profile = db->openRecordSet(QStringLiteral("001"));
    if (!profile) {
        return fatal(store::errorReport(profile.error(), store::ReportLines::Two));
    }
    platform::doEvents();
    if (profile->isEmptyTable()) {
        db->close();
        platform::message(m_main.get(), QStringLiteral("初次使用系统　请先登录用户资料内容"),
                          platform::Icon::Exclamation);
        m_main->showWindow(new admin::ProfileForm(*m_main));
        return Outcome::Running;
    }

    // Every other start: the splash, which leads to the login.
    db->close();
    m_main->setUserLevel(QStringLiteral(" "));
    platform::doEvents();
    m_main->showWindow(new SplashForm(*m_main));
    platform::setArrowPointer();
    return Outcome::Running;
}

} // namespace fangji::app
