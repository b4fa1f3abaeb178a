// The query window finds prescriptions as a doctor thinks of them: by pinyin, in either script,
// by a herb's other names; and its detail page names the forbidden pairs of herbs.
#include "scripted_prompts.h"
#include "test_env.h"

#include "platform/busy.h"
#include "query/query_form.h"
#include "query/query_statement.h"
#include "query/query_store.h"
#include "query/result_model.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace fangji;
using namespace fangji::query;
using fangji::testing::child;
using fangji::testing::FakeSession;
using fangji::testing::ScriptedPrompts;
using fangji::testing::TestDataDir;

namespace {

QStringList rx(const QString& name, const QString& composition, const QString& effects = u"解肌发表"_qs) {
    return {name, composition, effects, u"发热恶寒"_qs, u"水煎服"_qs, u"伤寒论"_qs, u"感冒"_qs, u"心得"_qs};
}

// 桂枝汤 and 麻黄汤 as usual, 小青龙汤 written in traditional characters, 黄芪桂枝五物汤 with 黄耆,
// and a composition holding 甘草 with 甘遂.
void seed(store::Database& db) {
    QVERIFY(testing::addPrescription(db, rx(u"桂枝汤"_qs, u"桂枝，芍药，甘草，生姜，大枣。"_qs)));
    QVERIFY(testing::addPrescription(db, rx(u"麻黄汤"_qs, u"麻黄，桂枝，杏仁，甘草。"_qs, u"发汗解表"_qs)));
    QVERIFY(testing::addPrescription(db, rx(u"小青龍湯"_qs, u"麻黃，芍藥，細辛，乾薑，甘草，桂枝。"_qs)));
    QVERIFY(testing::addPrescription(db, rx(u"黄芪桂枝五物汤"_qs, u"黄耆，桂枝，芍药，生姜，大枣。"_qs)));
    QVERIFY(testing::addPrescription(db, rx(u"甘遂半夏汤"_qs, u"甘遂，半夏，芍药，甘草。"_qs)));
}

QStringList names(const GridRows& rows) {
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        out << rows.text(r, 0);
    }
    return out;
}

const QString kEmptyRest = u" and 功效 like '**' and 功效 like '**' and 功效 like '**' and 主治 like '**' and 主治 "
                           u"like '**' and 主治 like '**' and 应用 like '**' and 应用 like '**' and 应用 like '**' and "
                           u"来源 like '**'"_qs;

} // namespace

class TestQueryTextMatch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statement_latinNameAndHerbs_data();
    void statement_latinNameAndHerbs();
    void query_findsAsMeant_data();
    void query_findsAsMeant();
    void warning_text_data();
    void warning_text();

    void window_typingPinyinInName_listsThePrescription();
    void window_typingPinyinInHerb_listsWhatHoldsIt();
    void window_detailPage_showsForbiddenPairs();

private:
    QueryForm* open();

    std::unique_ptr<TestDataDir> m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<FakeSession> m_session;
    QPointer<QueryForm> m_form;
};

void TestQueryTextMatch::init() {
    m_dir = std::make_unique<TestDataDir>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_session = std::make_unique<FakeSession>();
    store::Database db = m_dir->open();
    seed(db);
}

void TestQueryTextMatch::cleanup() {
    delete m_form.data();
    platform::setArrowPointer();
    m_session.reset();
    m_prompts.reset();
    m_dir.reset();
}

QueryForm* TestQueryTextMatch::open() {
    delete m_form.data();
    m_form = new QueryForm(*m_session);
    m_form->show();
    QApplication::setActiveWindow(m_form);
    return m_form;
}

void TestQueryTextMatch::statement_latinNameAndHerbs_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("herb2");
    QTest::addColumn<QString>("effect1");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Latin name") << u"gzt"_qs << QString() << QString()
                                << u"SELECT * FROM 中医方剂 WHERE pinyinlike(名称,'*gzt*') and 构成 like '**' and "
                                   u"构成 like '**' and 构成 like '**'"_qs +
                                       kEmptyRest;
    QTest::newRow("Latin herb") << QString() << u"GC"_qs << QString()
                                << u"SELECT * FROM 中医方剂 WHERE 名称 like '**' and 构成 like '**' and "
                                   u"pinyinlike(构成,'*GC*') and 构成 like '**'"_qs +
                                       kEmptyRest;
    // Only names and herbs are read as pinyin; an alias herb keeps the plain condition.
    QTest::newRow("Latin effect stays like") << QString() << u"黄耆"_qs << u"jb"_qs
                                             << u"SELECT * FROM 中医方剂 WHERE 名称 like '**' and 构成 like '**' and "
                                                u"构成 like '*黄耆*' and 构成 like '**' and 功效 like '*jb*' and 功效 "
                                                u"like '**' and 功效 like '**' and 主治 like '**' and 主治 like '**' "
                                                u"and 主治 like '**' and 应用 like '**' and 应用 like '**' and 应用 "
                                                u"like '**' and 来源 like '**'"_qs;
    QTest::newRow("Latin with a pattern character stays like")
        << u"g*t"_qs << QString() << QString()
        << u"SELECT * FROM 中医方剂 WHERE 名称 like '*g*t*' and 构成 like '**' and 构成 like '**' and 构成 like "
           u"'**'"_qs +
               kEmptyRest;
}

void TestQueryTextMatch::statement_latinNameAndHerbs() {
    QFETCH(QString, name);
    QFETCH(QString, herb2);
    QFETCH(QString, effect1);
    QFETCH(QString, expected);
    Criteria c;
    c.name = name;
    c.herbs[1] = herb2;
    c.effects[0] = effect1;
    QCOMPARE(buildQueryStatement(c, QString()), expected);
}

void TestQueryTextMatch::query_findsAsMeant_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("herb");
    QTest::addColumn<QString>("effect");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("initials") << u"gzt"_qs << QString() << QString() << QStringList{u"桂枝汤"_qs};
    QTest::newRow("full pinyin") << u"guizhitang"_qs << QString() << QString() << QStringList{u"桂枝汤"_qs};
    QTest::newRow("initials of a traditional name")
        << u"xqlt"_qs << QString() << QString() << QStringList{u"小青龍湯"_qs};
    QTest::newRow("traditional criterion") << u"桂枝湯"_qs << QString() << QString() << QStringList{u"桂枝汤"_qs};
    QTest::newRow("simplified criterion, traditional row")
        << u"青龙"_qs << QString() << QString() << QStringList{u"小青龍湯"_qs};
    QTest::newRow("herb in both scripts") << QString() << u"干姜"_qs << QString() << QStringList{u"小青龍湯"_qs};
    QTest::newRow("herb alias") << QString() << u"黄芪"_qs << QString() << QStringList{u"黄芪桂枝五物汤"_qs};
    QTest::newRow("herb by initials") << QString() << u"gs"_qs << QString() << QStringList{u"甘遂半夏汤"_qs};
    QTest::newRow("herb by pinyin, traditional row")
        << QString() << u"xixin"_qs << QString() << QStringList{u"小青龍湯"_qs};
    QTest::newRow("effects are not read as pinyin") << QString() << QString() << u"jj"_qs << QStringList{};
}

void TestQueryTextMatch::query_findsAsMeant() {
    QFETCH(QString, name);
    QFETCH(QString, herb);
    QFETCH(QString, effect);
    QFETCH(QStringList, found);
    Criteria c;
    c.name = name;
    c.herbs[0] = herb;
    c.effects[0] = effect;
    store::Database db = m_dir->open();
    auto rows = runQuery(db, c, kSortByName);
    QVERIFY2(rows.ok(), qPrintable(rows ? QString() : rows.error().description));
    QCOMPARE(names(*rows), found);
}

void TestQueryTextMatch::warning_text_data() {
    QTest::addColumn<QString>("composition");
    QTest::addColumn<QString>("warning");
    QTest::newRow("one pair") << u"甘遂，半夏，芍药，甘草。"_qs << u"构成中有配伍禁忌：甘草 反 甘遂。"_qs;
    QTest::newRow("two pairs") << u"甘草，甘遂，海藻。"_qs << u"构成中有配伍禁忌：甘草 反 海藻；甘草 反 甘遂。"_qs;
    QTest::newRow("none") << u"桂枝，芍药，甘草。"_qs << QString();
}

void TestQueryTextMatch::warning_text() {
    QFETCH(QString, composition);
    QFETCH(QString, warning);
    QCOMPARE(incompatibilityWarning(composition), warning);
}

void TestQueryTextMatch::window_typingPinyinInName_listsThePrescription() {
    QueryForm* form = open();
    QCOMPARE(form->resultModel().rowCount(), 5);
    auto* name = child<QLineEdit>(form, "Txtmcyc");
    name->setFocus();
    QTest::keyClicks(name, u"gzt"_qs);
    QCOMPARE(name->text(), u"gzt"_qs);
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    form->finishFill();
    QCOMPARE(form->resultModel().rowCount(), 1);
    QCOMPARE(form->resultModel().text(0, 0), u"桂枝汤"_qs);
    store::Database db = m_dir->open();
    const auto view = testing::rows(db, u"SELECT sql FROM sqlite_master WHERE name = '000'"_qs);
    QVERIFY(!view.isEmpty());
    QVERIFY2(view.first().first().contains(u"WHERE pinyinlike(名称,'*gzt*') and 构成 like '**'"_qs),
             qPrintable(view.first().first()));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryTextMatch::window_typingPinyinInHerb_listsWhatHoldsIt() {
    QueryForm* form = open();
    auto* herb = child<QLineEdit>(form, "TxtFjY2");
    herb->setFocus();
    QTest::keyClicks(herb, u"mahuang"_qs);
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    form->finishFill();
    QStringList listed;
    for (int r = 0; r < form->resultModel().rowCount(); ++r) {
        listed << form->resultModel().text(r, 0);
    }
    QCOMPARE(listed, (QStringList{u"麻黄汤"_qs, u"小青龍湯"_qs}));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryTextMatch::window_detailPage_showsForbiddenPairs() {
    QueryForm* form = open();
    auto* grid = child<QTableView>(form, "MSFGrid");
    auto* warning = child<QLabel>(form, "LabPwjj");
    QVERIFY(warning != nullptr);
    auto clickName = [&](const QString& name) {
        int row = -1;
        for (int r = 0; r < form->resultModel().rowCount(); ++r) {
            if (form->resultModel().text(r, 0) == name) {
                row = r;
            }
        }
        QVERIFY(row >= 0);
        const QModelIndex index = grid->model()->index(row, 0);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualRect(index).center());
    };
    clickName(u"甘遂半夏汤"_qs);
    QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 1);
    QCOMPARE(warning->text(), u"构成中有配伍禁忌：甘草 反 甘遂。"_qs);
    QVERIFY(warning->isVisibleTo(form));
    // The line stands under the composition box, clear of it, and as wide.
    auto* composition = child<QWidget>(form, "TxtFjgc");
    QTRY_VERIFY(warning->geometry().top() > composition->geometry().bottom());
    QCOMPARE(warning->geometry().left(), composition->geometry().left());
    QCOMPARE(warning->width(), composition->width());
    const int designedHeight = composition->geometry().bottom() - composition->geometry().top() + 1 +
                               (warning->geometry().bottom() - composition->geometry().bottom());
    QTest::mouseClick(child<QPushButton>(form, "CmdCkba"), Qt::LeftButton);
    QCOMPARE(warning->text(), QString());
    clickName(u"桂枝汤"_qs);
    QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 1);
    QCOMPARE(warning->text(), QString());
    // Without a pair the box has the line's place back.
    QVERIFY(!warning->isVisibleTo(form));
    QTRY_COMPARE(composition->height(), designedHeight);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

QTEST_MAIN(TestQueryTextMatch)
#include "test_query_textmatch.moc"
