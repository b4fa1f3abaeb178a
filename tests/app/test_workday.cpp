// A working day through the real main window and its menus: log in, enter a
// prescription, find it in the query window, look at its detail page, back up,
// and leave; every window opened by a menu command and closed by its own button.
#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include "menu_state.h"

#include "admin/firstuse_store.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/single_instance.h"
#include "platform/working_window.h"
#include "store/schema.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing::child;
using testing::enabledTopMenus;
using testing::kTopMenus;
using testing::ScriptedPrompts;
using testing::TestDataDir;

namespace {

// Puts text into a box as typed or pasted text would stand there.
void setBoxText(QWidget* box, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        plain->setPlainText(text);
    } else if (auto* rich = qobject_cast<QTextEdit*>(box)) {
        rich->setPlainText(text);
    } else {
        qFatal("not a text box: %s", qPrintable(box->objectName()));
    }
}

} // namespace

class TestWorkday : public QObject {
    Q_OBJECT

private slots:
    void workday_throughTheMenus();
};

void TestWorkday::workday_throughTheMenus() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(firstuse::savePassword(db, QStringLiteral("张医生"), QStringLiteral("secret12")).ok());
        QVERIFY(firstuse::saveProfile(db, {"仁和诊所", "北京路一号", "020-1234567", "张医生"}).ok());
    }
    testing::FakeClock clock;
    clock.setAutoStep(250); // waits that poll the clock (the pause after a backup) pass quickly
    ScriptedPrompts prompts;
    QTemporaryDir lockDir;
    platform::SingleInstance instance(lockDir.filePath("lock"));
    app::Startup startup;
    QCOMPARE(startup.run(instance), app::Startup::Outcome::Running);
    app::MainWindow& main = *startup.mainWindow();
    bool ended = false;
    main.setEndHandler([&] { ended = true; });

    // The splash gives way to the login after nine seconds; a correct password opens every menu.
    QVERIFY(main.findWindow("frmSplash"));
    clock.advance(9000);
    QWidget* login = main.findWindow("frmLogin");
    QVERIFY(login);
    auto* user = child<QComboBox>(login, "Cboyhmc");
    user->setCurrentIndex(user->findText(QStringLiteral("张医生")));
    child<QLineEdit>(login, "Txtpass")->setText(QStringLiteral("secret12"));
    child<QPushButton>(login, "cmdOK")->click();
    QCOMPARE(enabledTopMenus(main), kTopMenus);

    // Entry: a new prescription, saved with its texts normalised.
    main.menuAction("ZysjDl1")->trigger();
    QVERIFY(enabledTopMenus(main).isEmpty());
    QWidget* entry = main.findWindow("Frmfjdl");
    QVERIFY(entry);
    const char* boxes[] = {"TxtFjmc", "TxtFjnr", "TxtFjgy", "TxtFjzz", "TxtFjyf", "TxtFjly", "TxtLcyy", "TxtLcxd"};
    const QStringList texts = {
        "桂枝汤", "桂枝9克,芍药9克,甘草6克", "解肌发表,调和营卫", "外感风寒表虚证", "水煎服", "《伤寒论》", "用于感冒",
        ""};
    for (int i = 0; i < 8; ++i) {
        setBoxText(child<QWidget>(entry, boxes[i]), texts[i]);
    }
    child<QPushButton>(entry, "CmdSave")->click();
    QCOMPARE(child<QWidget>(entry, "Labfjsl")->property("text").toString(), QStringLiteral("1剂"));
    child<QPushButton>(entry, "CmdQuit")->click();
    QCOMPARE(enabledTopMenus(main), kTopMenus);
    QVERIFY(!main.findWindow("Frmfjdl"));
    {
        store::Database db = dir.open();
        QCOMPARE(testing::rows(db, "SELECT 构成 FROM 中医方剂").value(0).value(0),
                 QStringLiteral("桂枝9克，芍药9克，甘草6克。"));
    }

    // Query: the dictionaries are generated, the window lists the prescription, a term
    // from the effect list finds it, and a row click shows its detail page.
    main.menuAction("zycxll1")->trigger();
    QWidget* query = main.findWindow("FrmFjfd");
    QVERIFY(query);
    QVERIFY(enabledTopMenus(main).isEmpty());
    auto* grid = child<QTableView>(query, "MSFGrid");
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("桂枝汤"));
    auto* effect = child<QComboBox>(query, "Cboycgx1");
    QVERIFY(effect->findText(QStringLiteral("调和营卫")) >= 0);
    effect->setCurrentIndex(effect->findText(QStringLiteral("调和营卫")));
    child<QPushButton>(query, "Cmdseek")->click();
    QCOMPARE(grid->model()->rowCount(), 1);
    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(child<QTabWidget>(query, "SSTab1")->currentIndex(), 1);
    child<QPushButton>(query, "Cmdexit")->click();
    QCOMPARE(enabledTopMenus(main), kTopMenus);
    QVERIFY(!main.findWindow("FrmFjfd"));

    // Backup: a copy that opens with the key and holds the prescription.
    main.menuAction("cc")->trigger();
    QWidget* backup = main.findWindow("Frmcopy");
    QVERIFY(backup);
    const QString copy = dir.root() + QStringLiteral("/copy.mdb");
    child<QLineEdit>(backup, "Txtpath")->setText(copy);
    child<QPushButton>(backup, "Cmdcopy")->click();
    QTRY_VERIFY(child<QPushButton>(backup, "Cmdexit")->isVisible());
    child<QPushButton>(backup, "Cmdexit")->click();
    QCOMPARE(enabledTopMenus(main), kTopMenus);
    {
        auto db = store::Database::open(copy, store::kMainConnect);
        QVERIFY(db.ok());
        QCOMPARE(testing::rows(*db, "SELECT 名称 FROM 中医方剂").value(0).value(0), QStringLiteral("桂枝汤"));
    }

    // Leaving: No keeps the program, Yes ends it.
    prompts.expectMessage(QStringLiteral("退出禾枢中医门诊系统吗?"), Icon::Question, Buttons::YesNo, Answer::No);
    main.menuAction("zyexit")->trigger();
    QVERIFY(!ended);
    prompts.expectMessage(QStringLiteral("退出禾枢中医门诊系统吗?"), Icon::Question, Buttons::YesNo, Answer::Yes);
    main.menuAction("zyexit")->trigger();
    QVERIFY(ended);
    FANGJI_VERIFY_PROMPTS(prompts);
    platform::WorkingWindow::releaseUnloaded();
}

QTEST_MAIN(TestWorkday)
#include "test_workday.moc"
