// The query window driven through its controls.
#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include "xlsx_reader.h"

#include "platform/busy.h"
#include "platform/kept_size.h"
#include "query/query_form.h"
#include "query/result_model.h"
#include "store/schema.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
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

    void window_leastSize_controlsAtTheirDesignedPlaces_data();
    void window_leastSize_controlsAtTheirDesignedPlaces();
    void window_resized_gridShowsMoreRowsAndAllColumns_controlsKeepTheirSize();
    void window_sizeAndMaximizedKeptAcrossOpenings();
    void window_keptSizeBelowTheLeast_opensAtTheLeast();
    void keys_ctrlF_f5_esc();
    void export_thousandRows_csvAndWorkbookHoldWhatFangjiCliLists_data();
    void export_thousandRows_csvAndWorkbookHoldWhatFangjiCliLists();
    void export_emptyResult_headerOnly_cancelWritesNothing();
    void export_textBeyondAnExcelCell_refusedNoFile();
    void export_offeredByButtonAndGridRightClick();

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

// ------------------------------------------------------------------ size, keys, export

void TestQueryForm::window_leastSize_controlsAtTheirDesignedPlaces_data() {
    // Places on the tab pages, in pixels of the pages (15 twips a pixel).
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("名称") << u"Txtmcyc"_qs << QRect(64, 8, 144, 22);
    QTest::newRow("方剂来源") << u"Cbofjly"_qs << QRect(284, 8, 332, 22);
    QTest::newRow("药材2") << u"TxtFjY2"_qs << QRect(268, 40, 144, 22);
    QTest::newRow("功效3") << u"Cboycgx3"_qs << QRect(472, 72, 144, 22);
    QTest::newRow("临床1") << u"Cbofjlc1"_qs << QRect(64, 136, 144, 22);
    QTest::newRow("查询") << u"Cmdseek"_qs << QRect(644, 8, 97, 24);
    QTest::newRow("退出") << u"Cmdexit"_qs << QRect(644, 72, 97, 24);
    QTest::newRow("排序") << u"CboFjpx"_qs << QRect(644, 136, 97, 22);
    QTest::newRow("grid") << u"MSFGrid"_qs << QRect(16, 168, 753, 265);
    QTest::newRow("detail 名称") << u"TxtFjmc"_qs << QRect(60, 16, 197, 22);
    QTest::newRow("detail 来源") << u"TxtFjly"_qs << QRect(310, 16, 267, 22);
    QTest::newRow("detail 构成") << u"TxtFjgc"_qs << QRect(60, 48, 709, 73);
    QTest::newRow("detail 主治") << u"TxtFjzz"_qs << QRect(60, 184, 709, 49);
    QTest::newRow("detail 应用心得") << u"TxtFjlc"_qs << QRect(60, 352, 709, 81);
    QTest::newRow("返回首页") << u"CmdCkba"_qs << QRect(592, 16, 81, 24);
}

void TestQueryForm::window_leastSize_controlsAtTheirDesignedPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    {
        store::Database db = m_dir->open();
        seed(db);
    }
    QueryForm* form = open();
    const QSize least(11775 / 15, 7185 / 15);
    QCOMPARE(form->size(), least);
    QCOMPARE(form->minimumSize(), least);
    form->resize(300, 200);
    QCOMPARE(form->size(), least);
    QWidget* w = form->findChild<QWidget*>(name);
    QVERIFY(w != nullptr);
    // A page is laid out when it shows.
    child<QTabWidget>(form, "SSTab1")->setCurrentWidget(w->parentWidget());
    QTRY_COMPARE(w->geometry(), place);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

namespace {
// The last data row the grid shows whole, and whether every column shows without scrolling.
int lastWholeRow(QTableView* grid) {
    int row = grid->rowAt(grid->viewport()->height() - 1);
    if (row < 0) {
        return grid->model()->rowCount() - 1;
    }
    return grid->rowViewportPosition(row) + grid->rowHeight(row) <= grid->viewport()->height() ? row : row - 1;
}
bool allColumnsShow(QTableView* grid) {
    const int last = grid->model()->columnCount() - 1;
    return grid->columnViewportPosition(0) >= 0 &&
           grid->columnViewportPosition(last) + grid->columnWidth(last) <= grid->viewport()->width();
}
} // namespace

void TestQueryForm::window_resized_gridShowsMoreRowsAndAllColumns_controlsKeepTheirSize() {
    {
        store::Database db = m_dir->open();
        QVERIFY(db.begin().ok());
        for (int i = 0; i < 60; ++i) {
            QVERIFY(testing::addPrescription(
                db, rx(u"方%1"_qs.arg(i, 2, 10, QLatin1Char('0')), u"桂枝"_qs, u"解表"_qs, u"伤寒论"_qs)));
        }
        QVERIFY(db.commit().ok());
    }
    QueryForm* form = open();
    auto* grid = child<QTableView>(form, "MSFGrid");
    const int rowsBefore = lastWholeRow(grid);
    QVERIFY(!allColumnsShow(grid)); // the fifth column needs sideways scrolling
    QWidget* name = child<QWidget>(form, "Txtmcyc");
    QWidget* seekButton = child<QWidget>(form, "Cmdseek");
    const QRect nameBefore = name->geometry();
    const QRect seekBefore = seekButton->geometry();
    const QRect gridBefore = grid->geometry();

    form->resize(1600, 900);
    QCOMPARE(form->size(), QSize(1600, 900));
    QTRY_VERIFY(grid->width() > 1500);
    QVERIFY2(lastWholeRow(grid) > rowsBefore + 10, qPrintable(QString::number(lastWholeRow(grid))));
    QVERIFY(allColumnsShow(grid));
    QCOMPARE(grid->geometry().topLeft(), gridBefore.topLeft());
    // Boxes and buttons keep their size and their places.
    QCOMPARE(name->geometry(), nameBefore);
    QCOMPARE(seekButton->geometry(), seekBefore);
    // The detail page's multi-line boxes grow with the window, the one-line boxes do not.
    auto* tabs = child<QTabWidget>(form, "SSTab1");
    tabs->setCurrentIndex(1);
    QTRY_VERIFY(child<QWidget>(form, "TxtFjgc")->width() > 1500);
    QVERIFY(child<QWidget>(form, "TxtFjlc")->height() > 81);
    QCOMPARE(child<QWidget>(form, "TxtFjmc")->size(), QSize(197, 22));
    // The column widths stay as they are kept.
    QCOMPARE(grid->horizontalHeader()->sectionSize(1), 4500 / 15);
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::window_sizeAndMaximizedKeptAcrossOpenings() {
    {
        store::Database db = m_dir->open();
        seed(db);
    }
    QueryForm* form = open();
    form->resize(1600, 900);
    QTest::mouseClick(child<QPushButton>(form, "Cmdexit"), Qt::LeftButton);
    QCOMPARE(m_session->unlockCount, 1);
    store::Database db = m_dir->open();
    QCOMPARE(testing::rows(db, u"SELECT \"01\", \"02\", \"03\", \"04\", \"17\" FROM 系统附表 WHERE \"00\" = 202"_qs),
             (QList<QStringList>{{u"24000"_qs, u"13500"_qs, u"0"_qs, u"0"_qs, u"0"_qs}}));

    form = open();
    QCOMPARE(form->size(), QSize(1600, 900));
    QVERIFY(!form->isShownMaximized());
    // Maximized: kept as such, with the size it goes back to.
    form->showMaximized();
    QTRY_VERIFY(form->isShownMaximized());
    form->close(); // the close box keeps it too
    QTRY_VERIFY(m_form.isNull());
    QCOMPARE(testing::rows(db, u"SELECT \"01\", \"02\", \"03\" FROM 系统附表 WHERE \"00\" = 202"_qs),
             (QList<QStringList>{{u"24000"_qs, u"13500"_qs, u"1"_qs}}));
    form = open();
    QTRY_VERIFY(form->isShownMaximized());
    QCOMPARE(form->normalSize(), QSize(1600, 900));
    // The grid's widths are still kept in their own row.
    QCOMPARE(testing::rows(db, u"SELECT count(*) FROM 系统附表 WHERE \"00\" = 104"_qs),
             (QList<QStringList>{{u"1"_qs}}));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::window_keptSizeBelowTheLeast_opensAtTheLeast() {
    {
        store::Database db = m_dir->open();
        seed(db);
        QVERIFY(platform::writeKeptSize(db, platform::kQueryWindowKey, {1500, 1500, false}).ok());
    }
    QueryForm* form = open();
    QCOMPARE(form->size(), QSize(11775 / 15, 7185 / 15));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::keys_ctrlF_f5_esc() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    auto* tabs = child<QTabWidget>(form, "SSTab1");
    clickRow(form, 0);
    QCOMPARE(tabs->currentIndex(), 1);
    QWidget* detail = child<QWidget>(form, "TxtFjgc");
    detail->setFocus();
    // Ctrl+F: back to the first criterion.
    QTest::keyClick(detail, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), 0);
    auto* name = child<QLineEdit>(form, "Txtmcyc");
    QTRY_VERIFY(name->hasFocus());
    // F5 runs the query with the criteria as they stand.
    testing::typeText(name, u"麻黄"_qs);
    QTest::keyClick(name, Qt::Key_F5);
    QCOMPARE(gridNames(form), QStringList{u"麻黄汤"_qs});
    // Esc leaves as 退出 does: widths kept, menus given back once.
    QTest::keyClick(name, Qt::Key_Escape);
    QVERIFY(form->isUnloading());
    QCOMPARE(m_session->unlockCount, 1);
    QCOMPARE(testing::rows(db, u"SELECT count(*) FROM 系统附表 WHERE \"00\" = 104"_qs),
             (QList<QStringList>{{u"1"_qs}}));
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

namespace {

// The eight texts of each line of fangji-cli's JSON Lines output, in its order.
QList<QStringList> cliRows(const QStringList& arguments) {
    QProcess cli;
    cli.start(QCoreApplication::applicationDirPath() + u"/fangji-cli"_qs, arguments);
    if (!cli.waitForFinished(120000) || cli.exitCode() != 0) {
        qWarning("fangji-cli %s: %s", qPrintable(arguments.join(u' ')), cli.readAllStandardError().constData());
        return {};
    }
    QList<QStringList> rows;
    const QStringList columns = query::exportColumnNames();
    for (const QByteArray& line : cli.readAllStandardOutput().split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        // Qt's reader drops a U+FEFF that starts a string; as an escape it keeps it.
        const QJsonObject o = QJsonDocument::fromJson(QByteArray(line).replace("\xEF\xBB\xBF", "\\ufeff")).object();
        QStringList row;
        for (const QString& c : columns) {
            row << o.value(c).toString();
        }
        rows << row;
    }
    return rows;
}

QList<QStringList> exportedRows(const QString& path, bool workbook) {
    QList<QStringList> rows;
    if (workbook) {
        rows = testing::readXlsxSheet(path).value_or(QList<QStringList>{});
    } else {
        // The CSV as fangji-cli add reads it: UTF-8 after its byte order mark, RFC 4180.
        QByteArray data = testing::readFile(path);
        if (!data.startsWith("\xEF\xBB\xBF")) {
            return {};
        }
        const QString text = QString::fromUtf8(data.mid(3));
        QStringList row;
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (quoted) {
                if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else if (c == u'"') {
                    quoted = false;
                } else {
                    field += c;
                }
            } else if (c == u'"') {
                quoted = true;
            } else if (c == u',') {
                row << std::exchange(field, QString());
            } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                row << std::exchange(field, QString());
                rows << std::exchange(row, QStringList());
                ++i;
            } else {
                field += c;
            }
        }
    }
    for (QStringList& row : rows) {
        while (row.size() < 8) {
            row << QString();
        }
    }
    return rows;
}

} // namespace

void TestQueryForm::export_thousandRows_csvAndWorkbookHoldWhatFangjiCliLists_data() {
    QTest::addColumn<bool>("workbook");
    QTest::newRow("CSV") << false;
    QTest::newRow("Excel") << true;
}

void TestQueryForm::export_thousandRows_csvAndWorkbookHoldWhatFangjiCliLists() {
    QFETCH(bool, workbook);
    {
        store::Database db = m_dir->open();
        QVERIFY(db.begin().ok());
        // Quotes, commas, every kind of line break, CJK beyond the basic plane, a leading
        // U+FEFF, blanks at the ends and escape-like texts, in a thousand prescriptions.
        const QStringList odd = {u"\"引\"号,逗号"_qs, u"一\r\n二\r三\n四"_qs, QChar(0xFEFF) + u"开头"_qs,
                                 u" 前后 "_qs,        u"_x0041_"_qs,          u"𠀀𪚥"_qs};
        for (int i = 0; i < 1000; ++i) {
            QStringList texts;
            texts << u"方%1"_qs.arg((i * 7919) % 1000, 4, 10, QLatin1Char('0'));
            for (int c = 1; c < 8; ++c) {
                texts << odd[(i + c) % odd.size()] + QString::number(c);
            }
            QVERIFY(testing::addPrescription(db, texts));
        }
        QVERIFY(db.commit().ok());
    }
    QueryForm* form = open();
    form->finishFill();
    QCOMPARE(form->resultModel().rowCount(), 1000);
    QTemporaryDir out;
    const QString path = out.filePath(workbook ? u"结果.xlsx"_qs : u"结果.csv"_qs);
    m_prompts->expectSaveFile(path).expectMessage(u"已导出 1000 个方剂到 "_qs + path);
    form->findChild<QAction*>(workbook ? u"ExportXlsx"_qs : u"ExportCsv"_qs)->trigger();
    FANGJI_VERIFY_PROMPTS(*m_prompts);
    QVERIFY(!platform::isBusyPointer());

    const QList<QStringList> rows = exportedRows(path, workbook);
    QCOMPARE(rows.value(0), query::exportColumnNames());
    // The grid's order is the query's: fangji-cli search with no criteria lists the same.
    const QList<QStringList> searched =
        cliRows({u"--data-dir"_qs, m_dir->dataDir(), u"search"_qs, u"--format"_qs, u"jsonl"_qs});
    QCOMPARE(searched.size(), 1000);
    QCOMPARE(rows.mid(1), searched);
    // And the texts are those fangji-cli export writes.
    QList<QStringList> exported =
        cliRows({u"--data-dir"_qs, m_dir->dataDir(), u"export"_qs, u"--format"_qs, u"jsonl"_qs});
    QList<QStringList> mine = rows.mid(1);
    std::sort(exported.begin(), exported.end());
    std::sort(mine.begin(), mine.end());
    QCOMPARE(mine, exported);
}

void TestQueryForm::export_emptyResult_headerOnly_cancelWritesNothing() {
    m_prompts->expectMessage(kNoMatch); // an empty table: nothing listed when the window opens
    QueryForm* form = open();
    QCOMPARE(form->resultModel().rowCount(), 0);
    QTemporaryDir out;
    // Cancelling the dialog writes nothing and says nothing.
    m_prompts->expectSaveFile(QString());
    form->findChild<QAction*>(u"ExportCsv"_qs)->trigger();
    QVERIFY(QDir(out.path()).isEmpty());
    const QString path = out.filePath(u"空"_qs); // the suffix is added
    m_prompts->expectSaveFile(path).expectMessage(u"已导出 0 个方剂到 "_qs + path + u".xlsx"_qs);
    form->findChild<QAction*>(u"ExportXlsx"_qs)->trigger();
    QCOMPARE(exportedRows(path + u".xlsx"_qs, true), QList<QStringList>{query::exportColumnNames()});
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::export_textBeyondAnExcelCell_refusedNoFile() {
    {
        store::Database db = m_dir->open();
        QStringList texts = rx(u"长方"_qs, u"桂枝"_qs, u"解表"_qs, u"伤寒论"_qs);
        texts[store::ColComposition] = QString(40000, QChar(0x6842));
        QVERIFY(testing::addPrescription(db, texts));
    }
    QueryForm* form = open();
    QTemporaryDir out;
    const QString path = out.filePath(u"长.xlsx"_qs);
    m_prompts->expectSaveFile(path).expectMessage(
        u"方剂“长方”的构成有 40000 个字符，超过 Excel 一格所能容纳的 32767 个，不能导出为 Excel；可导出为 CSV。"_qs);
    form->findChild<QAction*>(u"ExportXlsx"_qs)->trigger();
    QVERIFY(QDir(out.path()).isEmpty());
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

void TestQueryForm::export_offeredByButtonAndGridRightClick() {
    store::Database db = m_dir->open();
    seed(db);
    QueryForm* form = open();
    auto* button = child<QPushButton>(form, "CmdExport");
    QCOMPARE(button->text(), u"导出&X"_qs);
    auto* menu = child<QMenu>(form, "pupExport");
    QCOMPARE(button->menu(), menu);
    QStringList captions;
    for (QAction* a : menu->actions()) {
        captions << a->text();
    }
    QCOMPARE(captions, (QStringList{u"导出为 CSV…"_qs, u"导出为 Excel…"_qs}));
    // Beside 帮助, on its row.
    auto* help = child<QPushButton>(form, "CmdHelp");
    QCOMPARE(button->y(), help->y());
    QVERIFY(button->x() > help->x() + help->width());
    // No other button of the window uses its access key, nor does a main menu (D F W H Q).
    for (QPushButton* b : form->findChildren<QPushButton*>()) {
        QVERIFY2(b == button || !b->text().contains(u"&X"_qs), qPrintable(b->text()));
    }
    // A right click on the grid offers the same commands.
    auto* grid = child<QTableView>(form, "MSFGrid");
    const QPoint at = grid->visualRect(grid->model()->index(0, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &click);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
    FANGJI_VERIFY_PROMPTS(*m_prompts);
}

QTEST_MAIN(TestQueryForm)

#include "test_query_form.moc"
