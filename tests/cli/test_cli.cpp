// fangji-cli run as a process on temporary data folders.
#include "test_env.h"

#include "cli/record_io.h"
#include "dictionary/build_dictionaries.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/template.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fangji;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Runs fangji-cli with a data folder and arguments, feeding input on standard input.
Run runCli(const QString& dataDir, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/fangji-cli"));
    p.setArguments(QStringList{QStringLiteral("--data-dir"), dataDir} + args);
    p.start();
    p.waitForStarted();
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray jsonLine(const QStringList& texts) {
    cli::Record r;
    for (int i = 0; i < 8; ++i) {
        r[i] = texts.value(i);
    }
    QString line;
    QTextStream s(&line);
    cli::writeRecord(s, cli::Format::JsonLines, r);
    s.flush();
    return line.toUtf8();
}

QByteArray fixture() {
    QByteArray in;
    in += jsonLine({"桂枝汤", "桂枝9克,芍药9克,甘草6克", "解肌发表,调和营卫", "外感风寒表虚证。头痛发热", "水煎服",
                    "《伤寒论》", "用于感冒,发热", "常用方"});
    in += jsonLine({"麻黄汤", "麻黄9克,桂枝6克,杏仁9克,甘草3克", "发汗解表,宣肺平喘", "外感风寒表实证", "水煎服",
                    "《伤寒论》", "用于感冒", " "});
    in += jsonLine({"小柴胡汤", "柴胡24克,黄芩9克,人参9克,甘草9克,半夏9克", "和解少阳", "伤寒少阳证", "水煎服",
                    "《伤寒论》", "", ""});
    in += jsonLine({"银翘散", "连翘30克,银花30克,桔梗18克,薄荷18克,甘草15克", "辛凉透表,清热解毒", "温病初起。发热头痛",
                    "散剂", "《温病条辨》", "用于流行性感冒", ""});
    return in;
}

QStringList namesOf(const QString& tsv) {
    QStringList names;
    const QStringList lines = tsv.split(u'\n', Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) {
        names << lines[i].section(u'\t', 0, 0);
    }
    return names;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void init_createsDatabaseFromTemplate();
    void usageErrors_exitTwo_data();
    void usageErrors_exitTwo();
    void help_forEachCommand();
    void add_jsonLines_quotesLineBreaksAndMissingText();
    void add_csv_withHeader();
    void search_reproducesWindowResults_data();
    void search_reproducesWindowResults();
    void export_roundTripsThroughAdd_data();
    void export_roundTripsThroughAdd();
    void dictBuild_sameAsWindowGeneration();
    void backupRestore_refuseNonDatabase_andRoundTrip();
};

void TestCli::init_createsDatabaseFromTemplate() {
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    Run r = runCli(data, {"init"});
    QCOMPARE(r.status, 0);
    QVERIFY(QFile::exists(data + "/vizi.mdb"));
    QVERIFY(store::Database::open(data + "/vizi.mdb", store::kMainConnect).ok());
    r = runCli(data, {"init"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("已存在")));
    // Commands other than init refuse a folder without a database.
    r = runCli(dir.filePath("empty"), {"export"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("init"));
}

void TestCli::usageErrors_exitTwo_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"frobnicate"};
    QTest::newRow("unknown option") << QStringList{"export", "--colour"};
    QTest::newRow("bad format") << QStringList{"export", "--format", "xml"};
    QTest::newRow("bad sort") << QStringList{"search", "--sort", "来源"};
    QTest::newRow("four herbs") << QStringList{"search", "--herb", "a", "--herb", "b", "--herb", "c", "--herb", "d"};
    QTest::newRow("show without name") << QStringList{"show"};
    QTest::newRow("dict unknown") << QStringList{"dict", "list", "herbs"};
    QTest::newRow("backup without path") << QStringList{"backup"};
}

void TestCli::usageErrors_exitTwo() {
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    const Run r = runCli(dir.path(), args);
    QCOMPARE(r.status, 2);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(r.out.isEmpty());
}

void TestCli::help_forEachCommand() {
    QTemporaryDir dir;
    const Run general = runCli(dir.path(), {"--help"});
    QCOMPARE(general.status, 0);
    for (const char* c : {"init", "add", "show", "search", "export", "dict", "import", "backup", "restore"}) {
        QVERIFY2(general.out.contains(c), qPrintable(c));
        const Run r = runCli(dir.path(), {c, "--help"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("fangji-cli ") + QString::fromUtf8(c)), qPrintable(r.out));
    }
    QVERIFY(runCli(dir.path(), {"search", "--help"}).out.contains("--indication"));
}

void TestCli::add_jsonLines_quotesLineBreaksAndMissingText() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QByteArray in;
    in += jsonLine({"O'Neil's 汤", "桂枝,芍药", "解肌", "头痛\r\n发热", "水煎服", "《伤寒论》", "", "一行\r\n二行"});
    in += "\n";
    in += jsonLine({"缺构成方", "", "解肌", "头痛", "水煎服", "《伤寒论》"});
    in += jsonLine({"  空格 方  ", "桂枝", "解肌", "头痛", "水煎服", "来源"});
    QFile f(dir.filePath("in.jsonl"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(in);
    f.close();
    Run r = runCli(dir.path(), {"add", dir.filePath("in.jsonl")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.contains(QStringLiteral("新增 2 剂，已有 0 剂，拒收 1 剂")), qPrintable(r.out));
    QVERIFY2(r.err.contains(QStringLiteral("第 3 行：输入方剂构成")), qPrintable(r.err));

    store::Database db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
    const auto rows = testing::rows(db, "SELECT * FROM 中医方剂 ORDER BY rowid");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], (QStringList{"O'Neil's 汤", "桂枝，芍药。", "解肌。", "头痛\r\n发热。", "水煎服。",
                                   "《伤寒论》。", " ", "一行\r\n二行。"}));
    QCOMPARE(rows[1][0], QStringLiteral("空格 方"));

    // Adding the same file again leaves existing names unchanged.
    r = runCli(dir.path(), {"add", dir.filePath("in.jsonl")});
    QVERIFY(r.out.contains(QStringLiteral("新增 0 剂，已有 2 剂，拒收 1 剂")));
    r = runCli(dir.path(), {"show", "O'Neil's 汤"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("主治：头痛\r\n发热。")));
    QCOMPARE(runCli(dir.path(), {"show", "没有的方"}).status, 1);
}

void TestCli::add_csv_withHeader() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    const QByteArray csv = "名称,构成,功效,主治,用法,来源\r\n"
                           "四君子汤,\"人参,白术,茯苓,甘草\",益气健脾,脾胃气虚证,水煎服,\"《太平惠民和剂局方》\"\r\n"
                           "\"引号\"\"方\",a,b,\"多\r\n行\",c,d\r\n";
    const Run r = runCli(dir.path(), {"add"}, csv);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("新增 2 剂")), qPrintable(r.out + r.err));
    store::Database db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
    const auto rows = testing::rows(db, "SELECT 名称, 构成, 主治 FROM 中医方剂 ORDER BY rowid");
    QCOMPARE(rows.value(0), (QStringList{"四君子汤", "人参，白术，茯苓，甘草。", "脾胃气虚证。"}));
    QCOMPARE(rows.value(1), (QStringList{"引号\"方", "a。", "多\r\n行。"}));
}

void TestCli::search_reproducesWindowResults_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("everything by name (pinyin)")
        << QStringList{} << QStringList{"桂枝汤", "麻黄汤", "小柴胡汤", "银翘散"};
    QTest::newRow("two herbs both required")
        << QStringList{"--herb", "桂枝", "--herb", "甘草"} << QStringList{"桂枝汤", "麻黄汤"};
    QTest::newRow("herbs in either order") << QStringList{"--herb", "甘草", "--herb", "麻黄"} << QStringList{"麻黄汤"};
    QTest::newRow("effect and indication")
        << QStringList{"--effect", "清热", "--indication", "头痛"} << QStringList{"银翘散"};
    QTest::newRow("source, sorted by effect")
        << QStringList{"--source", "伤寒", "--sort", "功效"} << QStringList{"麻黄汤", "小柴胡汤", "桂枝汤"};
    QTest::newRow("clinical excludes blank")
        << QStringList{"--clinical", "感冒"} << QStringList{"桂枝汤", "麻黄汤", "银翘散"};
    QTest::newRow("criteria trimmed") << QStringList{"--name", "  柴胡  "} << QStringList{"小柴胡汤"};
    QTest::newRow("pattern characters keep meaning") << QStringList{"--name", "?枝汤"} << QStringList{"桂枝汤"};
    QTest::newRow("quote matches itself") << QStringList{"--name", "'"} << QStringList{};
}

void TestCli::search_reproducesWindowResults() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    const Run r = runCli(dir.path(), QStringList{"search"} + args);
    QCOMPARE(r.status, 0);
    QCOMPARE(namesOf(r.out), names);
}

void TestCli::export_roundTripsThroughAdd_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("jsonl") << "jsonl";
    QTest::newRow("csv") << "csv";
}

void TestCli::export_roundTripsThroughAdd() {
    QFETCH(QString, format);
    QTemporaryDir first;
    QTemporaryDir second;
    QCOMPARE(runCli(first.path(), {"init"}).status, 0);
    QByteArray in = fixture();
    in +=
        jsonLine({"多行方", "甲,乙", "丙", "丁\r\n戊", "己", "庚", "辛,壬", "第一段\r\n第二段，含\"引号\"与'单引号'"});
    QCOMPARE(runCli(first.path(), {"add"}, in).status, 0);
    const Run exported = runCli(first.path(), {"export", "--format", format});
    QCOMPARE(exported.status, 0);
    QCOMPARE(runCli(second.path(), {"init"}).status, 0);
    const Run added = runCli(second.path(), {"add", "--format", format}, exported.out.toUtf8());
    QVERIFY2(added.status == 0, qPrintable(added.err));
    store::Database a = store::Database::open(first.filePath("vizi.mdb"), store::kMainConnect).value();
    store::Database b = store::Database::open(second.filePath("vizi.mdb"), store::kMainConnect).value();
    const QString all = "SELECT * FROM 中医方剂 ORDER BY rowid";
    QCOMPARE(testing::rows(b, all), testing::rows(a, all));
    QCOMPARE(testing::rows(a, all).size(), 5);
}

void TestCli::dictBuild_sameAsWindowGeneration() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    QVERIFY(QFile::copy(dir.filePath("vizi.mdb"), dir.filePath("window.mdb")));
    const Run r = runCli(dir.path(), {"dict", "build"});
    QCOMPARE(r.status, 0);
    // The window's generation on an identical copy.
    {
        testing::TestDataDir windowDir(false);
        QDir().mkpath(windowDir.dataDir());
        QVERIFY(QFile::copy(dir.filePath("window.mdb"), windowDir.databasePath()));
        QVERIFY(dictionary::BuildDictionaries(nullptr).ok());
        store::Database w = windowDir.open();
        store::Database c = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
        for (const QString& t : {store::table::kEffects, store::table::kIndications, store::table::kClinical}) {
            const QString sql = QStringLiteral("SELECT %1 FROM %1 ORDER BY %1").arg(t);
            QCOMPARE(testing::rows(c, sql), testing::rows(w, sql));
            QVERIFY(!testing::rows(c, sql).isEmpty());
        }
        const Run listed = runCli(dir.path(), {"dict", "list", "effects"});
        QCOMPARE(listed.status, 0);
        QVERIFY(listed.out.split(u'\n').contains(QStringLiteral("解肌发表")));
    }
}

void TestCli::backupRestore_refuseNonDatabase_andRoundTrip() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    QFile junk(dir.filePath("junk.mdb"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    QFile db(dir.filePath("vizi.mdb"));
    QVERIFY(db.open(QIODevice::ReadOnly));
    const QByteArray before = db.readAll();
    db.close();
    Run r = runCli(dir.path(), {"restore", dir.filePath("junk.mdb")});
    QCOMPARE(r.status, 1);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), before);
    db.close();

    r = runCli(dir.path(), {"backup", dir.filePath("copy.mdb")});
    QCOMPARE(r.status, 0);
    QVERIFY(store::Database::open(dir.filePath("copy.mdb"), store::kMainConnect).ok());
    QCOMPARE(runCli(dir.path(), {"add"}, jsonLine({"新方", "a", "b", "c", "d", "e"})).status, 0);
    r = runCli(dir.path(), {"restore", dir.filePath("copy.mdb")});
    QCOMPARE(r.status, 0);
    QCOMPARE(namesOf(runCli(dir.path(), {"export"}).out).size(), 4);

    QTemporaryDir noDb;
    r = runCli(noDb.path(), {"backup", noDb.filePath("x.mdb")});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains(QStringLiteral("系统数据丢失，不能备份。")));
}

QTEST_MAIN(TestCli)
#include "test_cli.moc"
