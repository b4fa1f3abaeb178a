// The store: keyed file, Jet SQL on SQLite, stored queries, table access.
#include "test_env.h"

#include "store/database.h"
#include "store/jet_sql.h"
#include "store/schema.h"
#include "store/template.h"

#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fangji;
using fangji::testing::TestDataDir;

class TestStore : public QObject {
    Q_OBJECT

private slots:
    void open_withKey_readsTables();
    void open_wrongKey_givesEngineErrorWithNumberAndDescription();
    void open_missingFile_givesError();
    void file_isEncrypted_noTextReadable();
    void reopen_usesDerivedKey_sameContent();
    void open_fileWithSmallPages_stillOpens();

    void translate_data();
    void translate();
    void like_data();
    void like();
    void like_null_neverMatches();
    void like_longBracketRuns_data();
    void like_longBracketRuns();
    void functions_countCharacters_data();
    void functions_countCharacters();
    void deleteStar_emptiesTable();
    void textEquality_ignoresLatinCase();
    void orderBy_followsPinyin();

    void queryDefs_deleteAll_thenCreate_onlyScratchRemains();
    void recordSet_emptyTableTest_data();
    void recordSet_emptyTableTest();
    void quote_inUserText_storedIntact_andCannotInject();
    void execute_refusesSecondStatement();
    void text_readBackAsStored_data();
    void text_readBackAsStored();
    void execute_insertRepeatedName_droppedSilently();
    void dictionary_repeatedTerm_refusedSilently();

    void table_seekOnNameIndex_exactMatch();
    void table_addEditUpdateDelete();
    void table_keepsWorkingWhenItsDatabaseMoves();
    void table_seekOnLayoutIndex_addsRow104();
    void table_appendChunk_buildsBlob();
    void template_hasSchemaAndEmptyFirstUseTables();
};

void TestStore::open_withKey_readsTables() {
    TestDataDir dir;
    auto db = store::Database::open(dir.databasePath(), store::kMainConnect);
    QVERIFY2(db.ok(), db.ok() ? "" : qPrintable(db.error().description));
    auto has = db->hasTable(store::table::kPrescriptions);
    QVERIFY(has.ok() && *has);
}

void TestStore::open_wrongKey_givesEngineErrorWithNumberAndDescription() {
    TestDataDir dir;
    auto db = store::Database::open(dir.databasePath(), QStringLiteral(";pwd=not-the-key"));
    QVERIFY(!db.ok());
    QCOMPARE(db.error().number, 26);
    QCOMPARE(db.error().description, QStringLiteral("file is encrypted or is not a database"));
    QVERIFY(!store::errorReport(db.error(), store::ReportLines::Two).contains(QStringLiteral("RwKe")));
    QCOMPARE(store::errorReport(db.error(), store::ReportLines::Two),
             QStringLiteral("错误号码：26\r\n错误内容：file is encrypted or is not a database"));
    QCOMPARE(store::errorReport(db.error(), store::ReportLines::One),
             QStringLiteral("错误号码：26错误内容：file is encrypted or is not a database"));
}

void TestStore::open_missingFile_givesError() {
    TestDataDir dir(false);
    auto db = store::Database::open(dir.databasePath(), store::kMainConnect);
    QVERIFY(!db.ok());
    QVERIFY(db.error().number != 0);
    QVERIFY(!QFile::exists(dir.databasePath())); // opening never creates the file
}

void TestStore::file_isEncrypted_noTextReadable() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(testing::addPrescription(db, {QStringLiteral("桂枝汤SecretName"), QStringLiteral("桂枝"),
                                              QStringLiteral("解肌"), QStringLiteral("外感"), QStringLiteral("煎服"),
                                              QStringLiteral("伤寒论")}));
    }
    QFile f(dir.databasePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    QVERIFY(!raw.contains("SecretName"));
    QVERIFY(!raw.contains(QStringLiteral("桂枝汤").toUtf8()));
    QVERIFY(!raw.contains(QStringLiteral("中医方剂").toUtf8()));
    QVERIFY(!raw.contains("CREATE TABLE"));
}

void TestStore::reopen_usesDerivedKey_sameContent() {
    TestDataDir dir;
    for (int i = 0; i < 3; ++i) {
        store::Database db = dir.open();
        QVERIFY(db.isOpen());
        QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 密码表 VALUES('u%1','p','1')").arg(i)));
    }
    store::Database db = dir.open();
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM 密码表")).value(0).value(0), QStringLiteral("3"));
}

void TestStore::open_fileWithSmallPages_stillOpens() {
    // A file written with the engine's former 1 KiB pages.
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("old.mdb"));
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(path.constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_key(raw, "RwKeQvBnTgLpYjc8265D", 20), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw,
                          "PRAGMA cipher_page_size = 1024; CREATE TABLE 密码表 (姓名 TEXT); "
                          "INSERT INTO 密码表 VALUES('旧文件');",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(raw);
    auto db = store::Database::open(dir.filePath("old.mdb"), store::kMainConnect);
    QVERIFY2(db.ok(), db.ok() ? "" : qPrintable(db.error().description));
    QCOMPARE(testing::rows(*db, "SELECT 姓名 FROM 密码表").value(0).value(0), QStringLiteral("旧文件"));
    // The wrong key still fails with the engine's own error.
    auto wrong = store::Database::open(dir.filePath("old.mdb"), QStringLiteral(";pwd=x"));
    QVERIFY(!wrong.ok());
    QCOMPARE(wrong.error().number, 26);
}

void TestStore::translate_data() {
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("delete star") << "DELETE * FROM 密码表"
                                 << "DELETE FROM 密码表";
    QTest::newRow("delete star lower") << "delete * FROM 用户资料"
                                       << "DELETE FROM 用户资料";
    QTest::newRow("left right len")
        << "UPDATE 中医方剂 SET 来源=left(来源,len(来源)-1) WHERE RIGHT(来源,1)='。'"
        << "UPDATE 中医方剂 SET 来源=\"left\"(来源,len(来源)-1) WHERE \"right\"(来源,1)='。'";
    QTest::newRow("inside literal untouched") << "SELECT * FROM t WHERE a='left(x) DELETE * FROM'"
                                              << "SELECT * FROM t WHERE a='left(x) DELETE * FROM'";
    QTest::newRow("doubled quote") << "SELECT * FROM t WHERE a='it''s left(' and b=right (c,1)"
                                   << "SELECT * FROM t WHERE a='it''s left(' and b=\"right\" (c,1)";
    QTest::newRow("identifier containing left") << "SELECT lefty FROM t"
                                                << "SELECT lefty FROM t";
}

void TestStore::translate() {
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(store::jet::translate(jet), sqlite);
}

void TestStore::like_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("star contains") << "*桂*"
                                   << "麻黄桂枝汤" << true;
    QTest::newRow("star contains no") << "*桂*"
                                      << "麻黄汤" << false;
    QTest::newRow("empty criterion") << "**"
                                     << "" << true;
    QTest::newRow("star alone") << "*"
                                << "任何" << true;
    QTest::newRow("whole match only") << "桂"
                                      << "桂枝" << false;
    QTest::newRow("exact") << "桂枝"
                           << "桂枝" << true;
    QTest::newRow("prefix") << "桂*"
                            << "桂枝汤" << true;
    QTest::newRow("suffix") << "*汤"
                            << "桂枝汤" << true;
    QTest::newRow("question one char") << "桂?汤"
                                       << "桂枝汤" << true;
    QTest::newRow("question not two") << "桂?汤"
                                      << "桂枝枝汤" << false;
    QTest::newRow("hash digit") << "*#克*"
                                << "甘草6克" << true;
    QTest::newRow("hash not letter") << "*#克*"
                                     << "甘草六克" << false;
    QTest::newRow("class") << "[甲乙]方"
                           << "乙方" << true;
    QTest::newRow("class no") << "[甲乙]方"
                              << "丙方" << false;
    QTest::newRow("negated class") << "[!甲乙]方"
                                   << "丙方" << true;
    QTest::newRow("negated class no") << "[!甲乙]方"
                                      << "甲方" << false;
    QTest::newRow("range") << "*[a-c]*"
                           << "xBy" << true;
    QTest::newRow("range no") << "[a-c]"
                              << "d" << false;
    QTest::newRow("latin case") << "*GuiZhi*"
                                << "guizhi tang" << true;
    QTest::newRow("latin case exact") << "ABC"
                                      << "abc" << true;
    QTest::newRow("percent is ordinary") << "*%*"
                                         << "abc" << false;
    QTest::newRow("percent matches itself") << "*5%*"
                                            << "含5%" << true;
    QTest::newRow("underscore ordinary") << "a_c"
                                         << "abc" << false;
    QTest::newRow("escaped star") << "*[*]*"
                                  << "a*b" << true;
    QTest::newRow("escaped star no") << "*[*]*"
                                     << "ab" << false;
    QTest::newRow("escaped bracket") << "*[[]*"
                                     << "a[b" << true;
    QTest::newRow("lone bracket literal") << "*[*"
                                          << "a[b" << true;
    QTest::newRow("backtracking") << "*ab*ab"
                                  << "xabyabab" << true;
    QTest::newRow("line break inside") << "*痛*"
                                       << "头\r\n痛" << true;
    QTest::newRow("several parts") << "*桂*芍*"
                                   << "桂枝，芍药" << true;
    QTest::newRow("several parts order") << "*芍*桂*"
                                         << "桂枝，芍药" << false;
}

void TestStore::like() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(store::jet::likeMatch(pattern.toUtf8(), text.toUtf8()), match);
    // And through the engine, as the statements use it.
    TestDataDir dir;
    store::Database db = dir.open();
    auto rs = db.openRecordSet(QStringLiteral("SELECT '%1' like '%2'")
                                   .arg(store::jet::escapeLiteral(text), store::jet::escapeLiteral(pattern)));
    QVERIFY(rs.ok());
    QCOMPARE(rs->field(0).toInt() == 1, match);
}

void TestStore::like_null_neverMatches() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, {QStringLiteral("甲"), QString(), QStringLiteral("a"), QStringLiteral("b"),
                                          QStringLiteral("c"), QStringLiteral("d")}));
    QVERIFY(testing::addPrescription(db, {QStringLiteral("乙"), QStringLiteral("x"), QStringLiteral("a"),
                                          QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    auto rs = db.openRecordSet(QStringLiteral("SELECT * FROM 中医方剂 WHERE 构成 like '**'"));
    QVERIFY(rs.ok());
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->text(0), QStringLiteral("乙"));
}

void TestStore::like_longBracketRuns_data() {
    // A "[" with no "]" after it stands for itself; one with a "]" after it opens a class.
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("match");
    const int n = 1000000;
    const QByteArray run(n, '[');
    QTest::newRow("run matches itself") << run << run << true;
    QTest::newRow("run one short") << run << QByteArray(n - 1, '[') << false;
    QTest::newRow("run one long") << run << QByteArray(n + 1, '[') << false;
    QTest::newRow("run then star") << run + '*' << run + "汤" << true;
    QTest::newRow("star then run") << '*' + run << "桂枝" + run << true;
    QTest::newRow("run then digit") << run + '#' << run + '7' << true;
    QTest::newRow("run then digit no") << run + '#' << run + 'x' << false;
    QTest::newRow("run closed at end is one class") << run + "a]" << QByteArray("a") << true;
    QTest::newRow("run closed at end one char only") << run + "a]" << QByteArray("[[") << false;
    QTest::newRow("class then run") << "[!a]" + run << 'b' + run << true;
    QTest::newRow("class then run no") << "[!a]" + run << 'a' + run << false;
}

void TestStore::like_longBracketRuns() {
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, text);
    QFETCH(bool, match);
    QCOMPARE(store::jet::likeMatch(pattern, text), match);
}

void TestStore::functions_countCharacters_data() {
    QTest::addColumn<QString>("expr");
    QTest::addColumn<QString>("result");
    QTest::newRow("len chinese") << "len('伤寒论。')"
                                 << "4";
    QTest::newRow("len empty") << "len('')"
                               << "0";
    QTest::newRow("left chinese") << "left('伤寒论。', 3)"
                                  << "伤寒论";
    QTest::newRow("right chinese") << "right('伤寒论。', 1)"
                                   << "。";
    QTest::newRow("RIGHT upper") << "RIGHT('金匮要略', 2)"
                                 << "要略";
    QTest::newRow("left beyond") << "left('方', 5)"
                                 << "方";
    QTest::newRow("right zero") << "right('方剂', 0)"
                                << "";
    QTest::newRow("len null") << "len(NULL) IS NULL"
                              << "1";
    QTest::newRow("left zero") << "left('方剂', 0)"
                               << "";
    QTest::newRow("right beyond") << "right('伤寒论', 9)"
                                  << "伤寒论";
    QTest::newRow("right mixed widths") << "right('a方𠀀é', 3)"
                                        << "方𠀀é";
    QTest::newRow("left mixed widths") << "left('a方𠀀é', 3)"
                                       << "a方𠀀";
    // Bytes that start no character count with the character before them, as before.
    QTest::newRow("right stray lead bytes") << "hex(right(x'80e696b9', 5))"
                                            << "E696B9";
    QTest::newRow("right stray bytes exact") << "hex(right(x'80e696b9', 1))"
                                             << "E696B9";
    QTest::newRow("left stray lead bytes") << "hex(left(x'80e696b9', 0))"
                                           << "80";
    QTest::newRow("right only continuation") << "hex(right(x'8080', 1))"
                                             << "";
    QTest::newRow("strip one full stop") << "left('伤寒论。', len('伤寒论。')-1) || right('伤寒论。',1)"
                                         << "伤寒论。";
}

void TestStore::functions_countCharacters() {
    QFETCH(QString, expr);
    QFETCH(QString, result);
    TestDataDir dir;
    store::Database db = dir.open();
    auto rs = db.openRecordSet(QStringLiteral("SELECT ") + expr);
    QVERIFY2(rs.ok(), rs.ok() ? "" : qPrintable(rs.error().description));
    QCOMPARE(rs->text(0), result);
}

void TestStore::deleteStar_emptiesTable() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.execute(QStringLiteral("INSERT INTO 密码表 VALUES('a','b','1')")).ok());
    QVERIFY(db.execute(QStringLiteral("DELETE * FROM 密码表")).ok());
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM 密码表")).value(0).value(0), QStringLiteral("0"));
}

void TestStore::textEquality_ignoresLatinCase() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.execute(QStringLiteral("INSERT INTO 密码表 VALUES('Admin','secret','1')")).ok());
    auto rs = db.openRecordSet(QStringLiteral("SELECT * FROM 密码表 WHERE 姓名='ADMIN'"));
    QVERIFY(rs.ok());
    QCOMPARE(rs->recordCount(), 1);
    QVERIFY(testing::addPrescription(db, {QStringLiteral("Xiao Chai Hu Tang")}));
    auto byName = db.openRecordSet(QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称='xiao chai hu tang'"));
    QVERIFY(byName.ok());
    QCOMPARE(byName->recordCount(), 1);
}

void TestStore::orderBy_followsPinyin() {
    TestDataDir dir;
    store::Database db = dir.open();
    // Pinyin: an (安) < bai (白) < chai (柴) < ma (麻) < zhi (枳)
    for (const QString& n : {QStringLiteral("麻黄汤"), QStringLiteral("枳实汤"), QStringLiteral("安宫牛黄丸"),
                             QStringLiteral("柴胡汤"), QStringLiteral("白虎汤")}) {
        QVERIFY(testing::addPrescription(db, {n}));
    }
    auto rs = db.openRecordSet(QStringLiteral("SELECT  * FROM 中医方剂 ORDER BY 名称"));
    QVERIFY(rs.ok());
    QStringList names;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        names << rs->text(0);
    }
    QCOMPARE(names, (QStringList{QStringLiteral("安宫牛黄丸"), QStringLiteral("白虎汤"), QStringLiteral("柴胡汤"),
                                 QStringLiteral("麻黄汤"), QStringLiteral("枳实汤")}));
}

void TestStore::queryDefs_deleteAll_thenCreate_onlyScratchRemains() {
    TestDataDir dir;
    store::Database db = dir.open();
    for (const QString& own : {QStringLiteral("用户查询"), QStringLiteral("a"), QStringLiteral("yhmc")}) {
        QVERIFY(db.createQueryDef(own, QStringLiteral("SELECT * FROM 密码表")).ok());
    }
    QCOMPARE(db.queryDefNames()->size(), 3);
    QVERIFY(db.deleteAllQueryDefs().ok());
    QVERIFY(db.queryDefNames()->isEmpty());
    QVERIFY(db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 用户资料")).ok());
    QCOMPARE(*db.queryDefNames(), QStringList{QStringLiteral("000")});
    auto rs = db.openRecordSet(QStringLiteral("000"));
    QVERIFY(rs.ok());
    QCOMPARE(rs->fieldCount(), 4);
    // Creating a name that exists is an engine error, not a silent replace.
    QVERIFY(!db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT 1")).ok());
}

void TestStore::recordSet_emptyTableTest_data() {
    QTest::addColumn<QString>("insert");
    QTest::addColumn<bool>("empty");
    QTest::newRow("no rows") << QString() << true;
    QTest::newRow("null first column") << "INSERT INTO 密码表 VALUES(NULL,'p','1')" << true;
    QTest::newRow("a user") << "INSERT INTO 密码表 VALUES('u','p','1')" << false;
    QTest::newRow("blank name counts as content") << "INSERT INTO 密码表 VALUES(' ','p','1')" << false;
}

void TestStore::recordSet_emptyTableTest() {
    QFETCH(QString, insert);
    QFETCH(bool, empty);
    TestDataDir dir;
    store::Database db = dir.open();
    if (!insert.isEmpty()) {
        QVERIFY(testing::exec(db, insert));
    }
    QVERIFY(db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 密码表")).ok());
    auto rs = db.openRecordSet(QStringLiteral("000"));
    QVERIFY(rs.ok());
    QCOMPARE(rs->isEmptyTable(), empty);
}

void TestStore::quote_inUserText_storedIntact_andCannotInject() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QString name = QStringLiteral("x' or '1'='1");
    QVERIFY(db.execute(QStringLiteral("INSERT INTO 密码表 VALUES('") + store::jet::escapeLiteral(name) +
                       QStringLiteral("','pw','1')"))
                .ok());
    auto rs =
        db.openRecordSet(QStringLiteral("SELECT * FROM 密码表 WHERE 姓名='") + store::jet::escapeLiteral(name) + u'\'');
    QVERIFY(rs.ok());
    QCOMPARE(rs->recordCount(), 1);
    QCOMPARE(rs->text(0), name);
    auto none = db.openRecordSet(QStringLiteral("SELECT * FROM 密码表 WHERE 姓名='") +
                                 store::jet::escapeLiteral(QStringLiteral("nobody' or '1'='1")) + u'\'');
    QVERIFY(none.ok());
    QCOMPARE(none->recordCount(), 0);
    // A stored query holding an escaped value keeps it as one literal.
    QVERIFY(db.createQueryDef(QStringLiteral("000"), QStringLiteral("SELECT * FROM 密码表 WHERE 姓名='") +
                                                         store::jet::escapeLiteral(name) + u'\'')
                .ok());
    QCOMPARE(db.openRecordSet(QStringLiteral("000"))->recordCount(), 1);
}

void TestStore::text_readBackAsStored_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("leading U+FEFF") << QStringLiteral("\uFEFF桂枝汤");
    QTest::newRow("two leading U+FEFF") << QStringLiteral("\uFEFF\uFEFF桂枝汤");
    QTest::newRow("U+FEFF inside") << QStringLiteral("桂枝\uFEFF汤");
    QTest::newRow("only U+FEFF") << QStringLiteral("\uFEFF");
    QTest::newRow("line breaks") << QStringLiteral("\r\n桂\r枝\n汤\r\n");
}

void TestStore::text_readBackAsStored() {
    QFETCH(QString, text);
    TestDataDir dir;
    store::Database db = dir.open();
    auto insert = db.prepareNative(QStringLiteral("INSERT INTO 密码表 VALUES(?1, 'pw', '1')"));
    QVERIFY(insert.ok());
    QVERIFY(insert->bind(1, text).ok());
    QVERIFY(insert->step().ok());
    insert = store::Statement();
    auto rs = db.openRecordSet(QStringLiteral("SELECT * FROM 密码表"));
    QVERIFY(rs.ok());
    QCOMPARE(rs->text(0), text);
    auto table = db.openTable(store::table::kPasswords);
    QVERIFY(table.ok());
    QVERIFY(table->moveFirst().ok());
    QCOMPARE(table->field(0).toString(), text);
}

void TestStore::execute_refusesSecondStatement() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(!db.execute(QStringLiteral("DELETE FROM 密码表; DROP TABLE 中医方剂")).ok());
    QVERIFY(*db.hasTable(store::table::kPrescriptions));
}

void TestStore::execute_insertRepeatedName_droppedSilently() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QString insert = QStringLiteral("INSERT INTO 中医方剂 VALUES('桂枝汤','a','b','c','d','e',' ','f')");
    QVERIFY(db.execute(insert).ok());
    QVERIFY(db.execute(insert).ok());
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM 中医方剂")).value(0).value(0), QStringLiteral("1"));
}

void TestStore::dictionary_repeatedTerm_refusedSilently() {
    TestDataDir dir;
    store::Database db = dir.open();
    for (const QString& table : {store::table::kEffects, store::table::kIndications, store::table::kClinical}) {
        for (int i = 0; i < 2; ++i) {
            QVERIFY(db.execute(QStringLiteral("INSERT INTO %1 Values('清热')").arg(table)).ok());
            auto stmt = db.prepareNative(QStringLiteral("INSERT INTO %1 VALUES(?1)").arg(table));
            QVERIFY(stmt.ok());
            QVERIFY(stmt->bind(1, QStringLiteral("清热")).ok());
            QVERIFY(stmt->step().ok());
        }
        QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM ") + table).value(0).value(0),
                 QStringLiteral("1"));
    }
}

void TestStore::table_seekOnNameIndex_exactMatch() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, {QStringLiteral("桂枝汤"), QStringLiteral("桂枝")}));
    QVERIFY(testing::addPrescription(db, {QStringLiteral("桂枝加葛根汤"), QStringLiteral("葛根")}));
    auto t = db.openTable(store::table::kPrescriptions);
    QVERIFY(t.ok());
    QVERIFY(t->setIndex(store::kNameIndex).ok());
    QVERIFY(t->seek(QStringLiteral("桂枝汤")).ok());
    QVERIFY(!t->noMatch());
    QCOMPARE(t->field(store::ColComposition).toString(), QStringLiteral("桂枝"));
    QVERIFY(t->seek(QStringLiteral("桂枝")).ok());
    QVERIFY(t->noMatch());
    QVERIFY(t->seek(QStringLiteral("it's")).ok());
    QVERIFY(t->noMatch());
}

// A table opened on a connection keeps working after the Database holding that
// connection is moved (returned from a function, put into a container).
void TestStore::table_keepsWorkingWhenItsDatabaseMoves() {
    TestDataDir dir;
    auto first = std::make_unique<store::Database>(dir.open());
    auto t = first->openTable(store::table::kPrescriptions);
    QVERIFY(t.ok());
    QVERIFY(t->setIndex(store::kNameIndex).ok());
    store::Database moved = std::move(*first);
    first.reset();
    t->addNew();
    t->setField(0, QStringLiteral("四物汤"));
    QVERIFY(t->update().ok());
    QVERIFY(t->seek(QStringLiteral("四物汤")).ok());
    QVERIFY(!t->noMatch());
    QCOMPARE(testing::rows(moved, QStringLiteral("SELECT 名称 FROM 中医方剂")).value(0).value(0),
             QStringLiteral("四物汤"));
}

void TestStore::table_addEditUpdateDelete() {
    TestDataDir dir;
    store::Database db = dir.open();
    auto t = db.openTable(store::table::kPrescriptions);
    QVERIFY(t.ok());
    QVERIFY(t->setIndex(store::kNameIndex).ok());
    t->addNew();
    t->setField(0, QStringLiteral("四君子汤"));
    t->setField(1, QStringLiteral("人参'白术"));
    QVERIFY(t->update().ok());
    QVERIFY(t->seek(QStringLiteral("四君子汤")).ok());
    QVERIFY(!t->noMatch());
    QCOMPARE(t->field(1).toString(), QStringLiteral("人参'白术"));
    QVERIFY(!t->field(2).isValid());
    QVERIFY(t->edit().ok());
    t->setField(2, QStringLiteral("益气健脾"));
    QVERIFY(t->update().ok());
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT 功效 FROM 中医方剂")).value(0).value(0),
             QStringLiteral("益气健脾"));
    // Adding a second row with the same name is refused by the unique index.
    t->addNew();
    t->setField(0, QStringLiteral("四君子汤"));
    QVERIFY(!t->update().ok());
    QVERIFY(t->seek(QStringLiteral("四君子汤")).ok());
    QVERIFY(t->deleteCurrent().ok());
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM 中医方剂")).value(0).value(0), QStringLiteral("0"));
}

void TestStore::table_seekOnLayoutIndex_addsRow104() {
    TestDataDir dir;
    store::Database db = dir.open();
    auto t = db.openTable(store::table::kLayout);
    QVERIFY(t.ok());
    QCOMPARE(t->fieldCount(), 18);
    QVERIFY(t->setIndex(store::kLayoutIndex).ok());
    QVERIFY(t->seek(104).ok());
    QVERIFY(t->noMatch());
    t->addNew();
    t->setField(0, 104);
    t->setField(1, 1400);
    QVERIFY(t->update().ok());
    QVERIFY(t->seek(104).ok());
    QVERIFY(!t->noMatch());
    QCOMPARE(t->field(0).toInt(), 104);
    QCOMPARE(t->field(1).toInt(), 1400);
}

void TestStore::table_appendChunk_buildsBlob() {
    TestDataDir dir;
    store::Database db = dir.open();
    auto t = db.openTable(store::table::kSettings);
    QVERIFY(t.ok());
    auto first = t->moveFirst();
    QVERIFY(first.ok());
    QVERIFY(!*first);
    t->addNew();
    QByteArray bytes;
    for (int i = 0; i < 10000; ++i) {
        bytes.append(static_cast<char>(i * 7));
    }
    t->setField(3, QVariant());
    for (int off = 0; off < bytes.size(); off += 4096) {
        t->appendChunk(3, bytes.mid(off, 4096));
    }
    QVERIFY(t->update().ok());
    QVERIFY(*t->moveFirst());
    QCOMPARE(t->field(3).toByteArray(), bytes);
}

void TestStore::template_hasSchemaAndEmptyFirstUseTables() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QList<QPair<QString, QStringList>> expected = {
        {store::table::kPrescriptions, {"名称", "构成", "功效", "主治", "用法", "来源", "应用", "临床"}},
        {store::table::kEffects, {"方剂功效"}},
        {store::table::kIndications, {"方剂主治"}},
        {store::table::kClinical, {"临床主治"}},
        {store::table::kProfile, {"单位", "地址", "电话", "姓名"}},
        {store::table::kPasswords, {"姓名", "密码", "级别"}},
    };
    for (const auto& [table, columns] : expected) {
        auto t = db.openTable(table);
        QVERIFY2(t.ok(), qPrintable(table));
        QCOMPARE(t->columnNames(), columns);
    }
    QCOMPARE(db.openTable(store::table::kSettings)->columnNames().value(3), QStringLiteral("03"));
    for (const QString& table : {store::table::kPasswords, store::table::kProfile, store::table::kPrescriptions}) {
        QCOMPARE(testing::rows(db, QStringLiteral("SELECT count(*) FROM ") + table).value(0).value(0),
                 QStringLiteral("0"));
    }
    QVERIFY(db.queryDefNames()->isEmpty());
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
