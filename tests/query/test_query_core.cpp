// The query window's logic without widgets: statements, the grid's rows, store operations.
#include "test_env.h"

#include "query/grid_rows.h"
#include "query/query_statement.h"
#include "query/query_store.h"
#include "query/result_model.h"
#include "store/jet_sql.h"
#include "store/schema.h"

#include <QTest>

#include <sqlite3.h>

using namespace fangji;
using namespace fangji::query;
using fangji::testing::TestDataDir;

namespace {

// The fourteen criteria in the window's order: 名称, 来源, three 药材, three 功效, three 主治, three 临床.
Criteria criteriaOf(const QStringList& texts) {
    Criteria c;
    c.name = texts[0];
    c.source = texts[1];
    for (int i = 0; i < 3; ++i) {
        c.herbs[i] = texts[2 + i];
        c.effects[i] = texts[5 + i];
        c.indications[i] = texts[8 + i];
        c.clinical[i] = texts[11 + i];
    }
    return c;
}

// Prescriptions: name, composition, effects, indications, usage, source, clinical use, notes.
QStringList rx(const QString& name, const QString& composition, const QString& effects = QStringLiteral("清热"),
               const QString& indications = QStringLiteral("发热"), const QString& source = QStringLiteral("伤寒论"),
               const QString& clinical = QStringLiteral("感冒")) {
    return {name,     composition,           effects, indications, QStringLiteral("水煎服"), source,
            clinical, QStringLiteral("心得")};
}

QStringList names(const GridRows& rows) {
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        out << rows.text(r, 0);
    }
    return out;
}

} // namespace

class TestQueryCore : public QObject {
    Q_OBJECT

private slots:
    void statement_exactText_data();
    void statement_exactText();
    void trimBlanks_onlySpaces_data();
    void trimBlanks_onlySpaces();
    void fullListingStatement_bySortText_data();
    void fullListingStatement_bySortText();
    void detailStatement_quoteDoubled();
    void gridFormat_headersAndAlignment();
    void gridRows_trimsAndKeepsText_data();
    void gridRows_trimsAndKeepsText();
    void resultModel_fiveColumnsHeadersAndCells();

    void query_criteria_data();
    void query_criteria();
    void query_orderBy_followsSortText();
    void query_storedControlCharacters_data();
    void query_storedControlCharacters();
    void detail_findsANameWithControlCharacters_data();
    void detail_findsANameWithControlCharacters();
    void fullListing_stripsOneFinalFullStopEachTime();
    void stripStatement_isTheSystemsText();
    void readingStatement_sameRowsInTheSameOrder_data();
    void readingStatement_sameRowsInTheSameOrder();
    void readingStatement_sortsTheMatchesOfATableScan();
    void stripSourceFullStop_changesTheRowsTheSystemsStatementChanges_data();
    void stripSourceFullStop_changesTheRowsTheSystemsStatementChanges();
    void stripSourceFullStop_findsTheRowsThroughTheSourceIndex();
    void storingAQuery_oneCommitEach();
    void gridReader_slicesEndWithEveryRowInOrder();
    void fullListing_nullsShowEmpty_andNullNameFirstIsNoContent();
    void fullListing_unknownSort_listsOnlyEmptyNames();
    void detail_readsEightTexts_nullAsEmpty();
    void lists_fourSources_nullsLeftOut();
    void widths_missingRow_defaults();
    void widths_writeThenRead_roundTrip();
    void widths_existingRow_keepsValues6And7_zeroesRest();
    void widths_valueNotANumber_keepsCurrent();
};

void TestQueryCore::statement_exactText_data() {
    QTest::addColumn<QStringList>("texts"); // name, source, herbs 1-3, effects 1-3, indications 1-3, clinical 1-3
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("expected");

    const QString empty14 =
        QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 like '**' and 构成 like '**' and 构成 like '**' and 构成 "
                       "like '**' and 功效 like '**' and 功效 like '**' and 功效 like '**' and 主治 like '**' and "
                       "主治 like '**' and 主治 like '**' and 应用 like '**' and 应用 like '**' and 应用 like '**' "
                       "and 来源 like '**'");
    QTest::newRow("empty, by name") << QStringList(14, QString()) << QStringLiteral("名称")
                                    << empty14 + QStringLiteral("order by 名称");
    QTest::newRow("empty, by effects") << QStringList(14, QString()) << QStringLiteral("功效")
                                       << empty14 + QStringLiteral("order by 功效");
    QTest::newRow("empty, no sort") << QStringList(14, QString()) << QString() << empty14;

    QTest::newRow("all fourteen")
        << QStringList{QStringLiteral("桂枝"), QStringLiteral("伤寒"),  QStringLiteral("芍药"), QStringLiteral("甘草"),
                       QStringLiteral("大枣"), QStringLiteral("解肌"),  QStringLiteral("发表"), QStringLiteral("调和"),
                       QStringLiteral("头痛"), QStringLiteral("发热"),  QStringLiteral("汗出"), QStringLiteral("感冒"),
                       QStringLiteral("流感"), QStringLiteral("荨麻疹")}
        << QStringLiteral("功效")
        << QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 like '*桂枝*' and 构成 like '*芍药*' and 构成 like "
                          "'*甘草*' and 构成 like '*大枣*' and 功效 like '*解肌*' and 功效 like '*发表*' and 功效 "
                          "like '*调和*' and 主治 like '*头痛*' and 主治 like '*发热*' and 主治 like '*汗出*' and "
                          "应用 like '*感冒*' and 应用 like '*流感*' and 应用 like '*荨麻疹*' and 来源 like "
                          "'*伤寒*'order by 功效");

    QStringList quoted(14, QString());
    quoted[0] = QStringLiteral("O'Neil");
    quoted[2] = QStringLiteral("a*b?[c]#");
    QStringList controls(14, QString());
    controls[0] = u"桂\u0000枝"_qs;
    controls[13] = u"a'\u001b"_qs;
    QTest::newRow("control characters outside the quotes")
        << controls << QString()
        << QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 like '*桂'||char(0)||'枝*' and 构成 like '**' and 构成 "
                          "like '**' and 构成 like '**' and 功效 like '**' and 功效 like '**' and 功效 like '**' and "
                          "主治 like '**' and 主治 like '**' and 主治 like '**' and 应用 like '**' and 应用 like '**' "
                          "and 应用 like '*a'''||char(27)||'*' and 来源 like '**'");

    QTest::newRow("quote doubled, pattern kept")
        << quoted << QStringLiteral("名称")
        << QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 like '*O''Neil*' and 构成 like '*a*b?[c]#*' and 构成 "
                          "like '**' and 构成 like '**' and 功效 like '**' and 功效 like '**' and 功效 like '**' and "
                          "主治 like '**' and 主治 like '**' and 主治 like '**' and 应用 like '**' and 应用 like '**' "
                          "and 应用 like '**' and 来源 like '**'order by 名称");
}

void TestQueryCore::statement_exactText() {
    QFETCH(QStringList, texts);
    QFETCH(QString, sort);
    QFETCH(QString, expected);
    const Criteria c = criteriaOf(texts);
    QCOMPARE(buildQueryStatement(c, sort), expected);
}

void TestQueryCore::trimBlanks_onlySpaces_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("outer blanks") << QStringLiteral("  桂枝 汤  ") << QStringLiteral("桂枝 汤");
    QTest::newRow("only blanks") << QStringLiteral("   ") << QString();
    QTest::newRow("line break kept") << QStringLiteral("\n桂枝 ") << QStringLiteral("\n桂枝");
    QTest::newRow("ideographic space kept") << QStringLiteral("\u3000桂枝") << QStringLiteral("\u3000桂枝");
    QTest::newRow("tab kept") << QStringLiteral("\t桂枝\t") << QStringLiteral("\t桂枝\t");
}

void TestQueryCore::trimBlanks_onlySpaces() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(trimBlanks(text), expected);
}

void TestQueryCore::fullListingStatement_bySortText_data() {
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("expected");
    QTest::newRow("名称") << QStringLiteral("名称") << QStringLiteral("SELECT  * FROM 中医方剂 ORDER BY 名称");
    QTest::newRow("功效") << QStringLiteral("功效") << QStringLiteral("SELECT  * FROM 中医方剂 ORDER BY 功效");
    QTest::newRow("empty") << QString() << QStringLiteral("SELECT  * FROM 中医方剂 WHERE 名称=''");
    QTest::newRow("other") << QStringLiteral("主治") << QStringLiteral("SELECT  * FROM 中医方剂 WHERE 名称=''");
}

void TestQueryCore::fullListingStatement_bySortText() {
    QFETCH(QString, sort);
    QFETCH(QString, expected);
    QCOMPARE(fullListingStatement(sort), expected);
}

void TestQueryCore::detailStatement_quoteDoubled() {
    QCOMPARE(detailStatement(QStringLiteral("桂枝汤")), QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 = '桂枝汤'"));
    QCOMPARE(detailStatement(QStringLiteral("a'b")), QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 = 'a''b'"));
}

void TestQueryCore::gridFormat_headersAndAlignment() {
    using A = GridHeader::Align;
    const QList<GridHeader> expected = {{QStringLiteral("名 称"), A::Left},
                                        {QStringLiteral("组 成"), A::Left},
                                        {QStringLiteral("功 效"), A::Left},
                                        {QStringLiteral("主 治"), A::Left},
                                        {QStringLiteral("方剂临床应用"), A::Default}};
    QCOMPARE(parseGridFormat(kGridFormat), expected);
    const QList<GridHeader> marks = {
        {QStringLiteral("a"), A::Center}, {QStringLiteral("b"), A::Right}, {{}, A::Default}};
    QCOMPARE(parseGridFormat(QStringLiteral("^a|>b|")), marks);
}

void TestQueryCore::gridRows_trimsAndKeepsText_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("plain") << QStringList{QStringLiteral("桂枝汤"), QStringLiteral("桂枝 芍药"), QStringLiteral("解肌"),
                                          QStringLiteral("头痛"), QStringLiteral("感冒")}
                           << QStringList{QStringLiteral("桂枝汤"), QStringLiteral("桂枝 芍药"), QStringLiteral("解肌"),
                                          QStringLiteral("头痛"), QStringLiteral("感冒")};
    QTest::newRow("blanks trimmed") << QStringList{QStringLiteral(" a "), QStringLiteral("  "), QStringLiteral("b  "),
                                                   QStringLiteral("  c"), QStringLiteral(" \n ")}
                                    << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"),
                                                   QStringLiteral("c"), QStringLiteral("\n")};
    QTest::newRow("outside the basic plane")
        << QStringList{QStringLiteral("𠀋方"), QString(), QString(), QString(), QStringLiteral("é")}
        << QStringList{QStringLiteral("𠀋方"), QString(), QString(), QString(), QStringLiteral("é")};
}

void TestQueryCore::gridRows_trimsAndKeepsText() {
    QFETCH(QStringList, cells);
    QFETCH(QStringList, expected);
    GridRows rows;
    rows.append({QStringLiteral("前"), QStringLiteral("x"), QString(), QString(), QString()});
    rows.append(cells);
    rows.append({QStringLiteral("后"), QString(), QString(), QString(), QStringLiteral("y")});
    QCOMPARE(rows.rowCount(), 3);
    for (int c = 0; c < GridRows::kColumns; ++c) {
        QCOMPARE(rows.text(1, c), expected[c]);
    }
    // The neighbours are untouched by the row between them.
    QCOMPARE(rows.text(0, 1), QStringLiteral("x"));
    QCOMPARE(rows.text(2, 4), QStringLiteral("y"));
    QCOMPARE(rows.text(3, 0), QString());
}

void TestQueryCore::resultModel_fiveColumnsHeadersAndCells() {
    ResultModel model;
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("名 称"));
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("方剂临床应用"));
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
    QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    GridRows rows;
    rows.append(
        {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"), QStringLiteral("丁"), QStringLiteral("戊")});
    model.setRows(std::move(rows));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 4)).toString(), QStringLiteral("戊"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
}

void TestQueryCore::query_criteria_data() {
    QTest::addColumn<QStringList>("texts"); // as in statement_exactText
    QTest::addColumn<QStringList>("expected");
    auto only = [](int index, const QString& text) {
        QStringList t(14, QString());
        t[index] = text;
        return t;
    };
    QStringList both = only(2, QStringLiteral("麻黄"));
    both[3] = QStringLiteral("杏仁");
    QTest::newRow("herbs 1 and 2 both required, any order")
        << both << QStringList{QStringLiteral("麻黄汤"), QStringLiteral("麻杏石甘汤")};
    QTest::newRow("all empty: nulls never match")
        << QStringList(14, QString())
        << QStringList{QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"), QStringLiteral("麻杏石甘汤"),
                       QStringLiteral("星*散"), QStringLiteral("O'Neil方")};
    QTest::newRow("quote matches itself")
        << only(0, QStringLiteral("O'Neil")) << QStringList{QStringLiteral("O'Neil方")};
    QTest::newRow("star keeps its meaning")
        << only(0, QStringLiteral("麻*汤")) << QStringList{QStringLiteral("麻黄汤"), QStringLiteral("麻杏石甘汤")};
    QTest::newRow("bracket keeps its meaning")
        << only(0, QStringLiteral("[*]")) << QStringList{QStringLiteral("星*散")};
    QTest::newRow("source") << only(1, QStringLiteral("金匮")) << QStringList{QStringLiteral("星*散")};
    QTest::newRow("third clinical") << only(13, QStringLiteral("哮喘")) << QStringList{QStringLiteral("麻杏石甘汤")};
    QTest::newRow("nothing") << only(5, QStringLiteral("不存在")) << QStringList();
}

void TestQueryCore::query_criteria() {
    QFETCH(QStringList, texts);
    QFETCH(QStringList, expected);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("麻黄汤"), QStringLiteral("麻黄 桂枝 杏仁 甘草"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("麻杏石甘汤"), QStringLiteral("杏仁 石膏 麻黄"),
                                            QStringLiteral("清肺"), QStringLiteral("喘"), QStringLiteral("伤寒论"),
                                            QStringLiteral("哮喘"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("桂枝汤"), QStringLiteral("桂枝 芍药"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("O'Neil方"), QStringLiteral("a"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("星*散"), QStringLiteral("b"), QStringLiteral("x"),
                                            QStringLiteral("y"), QStringLiteral("金匮要略"))));
    QStringList withNull = rx(QStringLiteral("无来源汤"), QStringLiteral("麻黄 杏仁"));
    withNull[store::ColSource] = QString();
    QVERIFY(testing::addPrescription(db, withNull));

    const Criteria c = criteriaOf(texts);
    auto rows = runQuery(db, c, kSortByName);
    QVERIFY2(rows.ok(), rows.ok() ? "" : qPrintable(rows.error().description));
    QCOMPARE(names(*rows), expected);
    QCOMPARE(rows->hasContent(), !expected.isEmpty());
    // The statement stays behind as the one stored query "000".
    QCOMPARE(*db.queryDefNames(), QStringList{QStringLiteral("000")});
}

// A file written by an earlier version may hold control characters in any text; every
// criterion and the detail lookup must reach the engine whole (it ends a statement at a NUL).
void TestQueryCore::query_storedControlCharacters_data() {
    QTest::addColumn<int>("index"); // as in statement_exactText
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QStringList>("expected");
    const QString nulName = u"桂\u0000枝汤"_qs;
    QTest::newRow("NUL in the name") << 0 << u"\u0000枝"_qs << QStringList{nulName};
    QTest::newRow("whole name with NUL") << 0 << nulName << QStringList{nulName};
    QTest::newRow("NUL alone") << 0 << u"\u0000"_qs << QStringList{nulName};
    QTest::newRow("no NUL matches both") << 0 << u"枝汤"_qs << QStringList{u"桂枝汤"_qs, nulName};
    QTest::newRow("NUL in a source") << 1 << u"伤寒\u0000"_qs << QStringList{nulName};
    QTest::newRow("escape in a herb") << 3 << u"芍\u001b"_qs << QStringList{u"桂枝汤"_qs};
    QTest::newRow("unit separator in an effect") << 6 << u"\u001f"_qs << QStringList();
    QTest::newRow("NUL with a quote") << 13 << u"'\u0000"_qs << QStringList{u"桂枝汤"_qs};
    QTest::newRow("NUL with a pattern") << 0 << u"?\u0000*汤"_qs << QStringList{nulName};
}

void TestQueryCore::query_storedControlCharacters() {
    QFETCH(int, index);
    QFETCH(QString, criterion);
    QFETCH(QStringList, expected);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(
        testing::addPrescription(db, rx(u"桂\u0000枝汤"_qs, u"桂枝"_qs, u"清热"_qs, u"发热"_qs, u"伤寒\u0000论"_qs)));
    QVERIFY(testing::addPrescription(
        db, rx(u"桂枝汤"_qs, u"桂枝 芍\u001b药"_qs, u"清热"_qs, u"发热"_qs, u"伤寒论"_qs, u"感冒'\u0000"_qs)));
    QStringList texts(14, QString());
    texts[index] = criterion;
    const Criteria c = criteriaOf(texts);
    QVERIFY(!buildQueryStatement(c, kSortByName).contains(QChar(0)));
    auto rows = runQuery(db, c, kSortByName);
    QVERIFY2(rows.ok(), rows.ok() ? "" : qPrintable(rows.error().description));
    QStringList found = names(*rows);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(found, expected);
}

void TestQueryCore::detail_findsANameWithControlCharacters_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("statementTail"); // the literal the statement ends with
    QTest::newRow("NUL") << u"桂\u0000枝汤"_qs << u"'桂'||char(0)||'枝汤'"_qs;
    QTest::newRow("NUL at the end") << u"麻黄汤\u0000"_qs << u"'麻黄汤'||char(0)||''"_qs;
    QTest::newRow("bell and quote") << u"a'\u0007b"_qs << u"'a'''||char(7)||'b'"_qs;
    QTest::newRow("tab and line break kept") << u"a\tb\r\nc"_qs << u"'a\tb\r\nc'"_qs;
}

void TestQueryCore::detail_findsANameWithControlCharacters() {
    QFETCH(QString, name);
    QFETCH(QString, statementTail);
    QCOMPARE(detailStatement(name), u"SELECT * FROM 中医方剂 WHERE 名称 = "_qs + statementTail);
    TestDataDir dir;
    store::Database db = dir.open();
    QStringList texts = rx(name, u"构成"_qs);
    QVERIFY(testing::addPrescription(db, texts));
    QString cut = name;
    cut.remove(QChar(0));
    cut.remove(QChar(7));
    QVERIFY(testing::addPrescription(db, rx(cut + u"乙"_qs, u"别的"_qs)));
    auto found = lookupDetail(db, name);
    QVERIFY2(found.ok(), found.ok() ? "" : qPrintable(found.error().description));
    QVERIFY(found->has_value());
    QCOMPARE((**found)[0], name);
    QCOMPARE((**found)[1], u"构成"_qs);
    auto none = lookupDetail(db, name + QChar(0));
    QVERIFY2(none.ok(), none.ok() ? "" : qPrintable(none.error().description));
    QVERIFY(!none->has_value());
}

void TestQueryCore::query_orderBy_followsSortText() {
    TestDataDir dir;
    store::Database db = dir.open();
    // 安 (an) < 白 (bai) < 柴 (chai) in pinyin; the code points run the other way for 柴/白.
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("柴胡汤"), QStringLiteral("a"), QStringLiteral("白"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("白虎汤"), QStringLiteral("a"), QStringLiteral("柴"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("安宫丸"), QStringLiteral("a"), QStringLiteral("安"))));
    auto byName = runQuery(db, Criteria{}, kSortByName);
    QVERIFY(byName.ok());
    QCOMPARE(names(*byName),
             (QStringList{QStringLiteral("安宫丸"), QStringLiteral("白虎汤"), QStringLiteral("柴胡汤")}));
    auto byEffects = runQuery(db, Criteria{}, kSortByEffects);
    QVERIFY(byEffects.ok());
    QCOMPARE(names(*byEffects),
             (QStringList{QStringLiteral("安宫丸"), QStringLiteral("柴胡汤"), QStringLiteral("白虎汤")}));
    auto listing = fullListing(db, kSortByEffects);
    QVERIFY(listing.ok());
    QCOMPARE(names(*listing), names(*byEffects));
}

void TestQueryCore::fullListing_stripsOneFinalFullStopEachTime() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("甲方"), QStringLiteral("a"), QStringLiteral("e"),
                                            QStringLiteral("i"), QStringLiteral("伤寒论。。"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("乙方"), QStringLiteral("a"), QStringLiteral("e"),
                                            QStringLiteral("i"), QStringLiteral("。中。间"))));
    const QString sources = QStringLiteral("SELECT 来源 FROM 中医方剂 ORDER BY rowid");
    QVERIFY(fullListing(db, kSortByName).ok());
    QCOMPARE(testing::rows(db, sources),
             (QList<QStringList>{{QStringLiteral("伤寒论。")}, {QStringLiteral("。中。间")}}));
    QVERIFY(fullListing(db, kSortByName).ok());
    QCOMPARE(testing::rows(db, sources),
             (QList<QStringList>{{QStringLiteral("伤寒论")}, {QStringLiteral("。中。间")}}));
    QVERIFY(fullListing(db, kSortByName).ok());
    QCOMPARE(testing::rows(db, sources).first().first(), QStringLiteral("伤寒论"));
}

void TestQueryCore::stripStatement_isTheSystemsText() {
    QCOMPARE(kStripSourceStatement,
             QStringLiteral("UPDATE 中医方剂 SET 来源=left(来源,len(来源)-1) WHERE RIGHT(来源,1)='。'"));
}

void TestQueryCore::readingStatement_sameRowsInTheSameOrder_data() {
    QTest::addColumn<QStringList>("texts"); // as in statement_exactText
    QTest::addColumn<QString>("sort");
    auto only = [](int index, const QString& text) {
        QStringList t(14, QString());
        t[index] = text;
        return t;
    };
    for (const QString& sort : {kSortByName, kSortByEffects, QStringLiteral("其他")}) {
        const QByteArray by = sort.toUtf8();
        QTest::newRow(by + ": no criterion") << QStringList(14, QString()) << sort;
        QTest::newRow(by + ": name") << only(0, QStringLiteral("汤")) << sort;
        QTest::newRow(by + ": name in pinyin") << only(0, QStringLiteral("tang")) << sort;
        QTest::newRow(by + ": herb") << only(2, QStringLiteral("甘草")) << sort;
        QTest::newRow(by + ": effects, many equal") << only(5, QStringLiteral("清")) << sort;
        QTest::newRow(by + ": nothing") << only(13, QStringLiteral("不存在")) << sort;
        QTest::newRow(by + ": a star only") << only(1, QStringLiteral("*")) << sort;
    }
}

// The statement the rows are read with gives the rows of the system's statement, in its
// order, also among equal effects, Latin names of either case and names the Chinese order
// places apart from their code points.
void TestQueryCore::readingStatement_sameRowsInTheSameOrder() {
    QFETCH(QStringList, texts);
    QFETCH(QString, sort);
    TestDataDir dir;
    store::Database db = dir.open();
    const QStringList given = {u"枳实汤"_qs, u"阿胶散"_qs, u"Zeta汤"_qs,   u"alpha散"_qs,  u"白虎汤"_qs,
                               u"安宫丸"_qs, u"重楼汤"_qs, u"长沙丸"_qs,   u"Beta汤"_qs,   u"甘草汤"_qs,
                               u"桂枝汤"_qs, u"麻黄汤"_qs, u"大青龙汤"_qs, u"小柴胡汤"_qs, u"乌梅丸"_qs};
    const QStringList effects = {u"清热"_qs, u"清热"_qs, u"解表"_qs, u"清热"_qs, u"和解"_qs};
    for (int i = 0; i < given.size(); ++i) {
        QVERIFY(testing::addPrescription(db, rx(given[i], i % 2 == 0 ? u"甘草 桂枝"_qs : u"麻黄"_qs,
                                                effects[i % effects.size()], u"发热"_qs, u"伤寒论"_qs)));
    }
    const Criteria c = criteriaOf(texts);
    auto system = readGridRows(db, buildQueryStatement(c, sort));
    auto reading = readGridRows(db, readingStatement(c, sort));
    QVERIFY(system.ok() && reading.ok());
    QCOMPARE(names(*reading), names(*system));
    QCOMPARE(reading->rowCount(), system->rowCount());
}

void TestQueryCore::readingStatement_sortsTheMatchesOfATableScan() {
    TestDataDir dir;
    store::Database db = dir.open();
    auto plan = [&](const QString& jet) {
        QStringList steps;
        for (const QStringList& row : testing::rows(db, u"EXPLAIN QUERY PLAN "_qs + store::jet::translate(jet))) {
            steps << row.last();
        }
        return steps.join(u'|');
    };
    Criteria herb;
    herb.herbs[0] = u"桂枝"_qs;
    for (const QString& sort : {kSortByName, kSortByEffects}) {
        const QString scan = plan(readingStatement(herb, sort));
        QVERIFY2(scan.contains(u"SCAN TABLE 中医方剂"_qs) && !scan.contains(u"INDEX"_qs), qPrintable(scan));
        QVERIFY2(scan.contains(u"TEMP B-TREE FOR ORDER BY"_qs), qPrintable(scan));
        // Without a criterion every row matches: the rows come in the index's order at once.
        QCOMPARE(readingStatement(Criteria{}, sort), buildQueryStatement(Criteria{}, sort));
        QVERIFY2(plan(readingStatement(Criteria{}, sort)).contains(u"USING INDEX"_qs),
                 qPrintable(plan(readingStatement(Criteria{}, sort))));
    }
    // A name criterion alone, ordered by name: the name index tells the matches.
    Criteria name;
    name.name = u"桂枝"_qs;
    QCOMPARE(readingStatement(name, kSortByName), buildQueryStatement(name, kSortByName));
    QVERIFY2(plan(readingStatement(name, kSortByName)).contains(u"USING INDEX fjmci"_qs),
             qPrintable(plan(readingStatement(name, kSortByName))));
    QVERIFY2(plan(readingStatement(name, kSortByEffects)).contains(u"TEMP B-TREE FOR ORDER BY"_qs),
             qPrintable(plan(readingStatement(name, kSortByEffects))));
}

void TestQueryCore::stripSourceFullStop_changesTheRowsTheSystemsStatementChanges_data() {
    QTest::addColumn<QStringList>("sources");
    const QString null = QStringLiteral("<null>");
    QTest::newRow("plain and doubled") << QStringList{QStringLiteral("伤寒论。"), QStringLiteral("伤寒论。。"),
                                                      QStringLiteral("伤寒论")};
    QTest::newRow("null and empty") << QStringList{null, QString(), QStringLiteral("。")};
    QTest::newRow("inside only") << QStringList{QStringLiteral("。中。间"), QStringLiteral("间。 ")};
    QTest::newRow("beyond the BMP") << QStringList{QStringLiteral("𠀀。"), QStringLiteral("。𠀀")};
    QTest::newRow("look-alikes") << QStringList{QStringLiteral("方．"), QStringLiteral("方."), QStringLiteral("方｡")};
}

// The listing's strip finds the rows through the index on 来源; what it changes must be
// exactly what the system's own statement changes.
void TestQueryCore::stripSourceFullStop_changesTheRowsTheSystemsStatementChanges() {
    QFETCH(QStringList, sources);
    TestDataDir dir;
    store::Database db = dir.open();
    for (int i = 0; i < sources.size(); ++i) {
        QVERIFY(testing::addPrescription(db, rx(QStringLiteral("方%1").arg(i), QStringLiteral("a"), QStringLiteral("e"),
                                                QStringLiteral("i"), QStringLiteral("s"))));
    }
    auto setSources = [&] {
        auto set = db.prepareNative(QStringLiteral("UPDATE 中医方剂 SET 来源 = ? WHERE 名称 = ?"));
        QVERIFY(set.ok());
        for (int i = 0; i < sources.size(); ++i) {
            QVERIFY(set->reset().ok());
            QVERIFY(set->bind(1, sources[i] == QStringLiteral("<null>") ? QVariant() : QVariant(sources[i])).ok());
            QVERIFY(set->bind(2, QStringLiteral("方%1").arg(i)).ok());
            QVERIFY(set->step().ok());
        }
    };
    const QString read = QStringLiteral("SELECT 名称, 来源 FROM 中医方剂 ORDER BY rowid");
    setSources();
    QVERIFY(db.execute(kStripSourceStatement).ok());
    const QList<QStringList> systems = testing::rows(db, read);
    QCOMPARE(systems.size(), sources.size());
    setSources();
    QCOMPARE(testing::rows(db, read).size(), sources.size());
    QVERIFY(stripSourceFullStop(db).ok());
    QCOMPARE(testing::rows(db, read), systems);
}

// Each commit syncs the journal and the file; the stored query's replacement, and the
// listing's clean-up with it, are one commit each, and a failure leaves the former query.
void TestQueryCore::storingAQuery_oneCommitEach() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, rx(u"甲方"_qs, u"a"_qs, u"e"_qs, u"i"_qs, u"伤寒论。"_qs)));
    QVERIFY(storeScratchQuery(db, u"SELECT * FROM 中医方剂 order by 名称"_qs).ok());
    QVERIFY(db.createQueryDef(u"自存"_qs, u"SELECT 名称 FROM 中医方剂"_qs).ok());
    int commits = 0;
    sqlite3_commit_hook(
        db.handle(),
        [](void* count) {
            ++*static_cast<int*>(count);
            return 0;
        },
        &commits);
    QVERIFY(storeScratchQuery(db, buildQueryStatement(Criteria{}, kSortByName)).ok());
    QCOMPARE(commits, 1);
    QVERIFY(prepareFullListing(db, kSortByName).ok());
    QCOMPARE(commits, 2);
    QCOMPARE(testing::rows(db, u"SELECT 来源 FROM 中医方剂"_qs), QList<QStringList>{{u"伤寒论"_qs}});
    QCOMPARE(testing::rows(db, u"SELECT name FROM sqlite_master WHERE type = 'view'"_qs),
             QList<QStringList>{{u"000"_qs}});
    // A statement the engine refuses: the stored query stays as it was.
    QVERIFY(!storeScratchQuery(db, u"SELECT FROM WHERE"_qs).ok());
    QCOMPARE(testing::rows(db, u"SELECT name FROM sqlite_master WHERE type = 'view'"_qs),
             QList<QStringList>{{u"000"_qs}});
    sqlite3_commit_hook(db.handle(), nullptr, nullptr);
}

void TestQueryCore::stripSourceFullStop_findsTheRowsThroughTheSourceIndex() {
    TestDataDir dir;
    store::Database db = dir.open();
    const auto plan =
        testing::rows(db, QStringLiteral("EXPLAIN QUERY PLAN ") +
                              store::jet::translate(kStripSourceByIndexStatement, store::jet::Mode::Execute));
    QStringList steps;
    for (const QStringList& row : plan) {
        steps << row.last();
    }
    QVERIFY2(steps.filter(QStringLiteral("USING COVERING INDEX fjlyi")).size() == 1, qPrintable(steps.join(u'|')));
    QVERIFY2(steps.filter(QStringLiteral("USING INTEGER PRIMARY KEY")).size() == 1, qPrintable(steps.join(u'|')));
}

void TestQueryCore::gridReader_slicesEndWithEveryRowInOrder() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.begin().ok());
    for (int i = 0; i < 700; ++i) {
        // Names out of order, so that the listing's order is not the order of adding.
        const QString name = QStringLiteral("方%1").arg((i * 389) % 700, 3, 10, QLatin1Char('0'));
        QVERIFY(testing::addPrescription(db, rx(name, QStringLiteral(" 甘草%1 ").arg(i), QStringLiteral("e"),
                                                QStringLiteral("i"), QStringLiteral("伤寒论"))));
    }
    QVERIFY(db.commit().ok());
    QVERIFY(prepareFullListing(db, kSortByName).ok());
    auto whole = readGridRows(db, kScratchQuery);
    QVERIFY(whole.ok());
    QCOMPARE(whole->rowCount(), 700);

    // A budget of nothing reads the least slice each time: many slices, appended to the grid as they come.
    auto reader = GridReader::open(dir.open());
    QVERIFY(reader.ok());
    ResultModel model;
    int slices = 0;
    while (true) {
        GridRows slice;
        auto done = reader->read(slice, 0);
        QVERIFY(done.ok());
        model.appendRows(slice);
        ++slices;
        if (*done) {
            break;
        }
    }
    QVERIFY(slices > 5);
    QCOMPARE(model.rowCount(), whole->rowCount());
    for (int r = 0; r < whole->rowCount(); ++r) {
        for (int c = 0; c < GridRows::kColumns; ++c) {
            QCOMPARE(model.rows().cell(r, c), whole->cell(r, c));
        }
    }
    QCOMPARE(model.text(0, 0), QStringLiteral("方000"));
    QCOMPARE(model.text(699, 1), whole->text(699, 1));
    QVERIFY(model.rows().hasContent());

    // Read at once, the same rows again.
    auto again = GridReader::open(dir.open());
    QVERIFY(again.ok());
    GridRows all;
    QVERIFY(again->readAll(all).ok());
    QCOMPARE(all.rowCount(), 700);
    QCOMPARE(all.cell(350, 0), whole->cell(350, 0));
}

void TestQueryCore::fullListing_nullsShowEmpty_andNullNameFirstIsNoContent() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(
        db, {QStringLiteral("甲方"), QString(), QString(), QString(), QString(), QString(), QString(), QString()}));
    auto rows = fullListing(db, kSortByName);
    QVERIFY(rows.ok());
    QCOMPARE(rows->rowCount(), 1);
    QVERIFY(rows->hasContent());
    for (int c = 1; c < GridRows::kColumns; ++c) {
        QCOMPARE(rows->text(0, c), QString());
    }
    // A null name sorts first: the listing counts as empty.
    QVERIFY(testing::addPrescription(db, {QString(), QStringLiteral("x"), QStringLiteral("y")}));
    auto withNullName = fullListing(db, kSortByName);
    QVERIFY(withNullName.ok());
    QCOMPARE(withNullName->rowCount(), 2);
    QVERIFY(!withNullName->hasContent());
}

void TestQueryCore::fullListing_unknownSort_listsOnlyEmptyNames() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("甲方"), QStringLiteral("a"))));
    QVERIFY(testing::addPrescription(db, rx(QString(""), QStringLiteral("空名"))));
    auto rows = fullListing(db, QString());
    QVERIFY(rows.ok());
    QCOMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->text(0, 1), QStringLiteral("空名"));
}

void TestQueryCore::detail_readsEightTexts_nullAsEmpty() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QStringList full = {QStringLiteral("a'方"), QStringLiteral("构成"),          QStringLiteral("功效"),
                              QStringLiteral("主治"), QStringLiteral(" 用法 "),        QStringLiteral("来源"),
                              QStringLiteral("应用"), QStringLiteral("临床\r\n第二行")};
    QVERIFY(testing::addPrescription(db, full));
    QVERIFY(testing::addPrescription(
        db, {QStringLiteral("空方"), QString(), QString(), QString(), QString(), QString(), QString(), QString()}));
    auto found = lookupDetail(db, QStringLiteral("a'方"));
    QVERIFY(found.ok() && found->has_value());
    for (int c = 0; c < 8; ++c) {
        QCOMPARE((**found)[c], full[c]); // untrimmed
    }
    auto empty = lookupDetail(db, QStringLiteral("空方"));
    QVERIFY(empty.ok() && empty->has_value());
    QCOMPARE((**empty)[store::ColNotes], QString());
    auto none = lookupDetail(db, QStringLiteral("名 称"));
    QVERIFY(none.ok());
    QVERIFY(!none->has_value());
}

void TestQueryCore::lists_fourSources_nullsLeftOut() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 方剂功效 VALUES('清热'),('解表')")));
    QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 方剂主治 VALUES('头痛')")));
    QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 临床主治 VALUES('感冒'),(NULL)")));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("甲"), QStringLiteral("a"), QStringLiteral("e"),
                                            QStringLiteral("i"), QStringLiteral("伤寒论"))));
    QVERIFY(testing::addPrescription(db, rx(QStringLiteral("乙"), QStringLiteral("a"), QStringLiteral("e"),
                                            QStringLiteral("i"), QStringLiteral("伤寒论"))));
    QVERIFY(testing::addPrescription(
        db, rx(QStringLiteral("丙"), QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("i"), QString())));
    auto lists = readListSources(db);
    QVERIFY(lists.ok());
    QCOMPARE(lists->effects, (QStringList{QStringLiteral("清热"), QStringLiteral("解表")}));
    QCOMPARE(lists->indications, QStringList{QStringLiteral("头痛")});
    QCOMPARE(lists->sources, QStringList{QStringLiteral("伤寒论")});
    QCOMPARE(lists->clinical, QStringList{QStringLiteral("感冒")});
}

void TestQueryCore::widths_missingRow_defaults() {
    TestDataDir dir;
    store::Database db = dir.open();
    const ColumnWidths current = {1, 2, 3, 4, 5};
    QCOMPARE(readColumnWidths(db, current), (ColumnWidths{1400, 4500, 2000, 3000, 3000}));
}

void TestQueryCore::widths_writeThenRead_roundTrip() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.createQueryDef(QStringLiteral("mine"), QStringLiteral("SELECT * FROM 密码表")).ok());
    QVERIFY(writeColumnWidths(db, {1500, 4000, 2100, 3300, 2900}).ok());
    QCOMPARE(readColumnWidths(db), (ColumnWidths{1500, 4000, 2100, 3300, 2900}));
    const auto row = testing::rows(db, QStringLiteral("SELECT * FROM 系统附表"));
    QCOMPARE(row.size(), 1);
    QCOMPARE(row[0].mid(0, 8), (QStringList{QStringLiteral("104"), QStringLiteral("1500"), QStringLiteral("4000"),
                                            QStringLiteral("2100"), QStringLiteral("3300"), QStringLiteral("2900"),
                                            QStringLiteral("<null>"), QStringLiteral("0")}));
    QCOMPARE(row[0].mid(8), QStringList(10, QStringLiteral("0")));
    // Saving the widths removes every stored query.
    QVERIFY(db.queryDefNames()->isEmpty());
}

void TestQueryCore::widths_existingRow_keepsValues6And7_zeroesRest() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(
        testing::exec(db, QStringLiteral("INSERT INTO 系统附表 VALUES(104,1,2,3,4,5,3500,1600,9,9,9,9,9,9,9,9,9,9)")));
    QVERIFY(writeColumnWidths(db, {10, 20, 30, 40, 50}).ok());
    const auto row = testing::rows(db, QStringLiteral("SELECT * FROM 系统附表"));
    QCOMPARE(row.size(), 1);
    QCOMPARE(row[0].mid(0, 8),
             (QStringList{QStringLiteral("104"), QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                          QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("3500"), QStringLiteral("1600")}));
    QCOMPARE(row[0].mid(8), QStringList(10, QStringLiteral("0")));
}

void TestQueryCore::widths_valueNotANumber_keepsCurrent() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::exec(
        db, QStringLiteral("INSERT INTO 系统附表 VALUES(104,1200.5,'宽',NULL,2500,1301.5,0,0,0,0,0,0,0,0,0,0,0,0)")));
    const ColumnWidths current = {7, 8, 9, 10, 11};
    // Halves round to even, as a whole-number conversion does.
    QCOMPARE(readColumnWidths(db, current), (ColumnWidths{1200, 8, 9, 2500, 1302}));
}

QTEST_GUILESS_MAIN(TestQueryCore)

#include "test_query_core.moc"
