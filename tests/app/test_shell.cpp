// Start-up branches, the main window's menus and lock protocol, exit, close, About box.
#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include "menu_state.h"

#include "app/about_form.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/busy.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/single_instance.h"
#include "store/name_order.h"
#include "store/schema.h"
#include "store/template.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing::child;
using testing::enabledTopMenus;
using testing::kTopMenus;
using testing::RecordingDesktop;
using testing::ScriptedPrompts;
using testing::TestDataDir;

namespace {

QStringList openWindows(const app::MainWindow& w) {
    QStringList out;
    for (QMdiSubWindow* frame : w.documentArea()->subWindowList()) {
        if (frame->isVisible() && frame->widget()) {
            out << frame->widget()->objectName();
        }
    }
    return out;
}

// A start-up run with its own lock file and an end handler that only records.
struct StartRun {
    QTemporaryDir lockDir;
    std::unique_ptr<platform::SingleInstance> instance;
    app::Startup startup;
    app::Startup::Outcome outcome{};

    StartRun() : instance(std::make_unique<platform::SingleInstance>(lockDir.filePath("lock"))) {}
    app::Startup::Outcome run() {
        outcome = startup.run(*instance);
        if (startup.mainWindow()) {
            startup.mainWindow()->setEndHandler([] {});
        }
        return outcome;
    }
    app::MainWindow& main() { return *startup.mainWindow(); }
};

void fillTable(const TestDataDir& dir, const QString& sql) {
    store::Database db = dir.open();
    QVERIFY(testing::exec(db, sql));
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void workingWindow_frame_maximizeWhereResizable_data();
    void workingWindow_frame_maximizeWhereResizable();

    void startup_secondInstance_refusedAndNothingTouched();
    void startup_lockCannotBeMade_isAnErrorNotASecondInstance();
    void startup_folderMissing_createsFolderAndCopiesTemplate();
    void startup_fileMissing_onlyCopies();
    void startup_templateMissing_endsWithMessage();
    void startup_firstUseBranches_data();
    void startup_firstUseBranches();
    void startup_normalPath_showsSplashWithMenusLocked();
    void startup_leavesOnlyItsScratchQueries();
    void startup_wrongKey_endsWithErrorReport();
    void startup_equalNamesOfEarlierBuild_reportedAndKept();

    void unlock_byUserLevel_data();
    void unlock_byUserLevel();
    void lock_disablesAllFive();
    void menuTree_captionsAndHiddenEntries();
    void exit_answeredNo_changesNothing();
    void exit_answeredYes_endsProgram();
    void closeBox_isRefused();
    void minimize_staysMaximized();
    void workingWindow_locksMenus_untilItCloses();
    void about_showsVersionAndCaption_okUnlocks();
    void about_link_hoverAndClickOpenWebAddress();
    void webMenu_failureShowsDescription();
    void desktop_documentWithoutProgram_isAnError();
    void workingWindow_enterOnFocusedButtonPressesIt_data();
    void workingWindow_enterOnFocusedButtonPressesIt();
    void commandLine_read_data();
    void commandLine_read();
    void program_versionAndHelpWithoutDisplay_data();
    void program_versionAndHelpWithoutDisplay();
    void workingWindow_closedByItsFrame_leavesAsItsExit_data();
    void workingWindow_closedByItsFrame_leavesAsItsExit();
    void workingWindow_accessKeysPressItsButtons_data();
    void workingWindow_accessKeysPressItsButtons();
    void workingWindow_busyUntilShown_arrowAfterwards_data();
    void workingWindow_busyUntilShown_arrowAfterwards();
};

void TestShell::cleanup() {
    platform::setProgramDir(QString());
    for (QWidget* w : QApplication::topLevelWidgets()) {
        w->hide();
    }
}

void TestShell::startup_secondInstance_refusedAndNothingTouched() {
    TestDataDir dir(false);
    QTemporaryDir lockDir;
    platform::SingleInstance first(lockDir.filePath("lock"));
    QVERIFY(first.acquired());
    platform::SingleInstance second(lockDir.filePath("lock"));
    QVERIFY(!second.acquired());
    QVERIFY(second.heldByAnother());

    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("程序已经开始运行"), Icon::Information);
    app::Startup startup;
    QCOMPARE(startup.run(second), app::Startup::Outcome::Ended);
    QVERIFY(startup.mainWindow() == nullptr);
    QVERIFY(!QFileInfo::exists(dir.dataDir()));
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_lockCannotBeMade_isAnErrorNotASecondInstance() {
    TestDataDir data(false);
    // The place of the data is taken by a regular file: no lock, no folder can be made there.
    QFile blocker(data.root() + QStringLiteral("/blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::SingleInstance instance(blocker.fileName() + QStringLiteral("/qxdata.lock"));
    QVERIFY(!instance.acquired());
    QVERIFY(!instance.heldByAnother());
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("错误号码：75\r\n错误内容：Path/File access error"), Icon::None);
    app::Startup startup;
    QCOMPARE(startup.run(instance), app::Startup::Outcome::Ended);
    QCOMPARE(startup.exitCode(), 1);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_folderMissing_createsFolderAndCopiesTemplate() {
    TestDataDir dir(false);
    QVERIFY(!QFileInfo::exists(dir.dataDir()));
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("初次使用系统　请先登录系统启动密码内容"), Icon::Exclamation);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    QVERIFY(QFileInfo(dir.dataDir()).isDir());
    QVERIFY(QFileInfo::exists(dir.databasePath()));
    QVERIFY(dir.open().isOpen());
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_fileMissing_onlyCopies() {
    TestDataDir dir(false);
    QVERIFY(QDir().mkpath(dir.dataDir()));
    QFile other(dir.dataDir() + QStringLiteral("keep.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("x");
    other.close();
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("初次使用系统　请先登录系统启动密码内容"), Icon::Exclamation);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    QVERIFY(QFileInfo::exists(dir.databasePath()));
    QVERIFY(QFileInfo::exists(dir.dataDir() + QStringLiteral("keep.txt")));
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_templateMissing_endsWithMessage() {
    TestDataDir dir(false);
    QTemporaryDir emptyProgramDir;
    platform::setProgramDir(emptyProgramDir.path());
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("系统数据丢失，请将原系统卸载，重新安装。"), Icon::Question);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Ended);
    QVERIFY(run.startup.mainWindow() == nullptr);
    QVERIFY(!QFileInfo::exists(dir.databasePath()));
    QVERIFY(run.startup.exitCode() != 0);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_firstUseBranches_data() {
    QTest::addColumn<QString>("passwords");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("window");
    const QString pwMsg = QStringLiteral("初次使用系统　请先登录系统启动密码内容");
    const QString profMsg = QStringLiteral("初次使用系统　请先登录用户资料内容");
    const QString user = QStringLiteral("INSERT INTO 密码表 VALUES('张医生','x','1')");
    const QString prof = QStringLiteral("INSERT INTO 用户资料 VALUES('仁和诊所','北京路1号','1234567','张医生')");
    QTest::newRow("both empty: password first") << QString() << QString() << pwMsg << "Frmmmwh";
    QTest::newRow("no password, profile set") << QString() << prof << pwMsg << "Frmmmwh";
    QTest::newRow("null user name counts as empty")
        << QStringLiteral("INSERT INTO 密码表 VALUES(NULL,'x','1')") << prof << pwMsg << "Frmmmwh";
    QTest::newRow("password set, profile empty") << user << QString() << profMsg << "FrmYhzl";
    QTest::newRow("null clinic name counts as empty")
        << user << QStringLiteral("INSERT INTO 用户资料 VALUES(NULL,'a','b','c')") << profMsg << "FrmYhzl";
}

void TestShell::startup_firstUseBranches() {
    QFETCH(QString, passwords);
    QFETCH(QString, profile);
    QFETCH(QString, message);
    QFETCH(QString, window);
    TestDataDir dir;
    if (!passwords.isEmpty()) {
        fillTable(dir, passwords);
    }
    if (!profile.isEmpty()) {
        fillTable(dir, profile);
    }
    ScriptedPrompts prompts;
    prompts.expectMessage(message, Icon::Exclamation);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    QCOMPARE(run.main().UserLevel(), QStringLiteral("000"));
    QVERIFY(enabledTopMenus(run.main()).isEmpty());
    QVERIFY(run.main().isVisible());
    QCOMPARE(openWindows(run.main()), QStringList{window});
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_normalPath_showsSplashWithMenusLocked() {
    TestDataDir dir;
    fillTable(dir, QStringLiteral("INSERT INTO 密码表 VALUES('张医生','x','1')"));
    fillTable(dir, QStringLiteral("INSERT INTO 用户资料 VALUES('仁和诊所','北京路1号','1234567','张医生')"));
    testing::FakeClock clock; // keeps the splash's timer from firing
    ScriptedPrompts prompts;
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    QCOMPARE(run.main().UserLevel(), QStringLiteral(" "));
    QVERIFY(enabledTopMenus(run.main()).isEmpty());
    QVERIFY(run.main().windowState() & Qt::WindowMaximized);
    QCOMPARE(run.main().windowTitle(), QStringLiteral("欢迎使用禾枢药典之中医方剂(标准版)"));
    const bool splashShown =
        openWindows(run.main()).contains(QStringLiteral("frmSplash")) ||
        std::any_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                    [](QWidget* w) { return w->objectName() == "frmSplash" && w->isVisible(); });
    QVERIFY(splashShown);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_leavesOnlyItsScratchQueries() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 密码表 VALUES('张医生','x','1')")));
        QVERIFY(db.createQueryDef(QStringLiteral("我的查询"), QStringLiteral("SELECT * FROM 中医方剂")).ok());
    }
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("初次使用系统　请先登录用户资料内容"), Icon::Exclamation);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    store::Database db = dir.open();
    // The profile window loads through its own scratch query after start-up's "000" and "001".
    QCOMPARE(*db.queryDefNames(), QStringList{QStringLiteral("000")});
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_wrongKey_endsWithErrorReport() {
    TestDataDir dir(false);
    QVERIFY(QDir().mkpath(dir.dataDir()));
    QVERIFY(store::createDatabase(dir.databasePath(), QStringLiteral(";pwd=another"),
                                  QStringLiteral("CREATE TABLE 密码表 (姓名 TEXT)"))
                .ok());
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("错误号码：26\r\n错误内容：file is encrypted or is not a database"),
                          Icon::None);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Ended);
    QVERIFY(run.main().endRequested());
    QVERIFY(run.startup.exitCode() != 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::startup_equalNamesOfEarlierBuild_reportedAndKept() {
    TestDataDir data;
    // What an earlier build's order let in: two names equal but for the case of a letter.
    fillTable(data, QStringLiteral("DROP INDEX fjmci"));
    fillTable(data, QStringLiteral("CREATE INDEX fjmci ON 中医方剂 (名称)"));
    fillTable(data, QStringLiteral("INSERT INTO 中医方剂 VALUES('Ab汤','一','二','三','四','五',' ',' ')"));
    fillTable(data, QStringLiteral("INSERT INTO 中医方剂 VALUES('ab汤','六','七','八','九','十',' ',' ')"));
    fillTable(data, QStringLiteral("INSERT INTO 密码表 VALUES('医生','x','1')"));
    fillTable(data, QStringLiteral("INSERT INTO 用户资料 VALUES('门诊','地址','电话','医生')"));
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("以下方剂名称相同：Ab汤、ab汤") + store::kEqualNamesAdvice, Icon::Exclamation);
    StartRun run;
    QCOMPARE(run.run(), app::Startup::Outcome::Running);
    FANGJI_VERIFY_PROMPTS(prompts);
    store::Database db = data.open();
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT 名称, 构成 FROM 中医方剂 ORDER BY rowid")),
             (QList<QStringList>{{"Ab汤", "一"}, {"ab汤", "六"}}));
}

void TestShell::unlock_byUserLevel_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("restricted") << "000" << QStringList{"zyexit", "xtwh"};
    QTest::newRow("normal blank") << " " << kTopMenus;
    QTest::newRow("any other value") << "1" << kTopMenus;
    QTest::newRow("empty") << "" << kTopMenus;
}

void TestShell::unlock_byUserLevel() {
    QFETCH(QString, level);
    QFETCH(QStringList, enabled);
    app::MainWindow w;
    w.LockMainMenus();
    w.setUserLevel(level);
    w.UnlockMainMenus();
    QCOMPARE(enabledTopMenus(w), enabled);
    // Items under the top menus keep their own state.
    QVERIFY(w.menuAction("ZysjDl1")->isEnabled());
}

void TestShell::lock_disablesAllFive() {
    app::MainWindow w;
    w.setUserLevel(" ");
    w.UnlockMainMenus();
    QCOMPARE(enabledTopMenus(w).size(), 5);
    w.LockMainMenus();
    QVERIFY(enabledTopMenus(w).isEmpty());
}

void TestShell::menuTree_captionsAndHiddenEntries() {
    app::MainWindow w;
    const QList<QPair<QString, QString>> captions = {
        {"ZysjDl", "中医资料登录&D"},
        {"ZysjDl1", "中医方剂登录"},
        {"zycxll", "中医方剂查询&F"},
        {"zycxll1", "中医方剂查询"},
        {"xtwh", "系统维护&W"},
        {"xtwh1", "系统密码维护"},
        {"cc", "数据备份/恢复"},
        {"YhzlDL", "用户资料登录"},
        {"DateSj", "导入禾枢中医数据"},
        {"XtCssd", "系统参数设定"},
        {"Xpict", "更换系统背景"},
        {"XtHelp", "系统帮助&H"},
        {"xtxx", "关于禾枢中医门诊系统...."},
        {"linkie", "浏览禾枢中医软件"},
        {"zyexit", "退出系统&Q"},
    };
    for (const auto& [name, caption] : captions) {
        QAction* a = w.menuAction(name);
        QVERIFY2(a != nullptr, qPrintable(name));
        QCOMPARE(a->text(), caption);
    }
    for (const QString& hidden : {QStringLiteral("DateSj"), QStringLiteral("XtCssd")}) {
        QVERIFY(!w.menuAction(hidden)->isVisible());
        QVERIFY(!w.menuAction(hidden)->isEnabled());
    }
    QVERIFY(w.menuAction("XtLine0")->isSeparator());
    QVERIFY(w.menuAction("Xline3")->isSeparator());
}

void TestShell::exit_answeredNo_changesNothing() {
    app::MainWindow w;
    bool ended = false;
    w.setEndHandler([&] { ended = true; });
    w.setUserLevel(" ");
    w.UnlockMainMenus();
    w.showMaximized();
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("退出禾枢中医门诊系统吗?"), Icon::Question, Buttons::YesNo, Answer::No);
    w.menuAction("zyexit")->trigger();
    QVERIFY(!ended);
    QVERIFY(w.isVisible());
    QCOMPARE(enabledTopMenus(w).size(), 5);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::exit_answeredYes_endsProgram() {
    app::MainWindow w;
    bool ended = false;
    w.setEndHandler([&] { ended = true; });
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("退出禾枢中医门诊系统吗?"), Icon::Question, Buttons::YesNo, Answer::Yes);
    w.menuAction("zyexit")->trigger();
    QVERIFY(ended);
    QVERIFY(w.endRequested());
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::closeBox_isRefused() {
    app::MainWindow w;
    w.setEndHandler([] {});
    w.showMaximized();
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
}

void TestShell::minimize_staysMaximized() {
    app::MainWindow w;
    w.setEndHandler([] {});
    w.showMaximized();
    w.setWindowState(Qt::WindowMinimized);
    QTRY_COMPARE(w.windowState(), Qt::WindowMaximized);
    w.setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(w.windowState(), Qt::WindowMaximized);
}

void TestShell::workingWindow_locksMenus_untilItCloses() {
    app::MainWindow w;
    w.setEndHandler([] {});
    w.setUserLevel(" ");
    w.UnlockMainMenus();
    w.showMaximized();
    ScriptedPrompts prompts;
    w.menuAction("xtxx")->trigger();
    QVERIFY(enabledTopMenus(w).isEmpty());
    QCOMPARE(openWindows(w), QStringList{"frmAbout"});
    child<QPushButton>(w.findWindow("frmAbout"), "cmdOK")->click();
    QTRY_VERIFY(openWindows(w).isEmpty());
    QCOMPARE(enabledTopMenus(w).size(), 5);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::about_showsVersionAndCaption_okUnlocks() {
    testing::FakeSession session;
    session.level = "000";
    auto* about = new app::AboutForm(session);
    about->show();
    QCOMPARE(about->windowTitle(), QStringLiteral("关于 禾枢药典之方剂(标准版)"));
    QCOMPARE(child<QLabel>(about, "lblVersion")->text(), QStringLiteral("版本 ") + testing::shownVersion());
    QCOMPARE(child<QLabel>(about, "lblTitle")->text(), QStringLiteral("禾枢药典之方剂(标准版)"));
    QVERIFY(child<QLabel>(about, "lblDescription")->text().contains(QStringLiteral("\n\n")));
    QPointer<app::AboutForm> guard(about);
    child<QPushButton>(about, "cmdOK")->click();
    QVERIFY(!about->isVisible());
    QCOMPARE(session.unlockCount, 1);
    platform::WorkingWindow::releaseUnloaded();
    QVERIFY(guard.isNull());
}

void TestShell::about_link_hoverAndClickOpenWebAddress() {
    testing::FakeSession session;
    RecordingDesktop desktop;
    ScriptedPrompts prompts;
    app::AboutForm about(session);
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    about.show();
    auto* link = child<QLabel>(&about, "Label1");
    QCOMPARE(link->text(), QStringLiteral("察看一下禾枢软件新品"));
    QCOMPARE(link->font().pointSize(), 11);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(link, &enter);
    QCOMPARE(link->font().pointSize(), 9);
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&about, QPoint(2, 2));
    QTest::mouseMove(&about, QPoint(4, 4));
    QTRY_COMPARE(link->font().pointSize(), 11);
    QVERIFY(!link->font().underline());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl(platform::kWebAddress)});
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::webMenu_failureShowsDescription() {
    app::MainWindow w;
    w.setEndHandler([] {});
    w.LockMainMenus();
    RecordingDesktop desktop;
    desktop.failure = QStringLiteral("没有可用的浏览器");
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("没有可用的浏览器"), Icon::Information);
    w.menuAction("linkie")->trigger();
    QCOMPARE(desktop.opened.size(), 1);
    QVERIFY(enabledTopMenus(w).isEmpty()); // the web command neither locks nor unlocks
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::desktop_documentWithoutProgram_isAnError() {
    // The desktop's registry (xdg-mime) knows no program for the document's type.
    QTemporaryDir bin;
    QFile script(bin.filePath("xdg-mime"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexit 0\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
    QFile doc(bin.filePath("print.rtf"));
    QVERIFY(doc.open(QIODevice::WriteOnly));
    doc.write("{\\rtf1 x}");
    doc.close();
    const QString error = platform::desktop().open(QUrl::fromLocalFile(doc.fileName()));
    qputenv("PATH", oldPath);
    QVERIFY2(error.startsWith(QStringLiteral("没有可以打开此类文档")), qPrintable(error));
}

void TestShell::workingWindow_enterOnFocusedButtonPressesIt_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("return") << int(Qt::Key_Return) << 1;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 1;
    QTest::newRow("other key") << int(Qt::Key_A) << 0;
}

void TestShell::workingWindow_enterOnFocusedButtonPressesIt() {
    QFETCH(int, key);
    QFETCH(int, clicks);
    testing::FakeSession session;
    platform::WorkingWindow window(session);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    auto* button = new QPushButton(QStringLiteral("保存&B"), &window);
    auto* other = new QLineEdit(&window);
    other->move(0, 40);
    int clicked = 0;
    connect(button, &QPushButton::clicked, [&] { ++clicked; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    button->setFocus();
    QTest::keyClick(button, static_cast<Qt::Key>(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(clicked, clicks);
    // Enter in a text box is the box's own business.
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Return);
    QCOMPARE(clicked, clicks);
}

void TestShell::commandLine_read_data() {
    using Action = app::CommandLine::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("unknown");
    QTest::newRow("none") << QStringList{} << int(Action::Run) << "";
    QTest::newRow("--version") << QStringList{"--version"} << int(Action::Version) << "";
    QTest::newRow("-v") << QStringList{"-v"} << int(Action::Version) << "";
    QTest::newRow("--help") << QStringList{"--help"} << int(Action::Help) << "";
    QTest::newRow("-h after a Qt option") << QStringList{"-platform", "offscreen", "-h"} << int(Action::Help) << "";
    QTest::newRow("Qt's options pass") << QStringList{"-style", "fusion", "-reverse", "-platform=xcb"}
                                       << int(Action::Run) << "";
    QTest::newRow("unknown long option") << QStringList{"--verbose"} << int(Action::Usage) << "--verbose";
    QTest::newRow("unknown word") << QStringList{"桂枝汤"} << int(Action::Usage) << "桂枝汤";
}

void TestShell::commandLine_read() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, unknown);
    std::vector<std::string> args;
    for (const QString& a : arguments) {
        args.push_back(a.toStdString());
    }
    const app::CommandLine line = app::readCommandLine(args);
    QCOMPARE(int(line.action), action);
    QCOMPARE(QString::fromStdString(line.unknown), unknown);
}

void TestShell::program_versionAndHelpWithoutDisplay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // what standard output (or error, for a usage error) holds
    QTest::newRow("--version") << "--version" << 0 << QStringLiteral("fangji " FANGJI_VERSION "\n");
    QTest::newRow("--help") << "--help" << 0 << QStringLiteral("用法：fangji [选项]");
    QTest::newRow("unknown") << "--nonsense" << 2 << QStringLiteral("未知的选项 --nonsense");
}

void TestShell::program_versionAndHelpWithoutDisplay() {
    QFETCH(QString, option);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/fangji"), {option});
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    const QString out = QString::fromUtf8(status == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
    QVERIFY2(status == 0 && option == QStringLiteral("--version") ? out == output : out.contains(output),
             qPrintable(out));
}

namespace {

// A main window with full menus over a data folder whose password and profile are set.
struct OpenMain {
    TestDataDir data;
    app::MainWindow w;
    OpenMain() {
        fillTable(data, QStringLiteral("INSERT INTO 密码表 VALUES('医生','x','1')"));
        fillTable(data, QStringLiteral("INSERT INTO 用户资料 VALUES('门诊','地址','电话','医生')"));
        fillTable(data,
                  QStringLiteral("INSERT INTO 中医方剂 VALUES('桂枝汤','桂枝','解肌','头痛','煎服','伤寒论',' ',' ')"));
        w.setEndHandler([] {});
        w.setUserLevel(" ");
        w.UnlockMainMenus();
        w.showMaximized();
        QApplication::setActiveWindow(&w);
    }
    QWidget* open(const QString& item, const QString& window) {
        w.menuAction(item)->trigger();
        return w.findWindow(window);
    }
};

} // namespace

void TestShell::workingWindow_frame_maximizeWhereResizable_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("resizable");
    QTest::newRow("entry") << "ZysjDl1"
                           << "Frmfjdl" << true;
    QTest::newRow("query") << "zycxll1"
                           << "FrmFjfd" << true;
    QTest::newRow("backup") << "cc"
                            << "Frmcopy" << true;
    QTest::newRow("background") << "Xpict"
                                << "FrmJczl" << true;
    QTest::newRow("password") << "xtwh1"
                              << "Frmmmwh" << false;
    QTest::newRow("About") << "xtxx"
                           << "frmAbout" << false;
}

void TestShell::workingWindow_frame_maximizeWhereResizable() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(bool, resizable);
    OpenMain main;
    ScriptedPrompts prompts;
    QWidget* form = main.open(item, window);
    QVERIFY(form);
    auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    QVERIFY(frame);
    QCOMPARE(frame->windowFlags().testFlag(Qt::WindowMaximizeButtonHint), resizable);
    // The frame opens at the window's size (its least size when it kept none).
    if (resizable) {
        QCOMPARE(form->size(), form->minimumSize());
        frame->showMaximized();
        QTRY_VERIFY(form->width() > form->minimumWidth());
        // Maximized, the frame keeps its title bar: the menu bar, switched off while the window
        // is open, does not take the frame's restore and close buttons.
        QVERIFY(frame->style()->styleHint(QStyle::SH_Workspace_FillSpaceOnMaximize, nullptr, frame));
        QVERIFY(main.w.menuBar()->cornerWidget(Qt::TopRightCorner) == nullptr ||
                !main.w.menuBar()->cornerWidget(Qt::TopRightCorner)->isVisible());
    }
    frame->close();
    QTRY_VERIFY(openWindows(main.w).isEmpty());
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::workingWindow_closedByItsFrame_leavesAsItsExit_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("byKey"); // the frame's key rather than its close box
    const QList<QPair<QString, QString>> windows = {
        {"xtxx", "frmAbout"}, {"ZysjDl1", "Frmfjdl"}, {"zycxll1", "FrmFjfd"},
        {"xtwh1", "Frmmmwh"}, {"cc", "Frmcopy"},      {"Xpict", "FrmJczl"},
    };
    for (const auto& [item, window] : windows) {
        QTest::newRow(qPrintable(window + QStringLiteral(" close box"))) << item << window << false;
        QTest::newRow(qPrintable(window + QStringLiteral(" Ctrl+W"))) << item << window << true;
    }
}

void TestShell::workingWindow_closedByItsFrame_leavesAsItsExit() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(bool, byKey);
    OpenMain main;
    ScriptedPrompts prompts;
    QWidget* form = main.open(item, window);
    QVERIFY(form);
    QVERIFY(enabledTopMenus(main.w).isEmpty());
    auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    QVERIFY(frame);
    if (byKey) {
        // The key goes where the user works: a control inside the window.
        QApplication::setActiveWindow(&main.w);
        main.w.documentArea()->setActiveSubWindow(frame);
        if (!form->isAncestorOf(QApplication::focusWidget())) {
            for (QWidget* child : form->findChildren<QWidget*>()) {
                if (child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus)) {
                    child->setFocus(Qt::TabFocusReason);
                    break;
                }
            }
        }
        QVERIFY(form->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    } else {
        frame->close();
    }
    QTRY_VERIFY(openWindows(main.w).isEmpty());
    QCOMPARE(enabledTopMenus(main.w), kTopMenus);
    QVERIFY(main.w.menuBar()->isEnabled());
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::workingWindow_accessKeysPressItsButtons_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("question"); // what the button asks or says, if anything
    QTest::newRow("entry 清屏 Alt+Q") << "ZysjDl1"
                                      << "Frmfjdl"
                                      << "Cmdqcls" << int(Qt::Key_Q) << QString();
    QTest::newRow("entry 删除 Alt+D") << "ZysjDl1"
                                      << "Frmfjdl"
                                      << "Cmddele" << int(Qt::Key_D) << QStringLiteral("确实要删除  方剂吗？");
    QTest::newRow("query 清屏 Alt+Q") << "zycxll1"
                                      << "FrmFjfd"
                                      << "Cmdqcls" << int(Qt::Key_Q) << QString();
    QTest::newRow("query 帮助 Alt+H") << "zycxll1"
                                      << "FrmFjfd"
                                      << "CmdHelp" << int(Qt::Key_H) << QStringLiteral("本系统没有提供帮助。");
    QTest::newRow("password 清屏 Alt+Q") << "xtwh1"
                                         << "Frmmmwh"
                                         << "Cmdqcls" << int(Qt::Key_Q) << QString();
}

void TestShell::workingWindow_accessKeysPressItsButtons() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QString, question);
    OpenMain main;
    ScriptedPrompts prompts;
    QWidget* form = main.open(item, window);
    QVERIFY(form);
    auto* target = child<QPushButton>(form, button);
    QVERIFY(target->isVisible());
    QSignalSpy clicked(target, &QPushButton::clicked);
    if (question.endsWith(QStringLiteral("？"))) {
        prompts.expectMessage(question, Icon::Question, Buttons::YesNo, Answer::No);
    } else if (!question.isEmpty()) {
        prompts.expectMessage(question, Icon::Information);
    }
    QApplication::setActiveWindow(&main.w);
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : form;
    QTest::keyClick(focus, static_cast<Qt::Key>(key), Qt::AltModifier);
    // An access key presses its button as a click that shows (it lets go a moment later).
    QTRY_COMPARE(clicked.size(), 1);
    FANGJI_VERIFY_PROMPTS(prompts);
}

void TestShell::workingWindow_busyUntilShown_arrowAfterwards_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::newRow("about") << "xtxx"
                           << "frmAbout";
    QTest::newRow("backup") << "cc"
                            << "Frmcopy";
    QTest::newRow("background") << "Xpict"
                                << "FrmJczl";
    QTest::newRow("password") << "xtwh1"
                              << "Frmmmwh";
    QTest::newRow("entry") << "ZysjDl1"
                           << "Frmfjdl";
}

void TestShell::workingWindow_busyUntilShown_arrowAfterwards() {
    QFETCH(QString, item);
    QFETCH(QString, window);
    OpenMain main;
    ScriptedPrompts prompts;
    // The pointer is busy while the window loads: seen as it is first shown.
    struct Watch : QObject {
        QString name;
        bool busy = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Show && o->objectName() == name) {
                busy = platform::isBusyPointer();
            }
            return false;
        }
    } watch;
    watch.name = window;
    qApp->installEventFilter(&watch);
    QWidget* form = main.open(item, window);
    qApp->removeEventFilter(&watch);
    QVERIFY(form);
    QVERIFY(watch.busy);
    QVERIFY(!platform::isBusyPointer());
    auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    frame->close();
    QTRY_VERIFY(openWindows(main.w).isEmpty());
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(prompts);
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
