// fangji-cli run as a process on temporary data folders.
#include "test_env.h"
#include "xlsx_reader.h"

#include "cli/record_io.h"
#include "dictionary/build_dictionaries.h"
#include "entry/entry_store.h"
#include "platform/version.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/template.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <set>

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
    void version_isTheProjectVersion();
    void add_jsonLines_quotesLineBreaksAndMissingText();
    void add_csv_withHeader();
    void search_reproducesWindowResults_data();
    void search_reproducesWindowResults();
    void export_roundTripsThroughAdd_data();
    void export_roundTripsThroughAdd();
    void add_storesOrRefuses_data();
    void add_storesOrRefuses();
    void add_keepsValuesAsWritten_data();
    void add_keepsValuesAsWritten();
    void detectInputFormat_data();
    void detectInputFormat();
    void export_returnsEveryStoredText_data();
    void export_returnsEveryStoredText();
    void searchXlsx_theRowsOfTheSearchInItsOrder();
    void xlsx_withoutOutput_usage_unwritable_refusedNoFile();
    void dictBuild_sameAsWindowGeneration();
    void backupRestore_refuseNonDatabase_andRoundTrip();
    void equalNamesOfEarlierBuild_reportedAndKept();
    void print_writesThePdfWithoutDisplay();
    void print_refusals_data();
    void print_refusals();
    void add_largeJsonLines_readInPieces_sameAsWholeInput();
    void add_largeCsv_quotedLinesAcrossPieces_sameAsWholeInput();
    void add_largeCsv_quoteNeverEnds_refusedWholeWithItsLine();
    void add_fileWithRowTheEngineRefuses_changesNothing();
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

void TestCli::version_isTheProjectVersion() {
    QTemporaryDir dir;
    const Run r = runCli(dir.path(), {"--version"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("fangji-cli " FANGJI_VERSION "\n"));
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
        // Chinese throughout: none of Qt's English headings.
        for (const char* english : {"Usage:", "Options:", "Arguments:", "[options]", "Displays"}) {
            QVERIFY2(!r.out.contains(QString::fromLatin1(english)), qPrintable(r.out));
        }
        QVERIFY2(r.out.contains(QStringLiteral("选项：")), qPrintable(r.out));
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
    QTest::newRow("name by pinyin initials") << QStringList{"--name", "gzt"} << QStringList{"桂枝汤"};
    QTest::newRow("name by full pinyin") << QStringList{"--name", "XiaoChaiHu"} << QStringList{"小柴胡汤"};
    QTest::newRow("name in traditional characters") << QStringList{"--name", "桂枝湯"} << QStringList{"桂枝汤"};
    QTest::newRow("herb by pinyin") << QStringList{"--herb", "huangqin"} << QStringList{"小柴胡汤"};
    QTest::newRow("herb by another name") << QStringList{"--herb", "金银花"} << QStringList{"银翘散"};
    QTest::newRow("effects not by pinyin") << QStringList{"--effect", "jj"} << QStringList{};
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

// ------------------------------------------------------------------ add: what is stored, what is refused

namespace {

const QByteArray kHeader = "名称,构成,功效,主治,用法,来源";
const QByteArray kBom = "\xEF\xBB\xBF";

QByteArray csvRow(const QByteArray& name) {
    return name + ",a,b,c,d,e";
}

// One JSON line whose name is the given JSON token, exactly as written.
QByteArray jsonRow(const QByteArray& nameToken) {
    return "{\"名称\":" + nameToken + ",\"构成\":\"a\",\"功效\":\"b\",\"主治\":\"c\",\"用法\":\"d\",\"来源\":\"e\"}";
}

QStringList storedNames(const QString& dataDir) {
    store::Database db = store::Database::open(dataDir + "/vizi.mdb", store::kMainConnect).value();
    QStringList names;
    for (const QStringList& row : testing::rows(db, "SELECT 名称 FROM 中医方剂 ORDER BY rowid")) {
        names << row.value(0);
    }
    return names;
}

} // namespace

void TestCli::add_storesOrRefuses_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // empty: nothing on standard output
    QTest::addColumn<QString>("err"); // empty: nothing on standard error
    QTest::addColumn<QStringList>("names");
    const QString two = QStringLiteral("新增 2 剂，已有 0 剂，拒收 0 剂");
    const QString oneOfTwo = QStringLiteral("新增 1 剂，已有 0 剂，拒收 1 剂");
    const QString twoOfThree = QStringLiteral("新增 2 剂，已有 0 剂，拒收 1 剂");
    const QStringList both = {"甲方", "乙方"};

    // Line ends.
    QTest::newRow("csv, CR line ends") << kHeader + "\r" + csvRow("甲方") + "\r" + csvRow("乙方") + "\r" << 0 << two
                                       << QString() << both;
    QTest::newRow("csv, CR line ends, no final break")
        << kHeader + "\r" + csvRow("甲方") + "\r" + csvRow("乙方") << 0 << two << QString() << both;
    QTest::newRow("csv, mixed line ends")
        << kHeader + "\r\n" + csvRow("甲方") + "\r" + csvRow("乙方") + "\n" + csvRow("丙方") << 0
        << QStringLiteral("新增 3 剂，已有 0 剂，拒收 0 剂") << QString() << QStringList{"甲方", "乙方", "丙方"};
    QTest::newRow("csv, blank lines of every kind")
        << kHeader + "\r\r\n\n" + csvRow("甲方") + "\r\r" + csvRow("乙方") + "\n\n"
        << 0 << two << QString() << both;
    QTest::newRow("jsonl, CR line ends") << jsonRow("\"甲方\"") + "\r" + jsonRow("\"乙方\"") + "\r" << 0 << two
                                         << QString() << both;
    QTest::newRow("jsonl, CR LF line ends")
        << jsonRow("\"甲方\"") + "\r\n\r\n" + jsonRow("\"乙方\"") << 0 << two << QString() << both;

    // Byte order marks and format detection.
    QTest::newRow("csv, byte order mark")
        << kBom + kHeader + "\n" + csvRow("甲方") + "\n" + csvRow("乙方") << 0 << two << QString() << both;
    QTest::newRow("jsonl, byte order mark")
        << kBom + jsonRow("\"甲方\"") + "\n" + jsonRow("\"乙方\"") << 0 << two << QString() << both;
    QTest::newRow("jsonl, byte order mark and blanks")
        << kBom + " \r\n\t" + jsonRow("\"甲方\"") + "\n" + jsonRow("\"乙方\"") << 0 << two << QString() << both;
    QTest::newRow("jsonl, first line an array") << "[\"甲方\",\"a\"]\n" + jsonRow("\"乙方\"") << 1 << oneOfTwo
                                                << QStringLiteral("第 1 行：应为 JSON 对象") << QStringList{"乙方"};
    QTest::newRow("jsonl, byte order mark then an array")
        << kBom + "[]\n" + jsonRow("\"乙方\"") << 1 << oneOfTwo << QStringLiteral("第 1 行：应为 JSON 对象")
        << QStringList{"乙方"};
    QTest::newRow("empty input") << QByteArray() << 0 << QStringLiteral("新增 0 剂，已有 0 剂，拒收 0 剂") << QString()
                                 << QStringList{};
    QTest::newRow("only a byte order mark and blanks")
        << kBom + " \r\n"
        << 0 << QStringLiteral("新增 0 剂，已有 0 剂，拒收 0 剂") << QString() << QStringList{};

    // Inputs that cannot be divided into records are refused whole.
    QTest::newRow("csv, quote without its end")
        << kHeader + "\n" + csvRow("甲方") + "\n\"丙方,a,b,c,d,e\n" + csvRow("乙方") + "\n"
        << 1 << QString() << QStringLiteral("第 3 行：引号没有结束") << QStringList{};
    QTest::newRow("csv, quote without its end after CR lines")
        << kHeader + "\r" + csvRow("甲方") + "\r" + csvRow("乙方") + "\r丙方,\"a\r" << 1 << QString()
        << QStringLiteral("第 4 行：引号没有结束") << QStringList{};
    QTest::newRow("csv, unknown column") << QByteArray("名称,构成,备注\n甲方,a,b\n") << 1 << QString()
                                         << QStringLiteral("第 1 行：未知的列名“备注”") << QStringList{};
    QTest::newRow("csv, repeated column") << QByteArray("名称,构成,名称\n甲方,a,乙方\n") << 1 << QString()
                                          << QStringLiteral("第 1 行：列名“名称”重复") << QStringList{};
    QTest::newRow("csv, header not UTF-8") << QByteArray("名称,构\xff成\n甲方,a\n") << 1 << QString()
                                           << QStringLiteral("第 1 行：不是有效的 UTF-8 文字") << QStringList{};

    // Lines refused one by one, with their line number and the reason.
    QTest::newRow("csv, invalid byte") << kHeader + "\n" + csvRow("甲方") + "\n" + csvRow("乙\xff方") + "\n" +
                                              csvRow("乙方")
                                       << 1 << twoOfThree << QStringLiteral("第 3 行：不是有效的 UTF-8 文字") << both;
    QTest::newRow("csv, surrogate written in UTF-8")
        << kHeader + "\n" + csvRow("甲方") + "\n" + csvRow("乙\xed\xa0\x80方") + "\n" + csvRow("乙方") << 1
        << twoOfThree << QStringLiteral("第 3 行：不是有效的 UTF-8 文字") << both;
    QTest::newRow("csv, overlong form") << kHeader + "\n" + csvRow("甲方") + "\n" + csvRow("\xc0\xaf") + "\n" +
                                               csvRow("乙方")
                                        << 1 << twoOfThree << QStringLiteral("第 3 行：不是有效的 UTF-8 文字") << both;
    QTest::newRow("csv, line numbers count breaks inside quotes")
        << kHeader + "\n\"甲方\",\"a\r\nb\rc\nd\",b,c,d,e\n" + csvRow("丙\xfe方") + "\n" + csvRow("乙方") << 1
        << twoOfThree << QStringLiteral("第 6 行：不是有效的 UTF-8 文字") << both;
    QTest::newRow("csv, text after a closing quote")
        << kHeader + "\n" + csvRow("甲方") + "\n丙方,\"a\"b,b,c,d,e\n" + csvRow("乙方") << 1 << twoOfThree
        << QStringLiteral("第 3 行：引号结束后应是逗号或行尾") << both;
    QTest::newRow("csv, NUL byte") << kHeader + "\n" + csvRow("甲方") + "\n丙方,a" + '\0' + "b,b,c,d,e\n" +
                                          csvRow("乙方")
                                   << 1 << twoOfThree << QStringLiteral("第 3 行：“构成”含有控制字符 U+0000") << both;
    QTest::newRow("csv, escape character")
        << kHeader + "\n" + csvRow("甲方") + "\n" + csvRow("丙\x1b方") + "\n" + csvRow("乙方") << 1 << twoOfThree
        << QStringLiteral("第 3 行：“名称”含有控制字符 U+001B") << both;
    QTest::newRow("csv, text under a column without a name")
        << kHeader + ",\n" + csvRow("甲方") + ",\n" + csvRow("丙方") + ",x\n" + csvRow("乙方") << 1 << twoOfThree
        << QStringLiteral("第 3 行：第 7 列没有列名") << both;
    QTest::newRow("jsonl, invalid byte") << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙\xff方\"") + "\n" +
                                                jsonRow("\"乙方\"")
                                         << 1 << twoOfThree << QStringLiteral("第 2 行：不是有效的 UTF-8 文字") << both;
    QTest::newRow("jsonl, lone high surrogate")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"\\ud800丙方\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串含有不成对的代理码位 \\ud800") << both;
    QTest::newRow("jsonl, lone low surrogate")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙方\\uDC00\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串含有不成对的代理码位 \\uDC00") << both;
    QTest::newRow("jsonl, high surrogate before another escape")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"\\ud83d\\u0041\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串含有不成对的代理码位 \\ud83d") << both;
    QTest::newRow("jsonl, surrogate in a key")
        << jsonRow("\"甲方\"") + "\n{\"\\ud800\":\"x\"}\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串含有不成对的代理码位 \\ud800") << both;
    QTest::newRow("jsonl, escaped NUL") << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙\\u0000方\"") + "\n" +
                                               jsonRow("\"乙方\"")
                                        << 1 << twoOfThree << QStringLiteral("第 2 行：“名称”含有控制字符 U+0000")
                                        << both;
    QTest::newRow("jsonl, control character not escaped")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙\x01方\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串中有未转义的控制字符 U+0001") << both;
    QTest::newRow("jsonl, unknown key") << jsonRow("\"甲方\"") + "\n{\"名称\":\"丙方\",\"备注\":\"x\"}\n" +
                                               jsonRow("\"乙方\"")
                                        << 1 << twoOfThree << QStringLiteral("第 2 行：未知的键“备注”") << both;
    QTest::newRow("jsonl, repeated key") << jsonRow("\"甲方\"") + "\n{\"名称\":\"丙方\",\"名称\":\"丁方\"}\n" +
                                                jsonRow("\"乙方\"")
                                         << 1 << twoOfThree << QStringLiteral("第 2 行：键“名称”重复") << both;
    QTest::newRow("jsonl, text after the object")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙方\"") + " x\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：不是有效的 JSON") << both;
    QTest::newRow("jsonl, string without its end")
        << jsonRow("\"甲方\"") + "\n{\"名称\":\"丙方}\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串没有结束") << both;
    QTest::newRow("jsonl, backslash at the end of the line")
        << jsonRow("\"甲方\"") + "\n{\"名称\":\"丙方\\\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串没有结束") << both;
    QTest::newRow("jsonl, unknown escape")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙\\x41方\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串中有无效的转义 \\x") << both;
    QTest::newRow("jsonl, short unicode escape")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("\"丙\\u4e2\"") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：JSON 字符串中有无效的转义 \\u4e2\"") << both;
    QTest::newRow("jsonl, value not a text")
        << jsonRow("\"甲方\"") + "\n" + jsonRow("[\"丙方\"]") + "\n" + jsonRow("\"乙方\"") << 1 << twoOfThree
        << QStringLiteral("第 2 行：“名称”的值不是文本") << both;
}

void TestCli::add_storesOrRefuses() {
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    const Run r = runCli(dir.path(), {"add"}, input);
    QVERIFY2(r.status == status, qPrintable(r.out + r.err));
    if (out.isEmpty()) {
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
    } else {
        QVERIFY2(r.out.contains(out), qPrintable(r.out + r.err));
    }
    if (err.isEmpty()) {
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    } else {
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
    }
    QCOMPARE(storedNames(dir.path()), names);
}

// The readers hand over every character of a value as written; only the entry rules
// (name trimmed, other texts normalised) apply on the way into the store.
void TestCli::add_keepsValuesAsWritten_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("indications");
    QTest::addColumn<QString>("usage");
    const QByteArray head = "名称,主治,用法,构成,功效,来源\n";
    const QByteArray rest = ",a,b,c";
    QTest::newRow("csv, CR LF in quotes") << head + "\"甲\r\n方\",\"丙\r\n丁\",用" + rest << "甲\r\n方"
                                          << "丙\r\n丁。"
                                          << "用。";
    QTest::newRow("csv, lone CR in quotes") << head + "\"甲\r方\",\"丙\r丁\",用" + rest << "甲\r方"
                                            << "丙\r丁。"
                                            << "用。";
    QTest::newRow("csv, lone LF in quotes (the entry rules drop it from other texts)")
        << head + "\"甲\n方\",\"丙\n丁\",用" + rest << "甲\n方"
        << "丙丁。"
        << "用。";
    QTest::newRow("csv, breaks of every kind in CR-only lines")
        << QByteArray("名称,主治,用法,构成,功效,来源\r\"甲\r\n\r\n方\",\"丙\r\r丁\",用,a,b,c\r") << "甲\r\n\r\n方"
        << "丙\r\r丁。"
        << "用。";
    QTest::newRow("csv, BOM inside a value kept") << kBom + head + "\xEF\xBB\xBF甲方,\"\xEF\xBB\xBF丙\",用" + rest
                                                  << u"\ufeff甲方"_qs << u"\ufeff丙。"_qs << "用。";
    QTest::newRow("csv, quotes, commas, tabs, backslashes")
        << head + "\"\"\"甲\"\",方\",\"丙\t丁\",\"\\n\"" + rest << "\"甲\",方"
        << "丙\t丁。"
        << "、n。";
    QTest::newRow("jsonl, escaped line breaks")
        << QByteArray(R"({"名称":"甲\r\n方\r乙\n","主治":"丙\r丁\r\n","用法":"用","构成":"a","功效":"b","来源":"c"})")
        << "甲\r\n方\r乙\n"
        << "丙\r丁\r\n。"
        << "用。";
    QTest::newRow("jsonl, escaped BOM at the start of a value")
        << QByteArray(R"({"名称":"\ufeff甲方","主治":"\uFEFF丙","用法":"用","构成":"a","功效":"b","来源":"c"})")
        << u"\ufeff甲方"_qs << u"\ufeff丙。"_qs << "用。";
    QTest::newRow("jsonl, raw BOM at the start of a value")
        << kBom + R"({"名称":")" + kBom + R"(甲方","主治":"丙","用法":"用","构成":"a","功效":"b","来源":"c"})"
        << u"\ufeff甲方"_qs << "丙。"
        << "用。";
    QTest::newRow("jsonl, surrogate pair")
        << QByteArray(R"({"名称":"\ud83d\ude00方","主治":"😀","用法":"用","构成":"a","功效":"b","来源":"c"})") << "😀方"
        << "😀。"
        << "用。";
    QTest::newRow("jsonl, number kept as written")
        << QByteArray(R"({"名称":"甲方","主治":1.50,"用法":-0.0e+10,"构成":"a","功效":"b","来源":"c"})") << "甲方"
        << "1.50。"
        << "-0.0e+10。";
}

void TestCli::add_keepsValuesAsWritten() {
    QFETCH(QByteArray, input);
    QFETCH(QString, name);
    QFETCH(QString, indications);
    QFETCH(QString, usage);
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    runCli(dir.path(), {"add"}, input);
    store::Database db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
    // Compared as bytes: the stored UTF-8 itself, U+FEFF included.
    auto hex = [](const QString& t) { return QString::fromLatin1(t.toUtf8().toHex().toUpper()); };
    QCOMPARE(testing::rows(db, "SELECT hex(名称), hex(主治), hex(用法) FROM 中医方剂"),
             (QList<QStringList>{{hex(name), hex(indications), hex(usage)}}));
}

void TestCli::detectInputFormat_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("json");
    QTest::newRow("object") << QByteArray("{}") << true;
    QTest::newRow("array") << QByteArray("[]") << true;
    QTest::newRow("blanks, then object") << QByteArray(" \t\r\n{") << true;
    QTest::newRow("BOM, then object") << kBom + "{" << true;
    QTest::newRow("BOM, blanks, then array") << kBom + "\r\r [" << true;
    QTest::newRow("header") << kHeader << false;
    QTest::newRow("BOM, then header") << kBom + kHeader << false;
    QTest::newRow("BOM inside the blanks") << " " + kBom + "{" << false;
}

void TestCli::detectInputFormat() {
    QFETCH(QByteArray, input);
    QFETCH(bool, json);
    QCOMPARE(cli::detectInputFormat(input) == cli::Format::JsonLines, json);
}

// ------------------------------------------------------------------ export: every stored text comes back

namespace {

QString unescapeTsv(const QString& field) {
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar next = field[++i];
        out += next == u't' ? QChar(u'\t') : next == u'r' ? QChar(u'\r') : next == u'n' ? QChar(u'\n') : next;
    }
    return out;
}

QList<QStringList> readBack(const QString& format, const QByteArray& exported, QString* problem) {
    QList<QStringList> rows;
    if (format == "tsv") {
        QList<QByteArray> lines = exported.split('\n');
        if (lines.value(0) != QByteArray("名称\t构成\t功效\t主治\t用法\t来源\t应用\t临床") || !lines.last().isEmpty()) {
            *problem = "TSV header or last line";
        }
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            QStringList row;
            // Not QString::fromUtf8, which drops a U+FEFF at the start.
            QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
            for (const QString& f : QString(utf8.decode(lines[i])).split(u'\t')) {
                row << unescapeTsv(f);
            }
            rows << row;
        }
        return rows;
    }
    const cli::Input in = format == "csv" ? cli::readCsv(exported) : cli::readJsonLines(exported);
    *problem = in.error;
    for (const cli::InputRecord& r : in.records) {
        if (!r.error.isEmpty()) {
            *problem = QStringLiteral("%1: %2").arg(r.line).arg(r.error);
        }
        rows << QStringList(r.record.begin(), r.record.end());
    }
    return rows;
}

} // namespace

void TestCli::export_returnsEveryStoredText_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("tsv") << "tsv";
    QTest::newRow("csv") << "csv";
    QTest::newRow("jsonl") << "jsonl";
    QTest::newRow("xlsx") << "xlsx";
    QTest::newRow("csv to a file") << "csv-file";
}

void TestCli::export_returnsEveryStoredText() {
    QFETCH(QString, format);
    const QList<QStringList> stored = {
        {u"\"引号\"方"_qs, u"a,b,,c"_qs, u"\""_qs, u"\",\""_qs, u"''"_qs, u"'a\"b'"_qs, u"\"\"\""_qs, u","_qs},
        {u"单CR"_qs, u"甲\r乙"_qs, u"\r"_qs, u"甲\r"_qs, u"\r甲"_qs, u"\r\r"_qs, u"甲\r\r\n乙"_qs, u"\n\r"_qs},
        {u"单LF"_qs, u"甲\n乙"_qs, u"\n"_qs, u"甲\n"_qs, u"\n甲"_qs, u"\n\n"_qs, u"\n\r\n"_qs, u"\r\n\n"_qs},
        {u"CRLF"_qs, u"甲\r\n乙"_qs, u"\r\n"_qs, u"甲\r\n"_qs, u"\r\n甲"_qs, u"\r\n\r\n"_qs, u"\"\r\n\""_qs,
         u",\r\n,"_qs},
        {u"制表\t方"_qs, u"\t"_qs, u"甲\t乙"_qs, u"\\t"_qs, u"\\"_qs, u"\\\\"_qs, u"a\\nb"_qs, u"\\\r\\\n\\\t"_qs},
        {u"\ufeff头方"_qs, u"\ufeff"_qs, u"甲\ufeff乙"_qs, u"\ufeff\ufeff"_qs, u"\u3000"_qs, u"\u3000甲\u3000"_qs,
         u" 甲 "_qs, u"  "_qs},
        {u"😀方"_qs, u"😀"_qs, u"甲😀乙"_qs, u"👨‍👩‍👧"_qs, u"𠀀𪚥"_qs, u"\u200b"_qs, u"\u00a0"_qs,
         u"\ufffd"_qs},
        {u"{\"名称\":\"x\"}"_qs, u"[1,2]"_qs, u"名称,构成"_qs, u"#*?[!a]"_qs, u"%_"_qs, u"null"_qs, u"0"_qs,
         u"-1.50"_qs},
        {u"旧\u0000文"_qs, u"\u0001\u001f"_qs, u"\u001b[0m"_qs, u"\u007f"_qs, u"a\u0000"_qs, u"\u0000"_qs,
         u"\u000b\u000c"_qs, u"\u0085"_qs},
    };
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    {
        store::Database db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
        for (const QStringList& texts : stored) {
            QVERIFY(testing::addPrescription(db, texts));
        }
    }
    QProcess p;
    p.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/fangji-cli"));
    const QString file = dir.filePath(format == "xlsx" ? "全部.xlsx" : "全部.csv");
    if (format == "xlsx" || format == "csv-file") {
        p.setArguments(
            {"--data-dir", dir.path(), "export", "--format", format == "xlsx" ? "xlsx" : "csv", "--output", file});
    } else {
        p.setArguments({"--data-dir", dir.path(), "export", "--format", format});
    }
    p.start();
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QString problem;
    QList<QStringList> back;
    if (format == "xlsx") {
        back = testing::readXlsxSheet(file, &problem).value_or(QList<QStringList>{});
        QCOMPARE(back.value(0), QStringList({"名称", "构成", "功效", "主治", "用法", "来源", "应用", "临床"}));
        back.removeFirst();
        for (QStringList& row : back) {
            while (row.size() < 8) {
                row << QString();
            }
        }
    } else if (format == "csv-file") {
        back = readBack("csv", testing::readFile(file), &problem);
    } else {
        back = readBack(format, p.readAllStandardOutput(), &problem);
    }
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(back.size(), stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        QCOMPARE(back[i], stored[i]);
    }
}

void TestCli::searchXlsx_theRowsOfTheSearchInItsOrder() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    const Run tsv = runCli(dir.path(), {"search", "--source", "伤寒", "--sort", "功效"});
    QCOMPARE(tsv.status, 0);
    const Run r = runCli(dir.path(), {"search", "--source", "伤寒", "--sort", "功效", "--format", "xlsx", "--output",
                                      dir.filePath("伤寒.xlsx")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("已写出 %1（3 个方剂）\n").arg(dir.filePath("伤寒.xlsx")));
    const auto sheet = testing::readXlsxSheet(dir.filePath("伤寒.xlsx"));
    QVERIFY(sheet.has_value());
    QStringList names;
    for (qsizetype i = 1; i < sheet->size(); ++i) {
        names << sheet->at(i).value(0);
    }
    QCOMPARE(names, namesOf(tsv.out));
    QCOMPARE(names, (QStringList{"麻黄汤", "小柴胡汤", "桂枝汤"}));
}

void TestCli::xlsx_withoutOutput_usage_unwritable_refusedNoFile() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    const Run usage = runCli(dir.path(), {"export", "--format", "xlsx"});
    QCOMPARE(usage.status, 2);
    QVERIFY2(usage.err.contains("xlsx 格式要用 --output FILE 给出写到的文件"), qPrintable(usage.err));
    QVERIFY(usage.out.isEmpty());
    for (const QString& format : QStringList{"xlsx", "csv"}) {
        const QString target = dir.filePath("没有的文件夹/全部." + format);
        const Run r = runCli(dir.path(), {"export", "--format", format, "--output", target});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("不能写出 " + target), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(target));
    }
    // An existing file is replaced whole, or not at all.
    const QString kept = dir.filePath("旧.xlsx");
    QVERIFY(testing::writeFile(kept, "old"));
    {
        store::Database db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect).value();
        QVERIFY(testing::exec(db, "INSERT INTO 中医方剂 VALUES('坏', CAST(X'FF' AS TEXT),'a','b','c','d','e','f')"));
    }
    const Run bad = runCli(dir.path(), {"export", "--format", "xlsx", "--output", kept});
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains("方剂“坏”中有不是有效 UTF-8 的文字，不能原样导出。"), qPrintable(bad.err));
    QCOMPARE(testing::readFile(kept), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList({"旧.xlsx*"}, QDir::Files | QDir::Hidden), QStringList{"旧.xlsx"});
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

void TestCli::equalNamesOfEarlierBuild_reportedAndKept() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    {
        // What an earlier build's order let in: two names equal but for the case of a letter.
        auto db = store::Database::open(dir.filePath("vizi.mdb"), store::kMainConnect);
        QVERIFY(db.ok());
        for (const char* sql : {"DROP INDEX fjmci", "CREATE INDEX fjmci ON 中医方剂 (名称)",
                                "INSERT INTO 中医方剂 VALUES('Ab汤','一','二','三','四','五',' ',' ')",
                                "INSERT INTO 中医方剂 VALUES('ab汤','六','七','八','九','十',' ',' ')"}) {
            QVERIFY(db->executeNative(QString::fromUtf8(sql)).ok());
        }
    }
    const Run r = runCli(dir.path(), {"export"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.contains(QStringLiteral("以下方剂名称相同：Ab汤、ab汤")), qPrintable(r.err));
    QCOMPARE(namesOf(r.out), (QStringList{"Ab汤", "ab汤"}));
}

namespace {

// Bytes the command reads at a time: inputs larger than this are read in several pieces.
constexpr qsizetype kPiece = qsizetype(4) << 20;

// What add must make of a whole input, by the reader itself: the rows stored (in their
// stored form, in order) and the lines refused (unreadable, or 构成 left blank).
struct Expected {
    QList<QStringList> stored;
    std::set<int> refusedLines;
};

Expected expectedOf(const cli::Input& in) {
    Expected e;
    std::set<QString> names;
    for (const cli::InputRecord& r : in.records) {
        entry::EntryRecord boxes;
        for (int c = 0; c < 8; ++c) {
            boxes[c] = r.record[c];
        }
        if (!r.error.isEmpty() || r.record[1].trimmed().isEmpty()) {
            e.refusedLines.insert(r.line);
            continue;
        }
        const entry::EntryRecord stored = entry::storedForm(boxes);
        if (names.insert(stored[0]).second) {
            e.stored << QStringList(stored.begin(), stored.end());
        }
    }
    return e;
}

std::set<int> refusedLinesIn(const QString& err) {
    std::set<int> lines;
    static const QRegularExpression line(QStringLiteral("^第 (\\d+) 行："), QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(err); it.hasNext();) {
        lines.insert(it.next().captured(1).toInt());
    }
    return lines;
}

void compareStored(const QString& dataDir, const Expected& expected) {
    store::Database db = store::Database::open(dataDir + QStringLiteral("/vizi.mdb"), store::kMainConnect).value();
    const auto rows = testing::rows(db, "SELECT * FROM 中医方剂 ORDER BY rowid");
    QCOMPARE(rows.size(), expected.stored.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i], expected.stored[i]);
    }
}

} // namespace

void TestCli::add_largeJsonLines_readInPieces_sameAsWholeInput() {
    // Lines ended by LF, CR LF and CR in turn, blank lines, refused lines, and at the
    // first piece's end a line that starts with a byte order mark (data there, not a
    // mark) and whose CR LF is split between the first read and the second.
    QByteArray in;
    const QByteArray ends[] = {"\n", "\r\n", "\r"};
    const QString note = QString(1200, QChar(0x65B9));
    int i = 0;
    auto add = [&](const QByteArray& line, const QByteArray& end) {
        in += line + end;
        ++i;
    };
    while (in.size() < kPiece - 20000) {
        const QString name = QStringLiteral("方%1").arg(i);
        add(jsonLine({name, i % 50 == 7 ? "" : "桂枝,芍药", "解肌", "头痛", "水煎服", "来源", "", note}), ends[i % 3]);
        if (i % 97 == 0) {
            add("", "\n");
        }
    }
    const QByteArray bomLine = "\xEF\xBB\xBF" + jsonLine({"带标记的方", "a", "b", "c", "d", "e", "", ""});
    const auto padding = [](qsizetype n) {
        return jsonLine({"填充方", "a", "b", "c", "d", "e", "", QString(n, u'x')});
    };
    const qsizetype room = kPiece - 1 - bomLine.size() - in.size() - 1; // before the BOM line, "\n" included
    add(padding(room - padding(1).size() + 1), "\n");
    add(bomLine, "\r\n");
    QCOMPARE(in.mid(kPiece - 1, 1), QByteArray("\r")); // the CR LF is split between the first read and the next
    QCOMPARE(in.mid(kPiece - 1 - bomLine.size(), 3), QByteArray("\xEF\xBB\xBF"));
    while (in.size() < 3 * kPiece + 5000) {
        add(jsonLine({QStringLiteral("后方%1").arg(i), i % 70 == 3 ? " " : "麻黄", "发汗", "头痛", "水煎服", "来源", "",
                      note}),
            ends[i % 3]);
    }
    add(jsonLine({"方0", "重名", "b", "c", "d", "e"}), ""); // no line break after the last line

    const cli::Input whole = cli::readJsonLines(in);
    QVERIFY(whole.error.isEmpty());
    const Expected expected = expectedOf(whole);
    QVERIFY(expected.refusedLines.size() > 10);

    for (const bool viaStdin : {false, true}) {
        QTemporaryDir dir;
        QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
        QFile f(dir.filePath("in.jsonl"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(in);
        f.close();
        const Run r =
            viaStdin ? runCli(dir.path(), {"add"}, in) : runCli(dir.path(), {"add", dir.filePath("in.jsonl")});
        QCOMPARE(r.status, 1);
        QCOMPARE(refusedLinesIn(r.err), expected.refusedLines);
        const int present =
            static_cast<int>(whole.records.size() - expected.refusedLines.size() - expected.stored.size());
        QVERIFY2(r.out.contains(QStringLiteral("新增 %1 剂，已有 %2 剂，拒收 %3 剂")
                                    .arg(expected.stored.size())
                                    .arg(present)
                                    .arg(expected.refusedLines.size())),
                 qPrintable(r.out));
        compareStored(dir.path(), expected);
    }
}

void TestCli::add_largeCsv_quotedLinesAcrossPieces_sameAsWholeInput() {
    // Most bytes are inside quoted fields that hold line breaks, commas and doubled
    // quotes, so the reads end inside them; some rows are refused as written.
    QByteArray in = "\xEF\xBB\xBF\r\n\"\"\r\n名称,构成,功效,主治,用法,来源,应用,临床\r\n";
    int i = 0;
    while (in.size() < 2 * kPiece + 100000) {
        QByteArray note = "\"";
        for (int k = 0; k < 40; ++k) {
            note += QStringLiteral("第%1段，用\"\"引号\"\"，\r\n又一行\n").arg(k).toUtf8();
        }
        note += "\"";
        QByteArray row = QStringLiteral("方%1,").arg(i).toUtf8();
        row += i % 300 == 11 ? QByteArray() : QByteArray("\"桂枝,芍药\"");
        row += ",解肌,头痛,水煎服,来源,";
        row += i % 400 == 5 ? QByteArray("\"用\"错") : QByteArray("应用");
        row += ',' + note + (i % 2 ? "\r\n" : "\n");
        in += row;
        ++i;
    }
    const cli::Input whole = cli::readCsv(in);
    QVERIFY(whole.error.isEmpty());
    const Expected expected = expectedOf(whole);
    QVERIFY(expected.refusedLines.size() > 5);

    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    const Run r = runCli(dir.path(), {"add", "--format", "csv"}, in);
    QCOMPARE(r.status, 1);
    QCOMPARE(refusedLinesIn(r.err), expected.refusedLines);
    QVERIFY2(r.out.contains(QStringLiteral("新增 %1 剂").arg(expected.stored.size())), qPrintable(r.out));
    compareStored(dir.path(), expected);
}

void TestCli::add_largeCsv_quoteNeverEnds_refusedWholeWithItsLine() {
    QByteArray in = "名称,构成,功效,主治,用法,来源\n";
    for (int i = 0; in.size() < kPiece + 50000; ++i) {
        in += QStringLiteral("方%1,%2,b,\"c\r\nc\",d,e\n").arg(i).arg(i % 50 == 0 ? "" : "a").toUtf8();
    }
    in += "末方,a,b,\"c\nd,e\n后\n";
    const cli::Input whole = cli::readCsv(in);
    QVERIFY(!whole.error.isEmpty());

    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    const Run r = runCli(dir.path(), {"add", "--format", "csv"}, in);
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err, QStringLiteral("fangji-cli: ") + whole.error + QStringLiteral("；没有登录任何方剂\n"));
    QCOMPARE(namesOf(runCli(dir.path(), {"export"}).out).size(), 0);

    // Without a database file the input's own fault is still what is reported.
    QTemporaryDir empty;
    const Run noFile = runCli(empty.path(), {"add", "--format", "csv"}, in);
    QCOMPARE(noFile.err, QStringLiteral("fangji-cli: ") + whole.error + QStringLiteral("；没有登录任何方剂\n"));
}

namespace {

// Output of a poppler-utils tool run on a file ("" when it failed).
QString poppler(const QString& tool, const QString& file) {
    QProcess p;
    p.start(tool, tool == QStringLiteral("pdftotext") ? QStringList{file, QStringLiteral("-")} : QStringList{file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void TestCli::print_writesThePdfWithoutDisplay() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    const QString pdf = dir.filePath(QStringLiteral("桂枝汤.pdf"));
    // No display and a platform that would need one: the command still writes the document.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/fangji-cli"),
            {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("print"), QStringLiteral("桂枝汤"),
             QStringLiteral("--pdf"), pdf});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), QStringLiteral("已写出 ") + pdf + u'\n');

    QString text = poppler(QStringLiteral("pdftotext"), pdf);
    text.remove(QRegularExpression(QStringLiteral("\\s+")));
    for (const char* line : {"方剂名称：桂枝汤", "方剂来源：《伤寒论》。", "方剂内容：桂枝9克，芍药9克，甘草6克。",
                             "方剂功效：解肌发表，调和营卫。", "方剂主治：外感风寒表虚证。头痛发热。",
                             "使用方法：水煎服。", "临床治疗：用于感冒，发热。", "应用心得：常用方。", "打印时间："}) {
        QVERIFY2(text.contains(QString::fromUtf8(line)), line);
    }
    const QString fonts = poppler(QStringLiteral("pdffonts"), pdf);
    QVERIFY2(fonts.contains(QStringLiteral("NotoSerifCJK")) && fonts.contains(QStringLiteral(" yes ")),
             qPrintable(fonts));
}

void TestCli::print_refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown name") << QStringList{"print", "不存在汤", "--pdf", "x.pdf"} << 1
                                  << QStringLiteral("没有找到方剂 不存在汤");
    QTest::newRow("name that only contains a stored one")
        << QStringList{"print", "桂枝", "--pdf", "x.pdf"} << 1 << QStringLiteral("没有找到方剂 桂枝");
    QTest::newRow("no --pdf") << QStringList{"print", "桂枝汤"} << 2 << QStringLiteral("print 需要 --pdf FILE");
    QTest::newRow("no name") << QStringList{"print", "--pdf", "x.pdf"} << 2 << QStringLiteral("print 需要一个方剂名称");
    QTest::newRow("unwritable file") << QStringList{"print", "桂枝汤", "--pdf", "无此文件夹/x.pdf"} << 1
                                     << QStringLiteral("不能写出 ");
}

void TestCli::print_refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, fixture()).status, 0);
    for (QString& a : args) {
        if (a.endsWith(QStringLiteral(".pdf"))) {
            a = dir.filePath(a);
        }
    }
    const Run r = runCli(dir.path(), args);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.pdf")}).isEmpty());
}

// All rows of one add go into the file together: a row the engine refuses half-way
// through a file (here a trigger refuses it) leaves the file as it was, the rows before
// it included.
void TestCli::add_fileWithRowTheEngineRefuses_changesNothing() {
    QTemporaryDir dir;
    QCOMPARE(runCli(dir.path(), {"init"}).status, 0);
    QCOMPARE(runCli(dir.path(), {"add"}, jsonLine({"四物汤", "熟地黄", "补血", "血虚", "水煎服", "《局方》"})).status,
             0);
    const QString path = dir.filePath("formulary.jsonl");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(fixture()), fixture().size());
    file.close();
    QList<QStringList> before;
    {
        store::Database db = store::Database::open(dir.path() + "/vizi.mdb", store::kMainConnect).value();
        QVERIFY(db.executeNative("CREATE TRIGGER refuse BEFORE INSERT ON 中医方剂 WHEN NEW.名称 = '银翘散' "
                                 "BEGIN SELECT RAISE(ABORT, 'refused here'); END")
                    .ok());
        before = testing::rows(db, "SELECT * FROM 中医方剂 ORDER BY rowid");
    }
    Run r = runCli(dir.path(), {"add", path});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("第 4 行：")) && r.err.contains("refused here"), qPrintable(r.err));
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
    {
        store::Database db = store::Database::open(dir.path() + "/vizi.mdb", store::kMainConnect).value();
        QCOMPARE(testing::rows(db, "SELECT * FROM 中医方剂 ORDER BY rowid"), before);
        QVERIFY(db.executeNative("DROP TRIGGER refuse").ok());
    }
    // The same file without the trigger: its four rows are added after the one there.
    r = runCli(dir.path(), {"add", path});
    QCOMPARE(r.status, 0);
    QCOMPARE(storedNames(dir.path()),
             (QStringList{QStringLiteral("四物汤"), QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"),
                          QStringLiteral("小柴胡汤"), QStringLiteral("银翘散")}));
}

QTEST_MAIN(TestCli)
#include "test_cli.moc"
