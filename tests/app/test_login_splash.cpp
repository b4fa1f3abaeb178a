// The splash, the login, and the first-use road from a fresh data folder to the first login.
#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include "menu_state.h"

#include "admin/firstuse_store.h"
#include "admin/password_form.h"
#include "admin/profile_form.h"
#include "app/login_form.h"
#include "app/main_window.h"
#include "app/splash_form.h"
#include "app/startup.h"
#include "platform/single_instance.h"
#include "query/query_form.h"
#include "store/schema.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing::child;
using testing::enabledTopMenus;
using testing::FakeClock;
using testing::FakeSession;
using testing::kTopMenus;
using testing::ScriptedPrompts;
using testing::TestDataDir;

namespace {

const QString kUser = QStringLiteral("张三");
const QString kPassword = QStringLiteral("abcd1234");

bool unloaded(QWidget* w) {
    auto* ww = qobject_cast<platform::WorkingWindow*>(w);
    return ww != nullptr && ww->isUnloading() && !ww->isVisible();
}

// Fills the two first-use tables as a finished first use leaves them.
void setUp(const TestDataDir& dir, bool user, bool profile) {
    store::Database db = dir.open();
    if (user) {
        QVERIFY(firstuse::savePassword(db, kUser, kPassword).ok());
    }
    if (profile) {
        QVERIFY(firstuse::saveProfile(db, {"仁心诊所", "长安街一号", "010-5551234", "李时珍"}).ok());
    }
}

// The windows the session was asked to show, by name, that are still on screen.
QStringList visibleWindows(const FakeSession& s) {
    QStringList out;
    for (QWidget* w : s.shownWindows) {
        if (w->isVisible()) {
            out << w->objectName();
        }
    }
    return out;
}

struct LoginWindow {
    FakeSession session;
    QPointer<app::LoginForm> form;
    QComboBox* user;
    QLineEdit* password;

    LoginWindow() {
        form = new app::LoginForm(session);
        session.showWindow(form);
        user = child<QComboBox>(form, "Cboyhmc");
        password = child<QLineEdit>(form, "Txtpass");
    }
    ~LoginWindow() {
        delete form.data();
        platform::WorkingWindow::releaseUnloaded();
    }
    void pick(const QString& name) { user->setCurrentIndex(user->findText(name)); }
    void ok(const QString& typed) {
        password->setText(typed);
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
    }
};

// One start of the program with its own lock and an end handler that only records.
struct StartRun {
    QTemporaryDir lockDir;
    platform::SingleInstance instance{lockDir.filePath("lock")};
    app::Startup startup;
    bool ended = false;

    app::Startup::Outcome run() {
        const auto outcome = startup.run(instance);
        if (startup.mainWindow() != nullptr) {
            startup.mainWindow()->setEndHandler([this] { ended = true; });
        }
        return outcome;
    }
    app::MainWindow& main() { return *startup.mainWindow(); }
    QWidget* window(const QString& name) { return main().findWindow(name); }
};

// Saves a name and password in the password window, typed key by key as a person does, and leaves it.
void savePasswordTyped(const QString& name, const QString& password) {
    FakeSession session;
    session.level = "000";
    QPointer<admin::PasswordForm> form = new admin::PasswordForm(session);
    session.showWindow(form);
    QWidget* nameBox = child<QWidget>(form, "Cboyhmc");
    nameBox->setFocus();
    testing::typeText(nameBox, name + "\n");
    testing::typeText(child<QLineEdit>(form, "TxtNpas"), password + "\n");
    testing::typeText(child<QLineEdit>(form, "TxtPasn"), password + "\n");
    QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("CmdSave"));
    QTest::keyClick(form->focusWidget(), Qt::Key_Return);
    QTest::mouseClick(child<QPushButton>(form, "Cmdexit"), Qt::LeftButton);
    QVERIFY(unloaded(form));
    delete form.data();
    platform::WorkingWindow::releaseUnloaded();
}

// A window of the first use or the query, shown with the data folder as it is.
std::unique_ptr<QWidget> openWindow(const QString& name, FakeSession& session) {
    std::unique_ptr<QWidget> w;
    if (name == "frmLogin") {
        w = std::make_unique<app::LoginForm>(session);
    } else if (name == "Frmmmwh") {
        w = std::make_unique<admin::PasswordForm>(session);
    } else {
        w = std::make_unique<query::QueryForm>(session);
    }
    session.showWindow(w.get());
    return w;
}

// Boxes a label may stand beside: inputs, lists, grids and buttons that are on show.
bool isBox(const QWidget* w) {
    return !w->isHidden() && qobject_cast<const QLabel*>(w) == nullptr &&
           (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
            qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QAbstractButton*>(w));
}

} // namespace

class TestLoginSplash : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { platform::WorkingWindow::releaseUnloaded(); }

    // ---------------------------------------------------------------- splash
    void splash_showsProductVersionAndProfile() {
        TestDataDir dir;
        setUp(dir, true, true);
        FakeClock clock;
        ScriptedPrompts prompts;
        FakeSession session;
        auto* splash = new app::SplashForm(session);
        session.showWindow(splash);
        QCOMPARE(child<QLabel>(splash, "lblProductName")->text(), QStringLiteral("禾枢药典之方剂(标准版)"));
        QCOMPARE(child<QLabel>(splash, "lblVersion")->text(), QStringLiteral("标准版 ") + testing::shownVersion());
        const QStringList lines = child<QLabel>(splash, "LblYhmc")->text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines, (QStringList{"使用单位：仁心诊所", "", "联系电话：010-5551234    使用人：李时珍"}));
        QVERIFY(child<QLabel>(splash, "lblProductName")->font().bold());
        QCOMPARE(child<QLabel>(splash, "lblProductName")->font().pointSize(), 24);
        FANGJI_VERIFY_PROMPTS(prompts);
        delete splash;
    }

    void splash_closes_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("nine seconds") << "timer";
        QTest::newRow("key press") << "key";
        QTest::newRow("click on the frame") << "Frame1";
        QTest::newRow("click on the product name") << "lblProductName";
        QTest::newRow("click on the profile") << "LblYhmc";
    }
    void splash_closes() {
        QFETCH(QString, how);
        TestDataDir dir;
        setUp(dir, true, true);
        FakeClock clock;
        ScriptedPrompts prompts;
        FakeSession session;
        QPointer<app::SplashForm> splash = new app::SplashForm(session);
        session.showWindow(splash);
        clock.advance(app::SplashForm::kTimerInterval - 1);
        QCOMPARE(visibleWindows(session), QStringList{"frmSplash"});
        if (how == "timer") {
            clock.advance(1);
        } else if (how == "key") {
            QTest::keyClick(splash, Qt::Key_A);
        } else {
            QTest::mouseClick(child<QWidget>(splash, how), Qt::LeftButton);
        }
        QVERIFY(unloaded(splash));
        QCOMPARE(visibleWindows(session), QStringList{"frmLogin"});
        // Whatever comes next, only one closing runs.
        clock.advance(app::SplashForm::kTimerInterval);
        QCOMPARE(session.shownWindows.size(), 2);
        FANGJI_VERIFY_PROMPTS(prompts);
        qDeleteAll(session.shownWindows);
    }

    void splash_profileMissing_asksForProfileNotLogin() {
        TestDataDir dir;
        setUp(dir, true, false);
        FakeClock clock;
        ScriptedPrompts prompts;
        FakeSession session;
        QPointer<app::SplashForm> splash = new app::SplashForm(session);
        prompts.expectMessage("请先登录用户资料", Icon::Information);
        session.showWindow(splash);
        QTRY_COMPARE(visibleWindows(session), QStringList{"FrmYhzl"});
        clock.advance(app::SplashForm::kTimerInterval);
        QCOMPARE(visibleWindows(session), QStringList{"FrmYhzl"});
        FANGJI_VERIFY_PROMPTS(prompts);
        qDeleteAll(session.shownWindows);
    }

    void splash_noUser_opensPasswordWindowWithFullLevel() {
        TestDataDir dir;
        setUp(dir, false, true);
        FakeClock clock;
        ScriptedPrompts prompts;
        FakeSession session;
        session.level = "000";
        session.showWindow(new app::SplashForm(session));
        clock.advance(app::SplashForm::kTimerInterval);
        QCOMPARE(visibleWindows(session), QStringList{"Frmmmwh"});
        QVERIFY(session.level != "000");
        FANGJI_VERIFY_PROMPTS(prompts);
        qDeleteAll(session.shownWindows);
    }

    void splash_unreadableProfile_keepsPlatformCaption() {
        TestDataDir dir;
        setUp(dir, true, false);
        {
            store::Database db = dir.open();
            QVERIFY(testing::exec(db, "DROP TABLE 用户资料"));
        }
        FakeClock clock;
        ScriptedPrompts prompts;
        FakeSession session;
        QPointer<app::SplashForm> splash = new app::SplashForm(session);
        session.showWindow(splash);
        QCOMPARE(child<QLabel>(splash, "LblYhmc")->text(), QStringLiteral("平台:Windows98/Me/2000"));
        QCOMPARE(child<QLabel>(splash, "lblVersion")->text(), QStringLiteral("标准版 ") + testing::shownVersion());
        clock.advance(app::SplashForm::kTimerInterval);
        QCOMPARE(visibleWindows(session), QStringList{"frmLogin"});
        FANGJI_VERIFY_PROMPTS(prompts);
        qDeleteAll(session.shownWindows);
    }

    // ---------------------------------------------------------------- login
    void login_listsUsersWithNonePicked() {
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        QCOMPARE(w.form->windowTitle(), QStringLiteral("系统用户登录"));
        QCOMPARE(w.user->count(), 1);
        QCOMPARE(w.user->itemText(0), kUser);
        QCOMPARE(w.user->currentIndex(), -1);
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void login_shortPasswordOnOk_notCounted_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("three") << "abc";
        QTest::newRow("empty") << "";
    }
    void login_shortPasswordOnOk_notCounted() {
        QFETCH(QString, typed);
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        w.pick(kUser);
        for (int i = 0; i < 5; ++i) {
            prompts.expectMessage("请输入四位以上密码", Icon::Information);
            w.ok(typed);
        }
        QCOMPARE(w.form->loginAttempts(), 0);
        // Still three retries left after them.
        prompts.expectMessage("无效的密码，再试一次！", Icon::None, Buttons::Ok, Answer::Ok, "登录");
        w.ok("wrong-1");
        QCOMPARE(w.form->loginAttempts(), 1);
        w.ok(kPassword);
        QCOMPARE(w.session.unlockCount, 1);
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void login_enterInPassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("selected");
        QTest::newRow("three") << "abc" << true << "abc";
        QTest::newRow("three padded by paste") << "  abc " << true << "  a";
        QTest::newRow("four") << "abcd" << false << "";
    }
    void login_enterInPassword() {
        QFETCH(QString, typed);
        QFETCH(bool, warned);
        QFETCH(QString, selected);
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        w.password->setText(typed);
        w.password->setFocus();
        if (warned) {
            prompts.expectMessage("请输入四位字符以上密码", Icon::Information);
        }
        QTest::keyClick(w.password, Qt::Key_Return);
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(w.form->focusWidget()->objectName(), warned ? QStringLiteral("Txtpass") : QStringLiteral("cmdOK"));
        if (warned) {
            QCOMPARE(w.password->selectedText(), selected);
        }
        QCOMPARE(w.form->loginAttempts(), 0);
        QCOMPARE(w.session.unlockCount, 0);
    }

    void login_enterInUserList_data() {
        QTest::addColumn<bool>("picked");
        QTest::newRow("name picked") << true;
        QTest::newRow("nothing picked") << false;
    }
    void login_enterInUserList() {
        QFETCH(bool, picked);
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        if (picked) {
            w.pick(kUser);
        }
        w.password->setText("secret");
        w.user->setFocus();
        QTest::keyClick(w.user, Qt::Key_Return);
        QCOMPARE(w.form->focusWidget(), picked ? static_cast<QWidget*>(w.password) : w.user);
        if (picked) {
            QCOMPARE(w.password->selectedText(), QStringLiteral("secret"));
        }
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void login_attempts_data() {
        QTest::addColumn<int>("wrongBefore");
        QTest::addColumn<bool>("rightLast");
        QTest::addColumn<bool>("admitted");
        QTest::newRow("right on 1") << 0 << true << true;
        QTest::newRow("right on 2") << 1 << true << true;
        QTest::newRow("right on 3") << 2 << true << true;
        QTest::newRow("wrong on 4") << 3 << false << false;
        QTest::newRow("right on 4") << 3 << true << false;
    }
    void login_attempts() {
        QFETCH(int, wrongBefore);
        QFETCH(bool, rightLast);
        QFETCH(bool, admitted);
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        w.pick(kUser);
        for (int i = 0; i < wrongBefore; ++i) {
            prompts.expectMessage("无效的密码，再试一次！", Icon::None, Buttons::Ok, Answer::Ok, "登录");
            w.ok(QStringLiteral("wrong-%1").arg(i));
            FANGJI_VERIFY_PROMPTS(prompts);
            QCOMPARE(w.form->passwordCheck(), app::LoginForm::PasswordCheck::NoMatch);
            QCOMPARE(w.password->selectedText(), QStringLiteral("wrong-%1").arg(i));
            QCOMPARE(w.form->focusWidget(), w.password);
            QVERIFY(w.form->isVisible());
        }
        if (!admitted) {
            prompts.expectMessage("非法用户，你无权使用本系统！", Icon::Information, Buttons::Ok, Answer::Ok, "登录");
        }
        w.ok(rightLast ? kPassword : QStringLiteral("wrong-last"));
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(w.form->loginAttempts(), wrongBefore + 1);
        QVERIFY(unloaded(w.form));
        QCOMPARE(w.session.unlockCount, admitted ? 1 : 0);
        QCOMPARE(w.session.ended, !admitted);
    }

    void login_pastedPasswordIsTrimmed() {
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        w.pick(kUser);
        w.ok("  " + kPassword + "   ");
        QCOMPARE(w.password->text(), kPassword);
        QCOMPARE(w.session.unlockCount, 1);
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void login_blankTypedHasNoEffect() {
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        w.password->setFocus();
        testing::typeText(w.password, QStringLiteral(" ab 中 cd "));
        QCOMPARE(w.password->text(), QStringLiteral("ab中cd"));
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void login_refusesWhatIsNotTheStoredPair_data() {
        QTest::addColumn<bool>("pickUser");
        QTest::addColumn<QString>("typed");
        QTest::newRow("injection-shaped password") << true << "x' or '1'='1";
        QTest::newRow("injection with comment") << true << "x' OR 1=1 --";
        QTest::newRow("right password, no name picked") << false << kPassword;
        QTest::newRow("right password in other case") << true << kPassword.toUpper();
    }
    void login_refusesWhatIsNotTheStoredPair() {
        QFETCH(bool, pickUser);
        QFETCH(QString, typed);
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        if (pickUser) {
            w.pick(kUser);
        }
        prompts.expectMessage("无效的密码，再试一次！", Icon::None, Buttons::Ok, Answer::Ok, "登录");
        w.ok(typed);
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(w.form->passwordCheck(), app::LoginForm::PasswordCheck::NoMatch);
        QCOMPARE(w.session.unlockCount, 0);
        store::Database db = dir.open();
        QCOMPARE(testing::rows(db, "SELECT count(*) FROM 密码表"), QList<QStringList>{{"1"}});
    }

    void login_passwordSetInPasswordWindow_typedAgainLogsIn_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kept");
        const QString latin = QStringLiteral("Abcdefghij0123456789!#$%&()*+,");
        QString mixed;
        for (int i = 0; i < 40; ++i) {
            mixed += i % 2 == 0 ? QChar(0x6c34 + i) : QChar(u'k' + i % 10);
        }
        QTest::newRow("thirty characters") << latin << 30;
        QTest::newRow("thirty Chinese and Latin") << mixed.left(30) << 30;
        QTest::newRow("forty typed, thirty kept") << latin + QStringLiteral("ABCDEFGHIJ") << 30;
        QTest::newRow("forty Chinese and Latin typed") << mixed << 30;
        QTest::newRow("four characters") << QStringLiteral("abcd") << 4;
    }
    void login_passwordSetInPasswordWindow_typedAgainLogsIn() {
        QFETCH(QString, typed);
        QFETCH(int, kept);
        TestDataDir dir;
        setUp(dir, false, true);
        ScriptedPrompts prompts;
        prompts.expectMessage("请以新的用户名称和密码重新登录系统", Icon::Information);
        savePasswordTyped(kUser, typed);
        FANGJI_VERIFY_PROMPTS(prompts);
        {
            store::Database db = dir.open();
            QVERIFY(firstuse::checkLogin(db, kUser, typed.left(kept)).value());
        }
        LoginWindow w;
        w.pick(kUser);
        w.password->setFocus();
        testing::typeText(w.password, typed + "\n");
        QCOMPARE(w.password->text().size(), kept);
        QCOMPARE(w.form->focusWidget()->objectName(), QStringLiteral("cmdOK"));
        QTest::keyClick(w.form->focusWidget(), Qt::Key_Return);
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(unloaded(w.form));
        QCOMPARE(w.session.unlockCount, 1);
        QVERIFY(!w.session.ended);
    }

    void longStoredName_windowKeepsItsWidth_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("login") << "frmLogin";
        QTest::newRow("password") << "Frmmmwh";
    }
    void longStoredName_windowKeepsItsWidth() {
        QFETCH(QString, window);
        // Names as earlier versions or other tools may have stored them, written straight into the file.
        auto widthFor = [&](const QString& name, int* buttonsRight) {
            TestDataDir dir;
            setUp(dir, false, true);
            {
                store::Database db = dir.open();
                if (!testing::exec(db, QStringLiteral("INSERT INTO 密码表 VALUES('%1','x','1')").arg(name))) {
                    return -1;
                }
            }
            ScriptedPrompts prompts;
            FakeSession session;
            auto w = openWindow(window, session);
            *buttonsRight = 0;
            for (QPushButton* b : w->findChildren<QPushButton*>()) {
                if (!b->isHidden()) {
                    *buttonsRight = qMax(*buttonsRight, b->geometry().right());
                }
            }
            const int width = w->width();
            if (!prompts.problems().isEmpty()) {
                return -1;
            }
            w.reset();
            platform::WorkingWindow::releaseUnloaded();
            return width;
        };
        int shortRight = 0;
        int longRight = 0;
        const int shortWidth = widthFor(QStringLiteral("张三"), &shortRight);
        const int longWidth = widthFor(QString(200, QChar(0x9ec4)), &longRight);
        QVERIFY(shortWidth > 0);
        QVERIFY2(longWidth <= shortWidth, qPrintable(QStringLiteral("%1 > %2").arg(longWidth).arg(shortWidth)));
        QVERIFY(longWidth <= QGuiApplication::primaryScreen()->availableGeometry().width());
        QVERIFY(longRight < longWidth);
        QVERIFY(shortRight < shortWidth);
    }

    void windows_labelsKeepClearOfTheirBoxes_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("page");
        QTest::newRow("login") << "frmLogin" << -1;
        QTest::newRow("password") << "Frmmmwh" << -1;
        QTest::newRow("query: criteria page") << "FrmFjfd" << 0;
        QTest::newRow("query: detail page") << "FrmFjfd" << 1;
    }
    void windows_labelsKeepClearOfTheirBoxes() {
        QFETCH(QString, window);
        QFETCH(int, page);
        TestDataDir dir;
        setUp(dir, true, true);
        {
            store::Database db = dir.open();
            QVERIFY(testing::addPrescription(
                db, {"桂枝汤", "桂枝 芍药", "解肌发表", "发热", "水煎服", "伤寒论", "感冒", "心得"}));
        }
        ScriptedPrompts prompts;
        FakeSession session;
        auto w = openWindow(window, session);
        QWidget* parent = w.get();
        if (page >= 0) {
            auto* tabs = child<QTabWidget>(w.get(), "SSTab1");
            tabs->setCurrentIndex(page);
            parent = tabs->widget(page);
        }
        // At least a third of a character between a label and any box, and never less than 4 px.
        const int clearance = qMax(4, (parent->fontMetrics().horizontalAdvance(QChar(0x4e2d)) + 2) / 3);
        const auto labels = parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!labels.isEmpty());
        int checked = 0;
        int shown = 0;
        for (QLabel* label : labels) {
            // A line that shows only when it has something to say takes no place until then.
            if (!label->isVisibleTo(parent)) {
                continue;
            }
            ++shown;
            const QRect l = label->geometry();
            const QString name = label->text();
            if (label->buddy() != nullptr) {
                QVERIFY2(label->buddy()->parentWidget() == parent, qPrintable(name));
            }
            // The caption is shown whole inside the label.
            if (label->wordWrap()) {
                QVERIFY2(label->heightForWidth(l.width()) <= l.height(), qPrintable(name));
            } else {
                QVERIFY2(label->minimumSizeHint().width() <= l.width(), qPrintable(name));
            }
            for (QWidget* box : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!isBox(box)) {
                    continue;
                }
                const QRect b = box->geometry();
                const QString what = QStringLiteral("%1 (%2,%3 %4x%5) and %6 (%7,%8 %9x%10)")
                                         .arg(name)
                                         .arg(l.x())
                                         .arg(l.y())
                                         .arg(l.width())
                                         .arg(l.height())
                                         .arg(box->objectName())
                                         .arg(b.x())
                                         .arg(b.y())
                                         .arg(b.width())
                                         .arg(b.height());
                QVERIFY2(!l.adjusted(-clearance, -clearance, clearance, clearance).intersects(b), qPrintable(what));
                ++checked;
            }
        }
        QVERIFY(shown > 0 && checked >= shown);
        FANGJI_VERIFY_PROMPTS(prompts);
        w.reset();
        platform::WorkingWindow::releaseUnloaded();
    }

    void login_cancelEndsProgram() {
        TestDataDir dir;
        setUp(dir, true, true);
        ScriptedPrompts prompts;
        LoginWindow w;
        QTest::mouseClick(child<QPushButton>(w.form, "cmdCancel"), Qt::LeftButton);
        QVERIFY(w.session.ended);
        QVERIFY(unloaded(w.form));
        QCOMPARE(w.session.unlockCount, 0);
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    // ---------------------------------------------------------------- the first-use road
    void firstUseRoad_toFirstLogin() {
        TestDataDir dir(false); // a fresh data folder: no database yet
        FakeClock clock;
        ScriptedPrompts prompts;

        // First start: no user, so password maintenance.
        {
            StartRun start;
            prompts.expectMessage("初次使用系统　请先登录系统启动密码内容", Icon::Exclamation);
            QCOMPARE(start.run(), app::Startup::Outcome::Running);
            FANGJI_VERIFY_PROMPTS(prompts);
            QCOMPARE(enabledTopMenus(start.main()), QStringList());
            QWidget* form = start.window("Frmmmwh");
            QVERIFY(form != nullptr);
            auto* name = child<QComboBox>(form, "Cboyhmc");
            name->setFocus();
            testing::typeText(name, kUser + "\n");
            testing::typeText(child<QLineEdit>(form, "TxtNpas"), kPassword + "\n");
            testing::typeText(child<QLineEdit>(form, "TxtPasn"), kPassword + "\n");
            QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("CmdSave"));
            QTest::keyClick(form->focusWidget(), Qt::Key_Return); // Enter presses the focused button
            FANGJI_VERIFY_PROMPTS(prompts);
            prompts.expectMessage("请以新的用户名称和密码重新登录系统", Icon::Information);
            QTest::mouseClick(child<QPushButton>(form, "Cmdexit"), Qt::LeftButton);
            FANGJI_VERIFY_PROMPTS(prompts);
            QVERIFY(unloaded(form));
            // Restricted: only maintenance and exit.
            QCOMPARE(enabledTopMenus(start.main()), (QStringList{"zyexit", "xtwh"}));
            QVERIFY(!start.main().menuAction("ZysjDl")->isEnabled());
            QVERIFY(!start.main().menuAction("zycxll")->isEnabled());
            QVERIFY(!start.main().menuAction("XtHelp")->isEnabled());
            QVERIFY(!start.ended);
            platform::WorkingWindow::releaseUnloaded();
        }
        {
            store::Database db = dir.open();
            const auto rows = testing::rows(db, "SELECT 姓名, 密码 FROM 密码表");
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows[0][0], kUser);
            QVERIFY(rows[0][1] != kPassword); // the typed text is not what is stored
        }

        // Second start: no profile, so the profile window.
        {
            StartRun start;
            prompts.expectMessage("初次使用系统　请先登录用户资料内容", Icon::Exclamation);
            QCOMPARE(start.run(), app::Startup::Outcome::Running);
            FANGJI_VERIFY_PROMPTS(prompts);
            QWidget* form = start.window("FrmYhzl");
            QVERIFY(form != nullptr);
            QCOMPARE(enabledTopMenus(start.main()), QStringList());
            const QStringList values = {"仁心诊所", "长安街一号", "5551234", "李时珍"};
            const QStringList names = {"TxtMzmc", "TxtMzdz", "TxtTele", "TxtYhxm"};
            child<QLineEdit>(form, names[0])->setFocus();
            for (int i = 0; i < 4; ++i) {
                testing::typeText(form->focusWidget(), values[i] + "\n");
            }
            QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("CmdSave"));
            prompts.expectMessage("保存或修改已经输入的内容吗", Icon::Question, Buttons::YesNo, Answer::Yes);
            QTest::mouseClick(child<QPushButton>(form, "CmdSave"), Qt::LeftButton);
            FANGJI_VERIFY_PROMPTS(prompts);
            QVERIFY(unloaded(form));
            QCOMPARE(enabledTopMenus(start.main()), (QStringList{"zyexit", "xtwh"}));
            platform::WorkingWindow::releaseUnloaded();
        }

        // Third start: the splash, then the login, then every menu.
        {
            StartRun start;
            QCOMPARE(start.run(), app::Startup::Outcome::Running);
            FANGJI_VERIFY_PROMPTS(prompts);
            QWidget* splash = start.window("frmSplash");
            QVERIFY(splash != nullptr);
            QCOMPARE(enabledTopMenus(start.main()), QStringList());
            QVERIFY(child<QLabel>(splash, "LblYhmc")->text().startsWith(QStringLiteral("使用单位：仁心诊所\r\n")));
            clock.advance(app::SplashForm::kTimerInterval);
            QVERIFY(start.window("frmSplash") == nullptr);
            QWidget* login = start.window("frmLogin");
            QVERIFY(login != nullptr);
            QCOMPARE(enabledTopMenus(start.main()), QStringList());
            auto* user = child<QComboBox>(login, "Cboyhmc");
            user->setCurrentIndex(user->findText(kUser));
            auto* password = child<QLineEdit>(login, "Txtpass");
            password->setText("wrong-pass");
            prompts.expectMessage("无效的密码，再试一次！", Icon::None, Buttons::Ok, Answer::Ok, "登录");
            QTest::mouseClick(child<QPushButton>(login, "cmdOK"), Qt::LeftButton);
            FANGJI_VERIFY_PROMPTS(prompts);
            QCOMPARE(enabledTopMenus(start.main()), QStringList());
            password->setText(kPassword);
            QTest::mouseClick(child<QPushButton>(login, "cmdOK"), Qt::LeftButton);
            FANGJI_VERIFY_PROMPTS(prompts);
            QCOMPARE(enabledTopMenus(start.main()), kTopMenus);
            QVERIFY(start.window("frmLogin") == nullptr);
            QVERIFY(!start.ended);
            platform::WorkingWindow::releaseUnloaded();
        }
    }

    void firstUseRoad_loginCancelEndsProgram() {
        TestDataDir dir;
        setUp(dir, true, true);
        FakeClock clock;
        ScriptedPrompts prompts;
        StartRun start;
        QCOMPARE(start.run(), app::Startup::Outcome::Running);
        QTest::mouseClick(child<QWidget>(start.window("frmSplash"), "lblProductName"), Qt::LeftButton);
        QWidget* login = start.window("frmLogin");
        QVERIFY(login != nullptr);
        QTest::mouseClick(child<QPushButton>(login, "cmdCancel"), Qt::LeftButton);
        QVERIFY(start.ended);
        QVERIFY(start.main().endRequested());
        QCOMPARE(enabledTopMenus(start.main()), QStringList());
        FANGJI_VERIFY_PROMPTS(prompts);
        platform::WorkingWindow::releaseUnloaded();
    }
};

QTEST_MAIN(TestLoginSplash)
#include "test_login_splash.moc"
