// The query window driven through its controls.
#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include "platform/busy.h"
#include "query/query_form.h"
#include "query/result_model.h"
#include "store/schema.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace fangji;
using fangji::query::QueryForm;
using fangji::testing::child;
using fangji::testing::FakeSession;
using fangji::testing::ScriptedPrompts;
using fangji::testing::TestDataDir;

namespace {

const QString kNoMatch = QStringLiteral("查询条件输入错误。");

QStringList rx(const QString& name, const QString& composition, const QString& effects, const QString& source,
               const QString& clinical = QStringLiteral("感冒")) {
    return {name,     composition,           effects, QStringLiteral("发热恶寒"), QStringLiteral("水煎服"), source,
            clinical, QStringLiteral("心得")};
}

// Three prescriptions; by name in pinyin: 桂枝汤 (gui), 麻黄汤 (ma), 小青龙汤 (xiao);
// by effects: 发汗 (fa) < 解肌 (jie) < 温肺 (wen).
void seed(store::Database& db) {
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("麻黄汤"), QStringLiteral("麻黄 桂枝 杏仁 甘草"),
                                            QStringLiteral("发汗解表"), QStringLiteral("伤寒论"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("桂枝汤"), QStringLiteral("桂枝 芍药 甘草 大枣"),
                                            QStringLiteral("解肌发表"), QStringLiteral("伤寒论"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("小青龙汤"), QStringLiteral("麻黄 芍药 细辛 桂枝"),
                                            QStringLiteral("温肺化饮"), QStringLiteral("金匮要略"),
                                            QStringLiteral("哮喘"))));
}

QStringList gridNames(QueryForm* form) {
    QStringList out;
    const auto& model = form->resultModel();
    for (int r = 0; r < model.rowCount(); ++r) {
        out << model.text(r, 0);
    }
    return out;
}

void clickRow(QueryForm* form, int row) {
    auto* grid = child<QTableView>(form, "MSFGrid");
    const QModelIndex index = grid->model()->index(row, 0);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualRect(index).center());
}

QString text(QWidget* form, const char* name) {
    QWidget* w = child<QWidget>(form, name);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        return line->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        return combo->currentText();
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(w)) {
        return box->toPlainText();
    }
    return QStringLiteral("<no control %1>").arg(QString::fromLatin1(name));
}

const char* const kCriteria[] = {"Txtmcyc",  "Cbofjly",  "TxtFjY1",  "TxtFjY2",  "TxtFjY3",  "Cboycgx1", "Cboycgx2",
                                 "Cboycgx3", "Cboyczz1", "Cboyczz2", "Cboyczz3", "Cbofjlc1", "Cbofjlc2", "Cbofjlc3"};
const char* const kDetail[] = {"TxtFjmc", "TxtFjgc", "TxtFjgx", "TxtFjzz", "TxtFjyf", "TxtFjly", "TxtFjyy", "TxtFjlc"};

QString storedQuery(store::Database& db) {
    const auto r = testing::rows(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '000'"));
    return r.isEmpty() ? QString() : r.first().first();
}

} // namespace

class TestQueryForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void open_listsEveryPrescriptionInFirstSortOrder();
    void open_emptyTable_saysNoMatchAndShowsHeaderOnly();
    void open_largeTable_gridFillsBetweenEventsAndEndsWithEveryRowInOrder();
    void open_controlsNamedCaptionedAndLabelled();
    void seek_allFourteenCriteria_storesExactStatement();
    void seek_herbs1And2_bothRequired();
    void seek_trimsCriteria_keepsInnerBlanks();
    void seek_quoteInCriterion_matchesItself();
    void seek_noMatch_messageClearsAndListsAll();
    void sortList_rerunsSameCriteria();
    void storedQuery_fillsGrid_emptyResultLeavesIt();
    void pickTerm_setsOnlyThatBox_andQueryRequiresIt();
    void rowClick_fillsDetailPage_backEmptiesIt();
    void rowClick_blankName_saysNothingToShow();
    void nulls_showAsEmptyCellsAndBoxes();
    void widths_defaults_thenPersistAcrossOpenings();
    void closeBox_savesWidthsAndGivesMenusBack();
    void source_twoFinalFullStops_loseOnePerListing();
    void keys_criteriaChain_data();
    void keys_criteriaChain();
    void keys_detailChain();
    void help_saysNoHelp_andWindowEnabledAgain();
    void newListing_startsAtItsFirstRow_data();
    void newListing_startsAtItsFirstRow();

private:
    QueryForm* open();

    std::unique_ptr<TestDataDir> m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<FakeSession> m_session;
    QPointer<QueryForm> m_form;
};

void TestQueryForm::init() {
    m_dir = std::make_unique<TestDataDir>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_session = std::make_unique<FakeSession>();
    m_session->locked = true;
}

void TestQueryForm::cleanup() {
    delete m_form.data();
    platform::setArrowPointer();
    m_session.reset();
    m_prompts.reset();
    m_dir.reset();
}

QueryForm* TestQueryForm::open() {
    delete m_form.data();
    m_form = new QueryForm(*m_session);
    m_form->show();
    QApplication::setActiveWindow(m_form);
    return m_form;
}

void TestQueryForm::open_listsEveryPrescriptionInFirstSortOrder() {
    store::Database db = m_dir->open();
    seed(db);
    db.close();
    QueryForm* form = open();
    QCOMPARE(gridNames(form),
             (QStringList{QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"), QStringLiteral("小青龙汤")}));
    auto* sort = child<QComboBox>(form, "CboFjpx");
    QCOMPARE(sort->count(), 2);
    QCOMPARE(sort->itemText(0), QStringLiteral("名称"));
    QCOMPARE(sort->itemText(1), QStringLiteral("功效"));
    QCOMPARE(sort->currentText(), QStringLiteral("名称"));
    QVERIFY(!sort->isEditable());
    QVERIFY(!platform::isBusyPointer());
    auto* grid = child<QTableView>(form, "MSFGrid");
    QCOMPARE(grid->model()->columnCount(), 5);
    QCOMPARE(grid->model()->rowCount(), 3); // plus the header row
    QCOMPARE(grid->horizontalHeader()->height(), 20);
    QCOMPARE(grid->rowHeight(2), 26);
    QCOMPARE(grid->model()->data(grid->model()->index(2, 4)).toString(), QStringLiteral("哮喘"));
    QCOMPARE(grid->model()->data(grid->model()->index(0, 1)).toString(), QStringLiteral("桂枝 芍药 甘草 大枣"));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::open_largeTable_gridFillsBetweenEventsAndEndsWithEveryRowInOrder() {
    constexpr int kRows = 20000;
    QStringList expected;
    {
        store::Database db = m_dir->open();
        QVERIFY(db.begin().ok());
        for (int i = 0; i < kRows; ++i) {
            // Added out of name order.
            const QString name = QStringLiteral("方%1").arg((i * 7919) % kRows, 5, 10, QLatin1Char('0'));
            QVERIFY(testing::addPrescription(db, {name, QStringLiteral("甘草"), QStringLiteral("解表"),
                                                  QStringLiteral("恶寒"), QStringLiteral("水煎服"),
                                                  QStringLiteral("伤寒论"), QStringLiteral("感冒"), QString()}));
        }
        QVERIFY(db.commit().ok());
        for (int i = 0; i < kRows; ++i) {
            expected << QStringLiteral("方%1").arg(i, 5, 10, QLatin1Char('0'));
        }
    }
    QueryForm* form = open();
    // The first rows are there at once; the rest arrives while the window handles its events.
    QVERIFY(form->resultModel().rowCount() > 0);
    QCOMPARE(form->resultModel().text(0, 0), expected.first());
    QTRY_VERIFY_WITH_TIMEOUT(!form->isFilling(), 60000);
    QCOMPARE(gridNames(form), expected);

    // 清屏 while a listing is still being read: the new listing replaces it, whole and in order.
    auto* sort = child<QComboBox>(form, "CboFjpx");
    sort->setCurrentIndex(1);
    form->CboFjpx_Click();
    form->Cmdqcls_Click();
    form->finishFill();
    QVERIFY(!form->isFilling());
    QCOMPARE(form->resultModel().rowCount(), kRows);
    const QStringList byEffects = gridNames(form);
    QCOMPARE(QSet<QString>(byEffects.begin(), byEffects.end()).size(), kRows);
    sort->setCurrentIndex(0);
    form->Cmdqcls_Click();
    form->finishFill();
    QCOMPARE(gridNames(form), expected);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::open_emptyTable_saysNoMatchAndShowsHeaderOnly() {
    m_prompts->expectMessage(kNoMatch);
    QueryForm* form = open();
    QCOMPARE(form->resultModel().rowCount(), 0);
    QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 0);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::open_controlsNamedCaptionedAndLabelled() {
    m_prompts->expectMessage(kNoMatch);
    QueryForm* form = open();
    QCOMPARE(form->objectName(), QStringLiteral("FrmFjfd"));
    QCOMPARE(form->windowTitle(), QStringLiteral("方剂查询浏览"));
    auto* tabs = child<QTabWidget>(form, "SSTab1");
    QCOMPARE(tabs->tabText(0), QStringLiteral("方剂查询"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("方剂具体内容"));
    const QList<QPair<const char*, QString>> buttons = {
        {"Cmdseek", QStringLiteral("查询&L")},   {"Cmdqcls", QStringLiteral("清屏&Q")},
        {"Cmdexit", QStringLiteral("退出&E")},   {"CmdHelp", QStringLiteral("帮助&H")},
        {"CmdCkba", QStringLiteral("返回首页")}, {"CmdLink", QStringLiteral("导入至门诊处方")}};
    for (const auto& [name, caption] : buttons) {
        auto* b = child<QPushButton>(form, name);
        QVERIFY(b != nullptr);
        QCOMPARE(b->text(), caption);
    }
    QVERIFY(child<QPushButton>(form, "CmdLink")->isHidden());
    QVERIFY(!child<QPushButton>(form, "CmdLink")->isEnabled());
    QCOMPARE(child<QLineEdit>(form, "Txtmcyc")->maxLength(), 20);
    // Every criterion and detail box is named by the label beside it.
    QHash<QWidget*, QString> buddies;
    for (QLabel* l : form->findChildren<QLabel*>()) {
        if (l->buddy() != nullptr) {
            buddies.insert(l->buddy(), l->text());
        }
    }
    for (const char* name : kCriteria) {
        QVERIFY2(buddies.contains(child<QWidget>(form, name)), name);
    }
    QCOMPARE(buddies.value(child<QWidget>(form, "Cbofjly")), QStringLiteral("方剂来源"));
    QCOMPARE(buddies.value(child<QWidget>(form, "Cbofjlc3")), QStringLiteral("临床3"));
    for (const char* name : kDetail) {
        auto* w = child<QWidget>(form, name);
        QVERIFY2(buddies.contains(w), name);
        QVERIFY2(w->property("readOnly").toBool(), name);
    }
    QCOMPARE(buddies.value(child<QWidget>(form, "TxtFjyy")), QStringLiteral("临床治疗"));
    QCOMPARE(buddies.value(child<QWidget>(form, "TxtFjlc")), QStringLiteral("应用心得"));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::seek_allFourteenCriteria_storesExactStatement() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    const QStringList typed = {QStringLiteral("桂枝"), QStringLiteral("伤寒"), QStringLiteral("桂枝"),
                               QStringLiteral("芍药"), QStringLiteral("大枣"), QStringLiteral("解肌"),
                               QStringLiteral("发表"), QStringLiteral("肌"),   QStringLiteral("发热"),
                               QStringLiteral("恶寒"), QStringLiteral("热恶"), QStringLiteral("感"),
                               QStringLiteral("冒"),   QStringLiteral("感冒")};
    for (int i = 0; i < 14; ++i) {
        testing::typeText(child<QWidget>(form, kCriteria[i]), typed[i]);
        QCOMPARE(text(form, kCriteria[i]), typed[i]);
    }
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("桂枝汤")});
    QCOMPARE(storedQuery(db),
             QStringLiteral("CREATE VIEW \"000\" AS SELECT * FROM 中医方剂 WHERE 名称 like '*桂枝*' and 构成 like "
                            "'*桂枝*' and 构成 like '*芍药*' and 构成 like '*大枣*' and 功效 like '*解肌*' and 功效 "
                            "like '*发表*' and 功效 like '*肌*' and 主治 like '*发热*' and 主治 like '*恶寒*' and 主治 "
                            "like '*热恶*' and 应用 like '*感*' and 应用 like '*冒*' and 应用 like '*感冒*' and 来源 "
                            "like '*伤寒*'order by 名称"));
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::seek_herbs1And2_bothRequired() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    testing::typeText(child<QWidget>(form, "TxtFjY1"), QStringLiteral("芍药"));
    testing::typeText(child<QWidget>(form, "TxtFjY2"), QStringLiteral("麻黄"));
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("小青龙汤")});
    child<QLineEdit>(form, "TxtFjY2")->setText(QStringLiteral("甘草"));
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("桂枝汤")});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::seek_trimsCriteria_keepsInnerBlanks() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    // Pasted text: blanks can only arrive this way.
    child<QLineEdit>(form, "TxtFjY1")->setText(QStringLiteral("  桂枝 芍药  "));
    child<QComboBox>(form, "Cboycgx1")->setEditText(QStringLiteral(" 解肌 "));
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(text(form, "TxtFjY1"), QStringLiteral("桂枝 芍药"));
    QCOMPARE(text(form, "Cboycgx1"), QStringLiteral("解肌"));
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("桂枝汤")});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::seek_quoteInCriterion_matchesItself() {
    store::Database db = m_dir->open();
    seed(db);
    QVERIFY(testing::addPrescription(
        db, rx(QStringLiteral("O'Neil散"), QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("s"))));
    QueryForm* form = open();
    QTest::keyClicks(child<QLineEdit>(form, "Txtmcyc"), QStringLiteral("O'N"));
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("O'Neil散")});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::seek_noMatch_messageClearsAndListsAll() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    testing::typeText(child<QWidget>(form, "TxtFjY1"), QStringLiteral("人参"));
    testing::typeText(child<QWidget>(form, "Cboycgx2"), QStringLiteral("解"));
    testing::typeText(child<QWidget>(form, "Cbofjlc3"), QStringLiteral("感"));
    m_prompts->expectMessage(kNoMatch);
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    for (const char* name : kCriteria) {
        QVERIFY2(text(form, name).isEmpty(), name);
    }
    // The full listing in the sort list's order.
    QCOMPARE(gridNames(form),
             (QStringList{QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"), QStringLiteral("小青龙汤")}));
    QVERIFY(!platform::isBusyPointer());
}

void TestQueryForm::sortList_rerunsSameCriteria() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    testing::typeText(child<QWidget>(form, "TxtFjY1"), QStringLiteral("桂枝"));
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form),
             (QStringList{QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"), QStringLiteral("小青龙汤")}));
    auto* sort = child<QComboBox>(form, "CboFjpx");
    sort->setFocus();
    QTest::keyClick(sort, Qt::Key_Down);
    QCOMPARE(sort->currentText(), QStringLiteral("功效"));
    QCOMPARE(gridNames(form),
             (QStringList{QStringLiteral("麻黄汤"), QStringLiteral("桂枝汤"), QStringLiteral("小青龙汤")}));
    QCOMPARE(text(form, "TxtFjY1"), QStringLiteral("桂枝"));
    QVERIFY(storedQuery(db).endsWith(
        QStringLiteral("构成 like '*桂枝*' and 构成 like '**' and 构成 like '**' and 功效 like "
                       "'**' and 功效 like '**' and 功效 like '**' and 主治 like '**' and "
                       "主治 like '**' and 主治 like '**' and 应用 like '**' and 应用 like "
                       "'**' and 应用 like '**' and 来源 like '**'order by 功效")));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::storedQuery_fillsGrid_emptyResultLeavesIt() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    QVERIFY(db.deleteAllQueryDefs().ok());
    QVERIFY(db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 中医方剂 WHERE 来源 = '金匮要略'"))
                .ok());
    QVERIFY(form->msfgridfjcx().ok());
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("小青龙汤")});
    QCOMPARE(form->resultModel().text(0, 4), QStringLiteral("哮喘"));
    QVERIFY(db.deleteAllQueryDefs().ok());
    QVERIFY(db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 = '无'")).ok());
    QVERIFY(form->msfgridfjcx().ok());
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("小青龙汤")});
    // Its errors go to the caller.
    QVERIFY(db.deleteAllQueryDefs().ok());
    QVERIFY(!form->msfgridfjcx().ok());
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::pickTerm_setsOnlyThatBox_andQueryRequiresIt() {
    store::Database db = m_dir->open();
    seed(db);
    QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 方剂功效 VALUES('发汗'),('解表'),('温肺')")));
    QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 临床主治 VALUES('哮喘')")));
    QueryForm* form = open();
    auto* effects2 = child<QComboBox>(form, "Cboycgx2");
    QCOMPARE(effects2->count(), 3);
    QCOMPARE(child<QComboBox>(form, "Cboycgx1")->count(), 3);
    QCOMPARE(child<QComboBox>(form, "Cbofjlc1")->count(), 1);
    QCOMPARE(child<QComboBox>(form, "Cbofjly")->count(), 2); // 伤寒论, 金匮要略
    effects2->setCurrentIndex(effects2->findText(QStringLiteral("温肺")));
    emit effects2->activated(effects2->currentIndex());
    QCOMPARE(effects2->currentText(), QStringLiteral("温肺"));
    for (const char* other : {"Cboycgx1", "Cboycgx3", "Cbofjly", "TxtFjY1"}) {
        QVERIFY2(text(form, other).isEmpty(), other);
    }
    QCOMPARE(form->resultModel().rowCount(), 3);
    QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("小青龙汤")});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::rowClick_fillsDetailPage_backEmptiesIt() {
    store::Database db = m_dir->open();
    seed(db);
    const QStringList all = {QStringLiteral("大青龙汤"), QStringLiteral("麻黄 石膏"),     QStringLiteral("发汗"),
                             QStringLiteral("外寒内热"), QStringLiteral(" 水煎 "),        QStringLiteral("伤寒论"),
                             QStringLiteral("流感"),     QStringLiteral("第一行\n第二行")};
    QVERIFY(testing::addPrescription(db, all));
    QueryForm* form = open();
    const int row = gridNames(form).indexOf(QStringLiteral("大青龙汤"));
    QVERIFY(row >= 0);
    clickRow(form, row);
    auto* tabs = child<QTabWidget>(form, "SSTab1");
    QCOMPARE(tabs->currentIndex(), 1);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(text(form, kDetail[i]), all[i]);
    }
    QCOMPARE(storedQuery(db), QStringLiteral("CREATE VIEW \"000\" AS SELECT * FROM 中医方剂 WHERE 名称 = '大青龙汤'"));
    QTest::mouseClick(child<QPushButton>(form, "CmdCkba"), Qt::LeftButton);
    QCOMPARE(tabs->currentIndex(), 0);
    for (const char* name : kDetail) {
        QVERIFY2(text(form, name).isEmpty(), name);
    }
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::rowClick_blankName_saysNothingToShow() {
    store::Database db = m_dir->open();
    seed(db);
    QVERIFY(testing::addPrescription(
        db, rx(QStringLiteral(" "), QStringLiteral("无名"), QStringLiteral("无"), QStringLiteral("无"))));
    QueryForm* form = open();
    const int row = form->resultModel().rows().rowCount() > 0 ? 0 : -1;
    QCOMPARE(form->resultModel().text(row, 1), QStringLiteral("无名"));
    m_prompts->expectMessage(QStringLiteral("未有要查询的方剂"));
    clickRow(form, row);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 0);
    QVERIFY(text(form, "TxtFjgc").isEmpty());
}

void TestQueryForm::nulls_showAsEmptyCellsAndBoxes() {
    store::Database db = m_dir->open();
    QVERIFY(testing::addPrescription(
        db, {QStringLiteral("空方"), QString(), QString(), QString(), QString(), QString(), QString(), QString()}));
    // The opening query excludes rows with nulls; the full listing that follows shows them.
    m_prompts->expectMessage(kNoMatch);
    QueryForm* form = open();
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("空方")});
    // Before the sort list is filled the listing finds only empty names: 清屏 lists by 名称.
    QTest::mouseClick(child<QPushButton>(form, "Cmdqcls"), Qt::LeftButton);
    QCOMPARE(gridNames(form), QStringList{QStringLiteral("空方")});
    for (int c = 1; c < 5; ++c) {
        QCOMPARE(form->resultModel().text(0, c), QString());
    }
    clickRow(form, 0);
    QCOMPARE(text(form, "TxtFjmc"), QStringLiteral("空方"));
    QCOMPARE(text(form, "TxtFjlc"), QString());
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::widths_defaults_thenPersistAcrossOpenings() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    auto* header = child<QTableView>(form, "MSFGrid")->horizontalHeader();
    const QList<int> defaults = {1400 / 15, 4500 / 15, 2000 / 15, 3000 / 15, 3000 / 15};
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(header->sectionSize(c), defaults[c]);
    }
    header->resizeSection(1, 250);
    QTest::mouseClick(child<QPushButton>(form, "Cmdexit"), Qt::LeftButton);
    QVERIFY(form->isUnloading());
    QVERIFY(form->isHidden());
    QCOMPARE(m_session->unlockCount, 1);
    QVERIFY(!m_session->locked);
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT \"01\", \"02\", \"03\" FROM 系统附表 WHERE \"00\" = 104")),
             (QList<QStringList>{{QStringLiteral("1400"), QStringLiteral("3750"), QStringLiteral("2000")}}));
    // 退出 leaves no stored query behind.
    QVERIFY(db.queryDefNames()->isEmpty());

    form = open();
    header = child<QTableView>(form, "MSFGrid")->horizontalHeader();
    QCOMPARE(header->sectionSize(0), defaults[0]);
    QCOMPARE(header->sectionSize(1), 250);
    QCOMPARE(header->sectionSize(4), defaults[4]);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::closeBox_savesWidthsAndGivesMenusBack() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    child<QTableView>(form, "MSFGrid")->horizontalHeader()->resizeSection(0, 120);
    form->close();
    QTRY_VERIFY(m_form.isNull());
    QCOMPARE(m_session->unlockCount, 1);
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT \"01\" FROM 系统附表 WHERE \"00\" = 104")),
             QList<QStringList>{{QStringLiteral("1800")}});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::source_twoFinalFullStops_loseOnePerListing() {
    store::Database db = m_dir->open();
    QVERIFY(testing::addPrescription(
        db, rx(QStringLiteral("甲方"), QStringLiteral("甲"), QStringLiteral("补"), QStringLiteral("伤寒论。。"))));
    const QString source = QStringLiteral("SELECT 来源 FROM 中医方剂");
    QueryForm* form = open();
    QCOMPARE(testing::rows(db, source), QList<QStringList>{{QStringLiteral("伤寒论。")}});
    clickRow(form, 0);
    QCOMPARE(text(form, "TxtFjly"), QStringLiteral("伤寒论。"));
    // The source list was read before the strip.
    QCOMPARE(child<QComboBox>(form, "Cbofjly")->itemText(0), QStringLiteral("伤寒论。。"));
    QTest::mouseClick(child<QPushButton>(form, "Cmdqcls"), Qt::LeftButton);
    QCOMPARE(testing::rows(db, source), QList<QStringList>{{QStringLiteral("伤寒论")}});
    QTest::mouseClick(child<QPushButton>(form, "Cmdqcls"), Qt::LeftButton);
    QCOMPARE(testing::rows(db, source), QList<QStringList>{{QStringLiteral("伤寒论")}});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::keys_criteriaChain_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("kept");
    QTest::newRow("empty name stays") << "Txtmcyc"
                                      << ""
                                      << "Txtmcyc"
                                      << "";
    QTest::newRow("name moves on") << "Txtmcyc"
                                   << "桂 枝"
                                   << "Cbofjly"
                                   << "桂枝";
    QTest::newRow("empty source stays") << "Cbofjly"
                                        << ""
                                        << "Cbofjly"
                                        << "";
    QTest::newRow("source moves on") << "Cbofjly"
                                     << "伤寒"
                                     << "TxtFjY1"
                                     << "伤寒";
    QTest::newRow("empty herb 1 moves on") << "TxtFjY1"
                                           << ""
                                           << "TxtFjY2"
                                           << "";
    QTest::newRow("herb 2 moves on") << "TxtFjY2"
                                     << "麻 黄"
                                     << "TxtFjY3"
                                     << "麻黄";
    QTest::newRow("empty herb 3 moves on") << "TxtFjY3"
                                           << ""
                                           << "Cboycgx1"
                                           << "";
    QTest::newRow("empty effect stays") << "Cboycgx1"
                                        << ""
                                        << "Cboycgx1"
                                        << "";
    QTest::newRow("effect 1 moves on") << "Cboycgx1"
                                       << "解 表"
                                       << "Cboycgx2"
                                       << "解表";
    QTest::newRow("effect 3 moves on") << "Cboycgx3"
                                       << "温"
                                       << "Cboyczz1"
                                       << "温";
    QTest::newRow("indication 2 moves on") << "Cboyczz2"
                                           << "热"
                                           << "Cboyczz3"
                                           << "热";
    QTest::newRow("indication 3 to 查询") << "Cboyczz3"
                                          << "寒"
                                          << "Cmdseek"
                                          << "寒";
    QTest::newRow("clinical keeps blanks, Enter stays") << "Cbofjlc1"
                                                        << "感 冒"
                                                        << "Cbofjlc1"
                                                        << "感 冒";
}

void TestQueryForm::keys_criteriaChain() {
    QFETCH(QString, from);
    QFETCH(QString, typed);
    QFETCH(QString, focus);
    QFETCH(QString, kept);
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    QVERIFY(QTest::qWaitForWindowActive(form));
    auto* source = child<QWidget>(form, from);
    source->setFocus();
    testing::typeText(source, typed);
    QCOMPARE(text(form, qPrintable(from)), kept);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(form->focusWidget()->objectName(), focus);
    QCOMPARE(text(form, qPrintable(from)), kept);
    // Enter never runs the query by itself.
    QCOMPARE(form->resultModel().rowCount(), 3);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::keys_detailChain() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    QVERIFY(QTest::qWaitForWindowActive(form));
    clickRow(form, 0);
    auto* name = child<QLineEdit>(form, "TxtFjmc");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Return);
    auto* composition = child<QPlainTextEdit>(form, "TxtFjgc");
    QCOMPARE(form->focusWidget(), composition);
    QCOMPARE(composition->textCursor().selectedText(), QStringLiteral("桂枝 芍药 甘草 大枣"));
    auto* usage = child<QPlainTextEdit>(form, "TxtFjyf");
    usage->setFocus();
    QTest::keyClick(usage, Qt::Key_Return);
    auto* notes = child<QPlainTextEdit>(form, "TxtFjlc");
    QCOMPARE(form->focusWidget(), notes);
    QVERIFY(!notes->textCursor().hasSelection());
    QCOMPARE(notes->textCursor().position(), notes->toPlainText().size());
    QTest::keyClick(notes, Qt::Key_Return);
    auto* source = child<QLineEdit>(form, "TxtFjly");
    QCOMPARE(form->focusWidget(), source);
    QTRY_COMPARE(source->selectedText(), QStringLiteral("伤寒论"));
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("CmdCkba"));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::help_saysNoHelp_andWindowEnabledAgain() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    m_prompts->expectMessage(QStringLiteral("本系统没有提供帮助。"));
    QTest::mouseClick(child<QPushButton>(form, "CmdHelp"), Qt::LeftButton);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    QVERIFY(form->isEnabled());
    QCOMPARE(m_session->unlockCount, 0);
}

void TestQueryForm::newListing_startsAtItsFirstRow_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("清屏 clicked") << "click";
    QTest::newRow("清屏 by Alt+Q") << "alt-q";
    QTest::newRow("empty query") << "seek";
    QTest::newRow("query by name") << "name";
    QTest::newRow("other sort order") << "sort";
}

void TestQueryForm::newListing_startsAtItsFirstRow() {
    QFETCH(QString, how);
    constexpr int kRows = 600;
    store::Database db = m_dir->open();
    QVERIFY(testing::exec(db, QStringLiteral("BEGIN")));
    for (int i = 0; i < kRows; ++i) {
        QVERIFY(testing::addPrescription(db, rx(QStringLiteral("方%1汤").arg(i, 3, 10, QLatin1Char('0')),
                                                QStringLiteral("桂枝 甘草"), QStringLiteral("解表%1").arg(kRows - i),
                                                QStringLiteral("伤寒论"))));
    }
    QVERIFY(testing::exec(db, QStringLiteral("COMMIT")));
    db.close();
    QueryForm* form = open();
    auto* grid = child<QTableView>(form, "MSFGrid");
    QCOMPARE(form->resultModel().rowCount(), kRows);
    const QString firstBefore = form->resultModel().text(0, 0);
    // Scrolled well down the listing, as dragging the scroll bar leaves it.
    QScrollBar* bar = grid->verticalScrollBar();
    QVERIFY(bar->maximum() > 100);
    bar->setValue(bar->maximum() - 10);
    QVERIFY(grid->rowAt(0) > 100);

    if (how == "click") {
        QTest::mouseClick(child<QPushButton>(form, "Cmdqcls"), Qt::LeftButton);
    } else if (how == "alt-q") {
        // The access key presses the button as a click that shows, letting go a moment later.
        QSignalSpy clicked(child<QPushButton>(form, "Cmdqcls"), &QPushButton::clicked);
        auto* name = child<QLineEdit>(form, "Txtmcyc");
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Q, Qt::AltModifier);
        QTRY_COMPARE(clicked.size(), 1);
    } else if (how == "seek") {
        QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    } else if (how == "name") {
        auto* name = child<QLineEdit>(form, "Txtmcyc");
        name->setFocus();
        testing::typeText(name, QStringLiteral("汤"));
        QTest::mouseClick(child<QPushButton>(form, "Cmdseek"), Qt::LeftButton);
    } else {
        auto* sort = child<QComboBox>(form, "CboFjpx");
        sort->setFocus();
        QTest::keyClick(sort, Qt::Key_Down);
        QCOMPARE(sort->currentText(), QStringLiteral("功效"));
    }
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    QCOMPARE(form->resultModel().rowCount(), kRows);
    // The listing really was read again: the other order starts elsewhere.
    QCOMPARE(form->resultModel().text(0, 0) != firstBefore, how == "sort");
    QCOMPARE(bar->value(), 0);
    QCOMPARE(grid->rowAt(0), 0);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(child<QTabWidget>(form, "SSTab1")->currentIndex(), 0);
}

QTEST_MAIN(TestQueryForm)

#include "test_query_form.moc"
