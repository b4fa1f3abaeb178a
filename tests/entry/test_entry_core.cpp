// Text rules, statements, store operations and the print document of the entry window.
#include "entry/entry_store.h"
#include "entry/entry_text.h"
#include "entry/print_document.h"
#include "rtf_reader.h"

#include "store/jet_sql.h"
#include "test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fangji;
using entry::EntryRecord;

namespace {

EntryRecord record(const QStringList& texts) {
    EntryRecord r;
    for (int i = 0; i < 8; ++i) {
        r[i] = i < texts.size() ? texts[i] : QString();
    }
    return r;
}

QStringList names(store::Database& db, const QString& sql) {
    auto list = entry::readNames(db, sql);
    if (!list) {
        return {QStringLiteral("<error> ") + list.error().description};
    }
    return list->names;
}

} // namespace

class TestEntryCore : public QObject {
    Q_OBJECT
private slots:
    void normalise_data();
    void normalise();
    void normalise_isStable_data() { normalise_data(); }
    void normalise_isStable();
    void trimAndBlank_data();
    void trimAndBlank();
    void firstMissingText_data();
    void firstMissingText();

    void searchStatement_keepsTheFixedShape();
    void searchStatement_criteriaMatchThemselves_data();
    void searchStatement_criteriaMatchThemselves();
    void nameLookup_comparesTheWholeName_data();
    void nameLookup_comparesTheWholeName();
    void nameLookup_leavesOnlyItsOwnStoredQuery();
    void statements_writeControlCharactersOutsideTheQuotes_data();
    void statements_writeControlCharactersOutsideTheQuotes();
    void storedControlCharacters_foundByLookupAndSearch_data();
    void storedControlCharacters_foundByLookupAndSearch();
    void forbiddenCharacterProblem_data();
    void forbiddenCharacterProblem();

    void addUpdateDelete_roundTrip();
    void prescriptionAdder_storesBytesOrKeepsExisting_data();
    void prescriptionAdder_storesBytesOrKeepsExisting();
    void storedForm_normalisesAllButTheName();

    void printText_nineLines_data();
    void printText_nineLines();
    void printable_data();
    void printable();

    void rtf_readsBackAsTheText_data();
    void rtf_readsBackAsTheText();
    void writePrintDocument_neverOverwrites();
    void writePrintDocument_reportsAnUnwritableFolder();
};

// ------------------------------------------------------------------ NormalizeEntryText

void TestEntryCore::normalise_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    // The examples of the entry rules.
    QTest::newRow("commas") << u"桂枝,芍药,甘草"_qs << u"桂枝，芍药，甘草。"_qs;
    QTest::newRow("decimal point between digits") << u"1.5克"_qs << u"1.5克。"_qs;
    QTest::newRow("point before book title") << u"汉.《伤寒论》"_qs << u"汉.《伤寒论》。"_qs;
    QTest::newRow("ends with full stop") << u"调和营卫。"_qs << u"调和营卫。"_qs;
    QTest::newRow("ends with point") << u"发汗解表."_qs << u"发汗解表。"_qs;
    QTest::newRow("leading CR LF dropped") << u"\r\n桂枝"_qs << u"桂枝。"_qs;
    QTest::newRow("lone LF dropped") << u"桂枝\n芍药"_qs << u"桂枝芍药。"_qs;
    QTest::newRow("LF at the start dropped") << u"\n桂枝"_qs << u"桂枝。"_qs;
    QTest::newRow("CR LF inside kept") << u"桂枝\r\n芍药"_qs << u"桂枝\r\n芍药。"_qs;
    QTest::newRow("pasted ASCII blanks removed") << u"桂枝 芍药  甘草"_qs << u"桂枝芍药甘草。"_qs;
    QTest::newRow("surrounding blanks removed") << u"  桂枝  "_qs << u"桂枝。"_qs;
    QTest::newRow("ideographic blank kept") << u"桂枝　芍药"_qs << u"桂枝　芍药。"_qs;
    QTest::newRow("lone ideographic blank is text") << u"　"_qs << u"　。"_qs;
    QTest::newRow("empty becomes one blank") << QString() << u" "_qs;
    QTest::newRow("blanks become one blank") << u"   "_qs << u" "_qs;
    QTest::newRow("CR LF alone becomes one blank") << u"\r\n"_qs << u" "_qs;
    QTest::newRow("full stop added only once") << u"桂枝。。"_qs << u"桂枝。。"_qs;
    // Texts judged risky.
    QTest::newRow("backslash") << u"桂枝\\芍药"_qs << u"桂枝、芍药。"_qs;
    QTest::newRow("semicolon") << u"煎服;日三次"_qs << u"煎服；日三次。"_qs;
    QTest::newRow("typed full stop between digits") << u"1。5克"_qs << u"1.5克。"_qs;
    QTest::newRow("typed full stop before book title") << u"汉。《伤寒论》"_qs << u"汉.《伤寒论》。"_qs;
    QTest::newRow("point first before book title") << u".《伤寒论》"_qs << u".《伤寒论》。"_qs;
    QTest::newRow("point first before digit") << u".5克"_qs << u"。5克。"_qs;
    QTest::newRow("point after last digit") << u"服3."_qs << u"服3。"_qs;
    QTest::newRow("point after digit before letter") << u"3.a"_qs << u"3。a。"_qs;
    QTest::newRow("two decimal points") << u"3.5.6"_qs << u"3.5.6。"_qs;
    QTest::newRow("full-width digits") << u"１.５克"_qs << u"１.５克。"_qs;
    QTest::newRow("neighbours read before conversion") << u"1..2"_qs << u"1。。2。"_qs;
    QTest::newRow("only the first CR LF pair dropped") << u"\r\n\r\n桂枝"_qs << u"\r\n桂枝。"_qs;
    QTest::newRow("LF after leading pair dropped") << u"\r\n\n桂枝"_qs << u"桂枝。"_qs;
    QTest::newRow("lone CR kept") << u"桂枝\r芍药"_qs << u"桂枝\r芍药。"_qs;
    QTest::newRow("blank before leading CR LF") << u"  \r\n桂枝"_qs << u"桂枝。"_qs;
    QTest::newRow("trailing comma") << u"桂枝,"_qs << u"桂枝，。"_qs;
    QTest::newRow("quotes kept") << u"桂'枝\"汤"_qs << u"桂'枝\"汤。"_qs;
    QTest::newRow("pattern characters kept") << u"*?#[!a]"_qs << u"*?#[!a]。"_qs;
    QTest::newRow("non-breaking space kept") << u"桂\u00a0枝"_qs << u"桂\u00a0枝。"_qs;
    QTest::newRow("tab kept") << u"桂\t枝"_qs << u"桂\t枝。"_qs;
    QTest::newRow("full stop alone") << u"。"_qs << u"。"_qs;
    QTest::newRow("point alone") << u"."_qs << u"。"_qs;
}

void TestEntryCore::normalise() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(entry::NormalizeEntryText(input), expected);
}

// A stored text passes through the normaliser again on every edit: it must not keep growing or changing.
void TestEntryCore::normalise_isStable() {
    QFETCH(QString, input);
    const QString once = entry::NormalizeEntryText(input);
    if (once.startsWith(u"\r\n"_qs)) {
        // Each pass drops one leading line break, as the rule says; the rest stays.
        QCOMPARE(entry::NormalizeEntryText(once), entry::NormalizeEntryText(once.mid(2)));
        return;
    }
    QCOMPARE(entry::NormalizeEntryText(once), once);
}

void TestEntryCore::trimAndBlank_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << QString() << QString() << true;
    QTest::newRow("ASCII blanks") << u"   "_qs << QString() << true;
    QTest::newRow("surrounding blanks") << u"  桂 枝 "_qs << u"桂 枝"_qs << false;
    QTest::newRow("ideographic blank is text") << u"　"_qs << u"　"_qs << false;
    QTest::newRow("tab is text") << u"\t "_qs << u"\t"_qs << false;
    QTest::newRow("line break is text") << u" \r\n"_qs << u"\r\n"_qs << false;
}

void TestEntryCore::trimAndBlank() {
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QFETCH(bool, blank);
    QCOMPARE(entry::trimSpaces(text), trimmed);
    QCOMPARE(entry::isBlank(text), blank);
}

void TestEntryCore::firstMissingText_data() {
    QTest::addColumn<int>("blankFrom");  // positions from here on are left blank (8: none)
    QTest::addColumn<QString>("spaces"); // what a blank text holds
    QTest::addColumn<QString>("message");
    QTest::newRow("complete") << 8 << QString() << QString();
    QTest::newRow("only the two optional texts blank") << 6 << QString() << QString();
    QTest::newRow("no source") << 5 << u"  "_qs << u"输入方剂来源"_qs;
    QTest::newRow("no usage") << 4 << QString() << u"输入方剂用法"_qs;
    QTest::newRow("no indications") << 3 << u" "_qs << u"输入方剂主治"_qs;
    QTest::newRow("no effects") << 2 << QString() << u"输入方剂功效"_qs;
    QTest::newRow("no composition") << 1 << QString() << u"输入方剂构成"_qs;
    QTest::newRow("nothing at all") << 0 << QString() << u"输入方剂名称"_qs;
}

void TestEntryCore::firstMissingText() {
    QFETCH(int, blankFrom);
    QFETCH(QString, spaces);
    QFETCH(QString, message);
    entry::EntryRecord record;
    for (int i = 0; i < 8; ++i) {
        record[static_cast<std::size_t>(i)] = i < blankFrom ? u"　文"_qs : spaces;
    }
    const auto missing = entry::firstMissingText(record);
    QCOMPARE(missing ? QString::fromUtf16(missing->message) : QString(), message);
    if (missing) {
        QCOMPARE(missing->position, blankFrom);
    }
}

// ------------------------------------------------------------------ statements

void TestEntryCore::searchStatement_keepsTheFixedShape() {
    const EntryRecord criteria =
        record({u"桂"_qs, u"芍药"_qs, QString(), u"头痛"_qs, u"煎"_qs, u"伤寒"_qs, u" "_qs, u"心得"_qs});
    QCOMPARE(entry::searchStatement(criteria),
             u"SELECT * FROM 中医方剂 WHERE 名称 like '*桂*' and 构成 like '*芍药*' and 功效 like '**'"
             u" and 主治 like '*头痛*' and 来源 like '*伤寒*' and 应用 like '* *' and 临床 like '*心得*'"
             u" and 用法 like '*煎*' order by 名称 "_qs);
}

void TestEntryCore::searchStatement_criteriaMatchThemselves_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("star") << 0 << u"*"_qs << QStringList{u"桂*汤"_qs};
    QTest::newRow("question mark") << 0 << u"?"_qs << QStringList{u"何?方"_qs};
    QTest::newRow("hash") << 0 << u"#"_qs << QStringList{u"方#1"_qs};
    QTest::newRow("bracket") << 0 << u"[甲]"_qs << QStringList{u"[甲]方"_qs};
    QTest::newRow("quote") << 0 << u"'"_qs << QStringList{u"麻黄'汤"_qs};
    QTest::newRow("two quotes") << 0 << u"''"_qs << QStringList();
    QTest::newRow("percent is ordinary") << 0 << u"%"_qs << QStringList{u"五%散"_qs};
    QTest::newRow("contains in the middle") << 0 << u"黄"_qs << QStringList{u"麻黄'汤"_qs};
    QTest::newRow("quote in composition") << 1 << u"桂'枝"_qs << QStringList{u"桂*汤"_qs};
    QTest::newRow("empty criterion matches all")
        << 1 << QString()
        << QStringList{u"[甲]方"_qs, u"方#1"_qs, u"桂*汤"_qs, u"何?方"_qs, u"麻黄'汤"_qs, u"五%散"_qs};
}

void TestEntryCore::searchStatement_criteriaMatchThemselves() {
    QFETCH(int, position);
    QFETCH(QString, criterion);
    QFETCH(QStringList, expected);
    testing::TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.isOpen());
    for (const QString& name : {u"桂*汤"_qs, u"何?方"_qs, u"方#1"_qs, u"[甲]方"_qs, u"麻黄'汤"_qs, u"五%散"_qs}) {
        const QString composition = name == u"桂*汤"_qs ? u"桂'枝。"_qs : u"甘草。"_qs;
        QVERIFY(
            testing::addPrescription(db, {name, composition, u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u" "_qs, u" "_qs}));
    }
    EntryRecord criteria;
    criteria[position] = criterion;
    const QStringList found = names(db, entry::searchStatement(criteria));
    // Sorted by name, in the store's Chinese order.
    QStringList sorted = expected;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return store::jet::compareZh(a, b) < 0; });
    QCOMPARE(found, sorted);
}

void TestEntryCore::nameLookup_comparesTheWholeName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found"); // composition of the row found, empty when none
    QTest::newRow("exact") << u"桂枝汤"_qs << u"桂枝，芍药。"_qs;
    QTest::newRow("prefix is not the name") << u"桂枝"_qs << QString();
    QTest::newRow("longer is not the name") << u"桂枝汤汤"_qs << QString();
    QTest::newRow("quote in the name") << u"麻黄'汤"_qs << u"麻黄。"_qs;
    QTest::newRow("pattern characters compare as text") << u"桂枝*"_qs << QString();
    QTest::newRow("statement text in the name") << u"x' OR '1'='1"_qs << QString();
}

void TestEntryCore::nameLookup_comparesTheWholeName() {
    QFETCH(QString, typed);
    QFETCH(QString, found);
    testing::TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, {u"桂枝汤"_qs, u"桂枝，芍药。"_qs}));
    QVERIFY(testing::addPrescription(db, {u"麻黄'汤"_qs, u"麻黄。"_qs}));
    for (int way = 0; way < 2; ++way) {
        auto row = way == 0 ? entry::lookupByName(db, typed) : entry::seekByName(db, typed);
        QVERIFY2(row.ok(), qPrintable(row.ok() ? QString() : row.error().description));
        QCOMPARE(row->has_value() ? (**row)[1] : QString(), found);
        if (row->has_value()) {
            QCOMPARE((**row)[0], typed);
        }
    }
}

void TestEntryCore::nameLookup_leavesOnlyItsOwnStoredQuery() {
    testing::TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.createQueryDef(u"yhmc"_qs, u"SELECT * FROM 密码表"_qs).ok());
    QVERIFY(db.createQueryDef(u"mine"_qs, u"SELECT * FROM 用户资料"_qs).ok());
    QVERIFY(entry::lookupByName(db, u"桂枝汤"_qs).ok());
    auto defs = db.queryDefNames();
    QVERIFY(defs.ok());
    QCOMPARE(*defs, QStringList{u"000"_qs});
}

// A file written by an earlier version may hold any control character in a text; the
// statements must still reach the engine whole (it ends a statement at a NUL).
void TestEntryCore::statements_writeControlCharactersOutsideTheQuotes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("literal"); // the name as it stands in the lookup statement
    QTest::newRow("NUL") << u"桂\u0000枝"_qs << u"'桂'||char(0)||'枝'"_qs;
    QTest::newRow("NUL first and last") << QString(QChar(0)) + u"桂"_qs + QChar(0)
                                        << u"''||char(0)||'桂'||char(0)||''"_qs;
    QTest::newRow("escape and unit separator") << u"a\u001b\u001fb"_qs << u"'a'||char(27)||''||char(31)||'b'"_qs;
    QTest::newRow("quote beside NUL") << u"a'\u0000'b"_qs << u"'a'''||char(0)||'''b'"_qs;
    QTest::newRow("tab, CR and LF stay in the quotes") << u"a\tb\r\nc\rd\ne"_qs << u"'a\tb\r\nc\rd\ne'"_qs;
    QTest::newRow("DEL stays in the quotes") << u"a\u007fb"_qs << u"'a\u007fb'"_qs;
}

void TestEntryCore::statements_writeControlCharactersOutsideTheQuotes() {
    QFETCH(QString, name);
    QFETCH(QString, literal);
    QCOMPARE(entry::nameLookupStatement(name), u"SELECT * FROM 中医方剂  WHERE 名称="_qs + literal);
    EntryRecord criteria;
    criteria[0] = name;
    const QString search = entry::searchStatement(criteria);
    QVERIFY2(search.startsWith(u"SELECT * FROM 中医方剂 WHERE 名称 like '*"_qs + literal.mid(1, literal.size() - 2) +
                               u"*' and 构成 like '**'"_qs),
             qPrintable(search));
    QVERIFY(!search.contains(QChar(0)));
}

void TestEntryCore::storedControlCharacters_foundByLookupAndSearch_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fragment"); // a contains-search for it
    QTest::newRow("NUL inside") << u"桂\u0000枝汤"_qs << u"\u0000枝"_qs;
    QTest::newRow("NUL at the end") << u"麻黄汤\u0000"_qs << u"汤\u0000"_qs;
    QTest::newRow("NUL at the start") << u"\u0000小柴胡汤"_qs << u"\u0000小"_qs;
    QTest::newRow("bell and escape") << u"银\u0007翘\u001b散"_qs << u"翘\u001b"_qs;
    QTest::newRow("quote and NUL") << u"O'\u0000Neil方"_qs << u"'\u0000N"_qs;
    QTest::newRow("pattern characters and NUL") << u"星*\u0000?散"_qs << u"*\u0000?"_qs;
}

void TestEntryCore::storedControlCharacters_foundByLookupAndSearch() {
    QFETCH(QString, name);
    QFETCH(QString, fragment);
    testing::TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.isOpen());
    // Stored directly, as an older program could have.
    QVERIFY(testing::addPrescription(db, {name, u"甲。"_qs}));
    QString cut = name;
    cut.remove(QChar(0));
    if (cut != name) {
        QVERIFY(testing::addPrescription(db, {cut, u"乙。"_qs}));
    }
    QVERIFY(testing::addPrescription(db, {u"桂枝"_qs, u"丙。"_qs}));

    for (int way = 0; way < 2; ++way) {
        auto row = way == 0 ? entry::lookupByName(db, name) : entry::seekByName(db, name);
        QVERIFY2(row.ok(), qPrintable(row.ok() ? QString() : row.error().description));
        QVERIFY(row->has_value());
        QCOMPARE((**row)[0], name);
        QCOMPARE((**row)[1], u"甲。"_qs);
    }
    // The stored query "000" is parsed again from its text by the next connection.
    {
        store::Database again = dir.open();
        auto stored = again.openRecordSet(u"000"_qs);
        QVERIFY2(stored.ok(), qPrintable(stored.ok() ? QString() : stored.error().description));
        QCOMPARE(stored->recordCount(), 1);
        QCOMPARE(stored->text(0), name);
    }
    auto none = entry::lookupByName(db, name + QChar(0));
    QVERIFY2(none.ok(), qPrintable(none.ok() ? QString() : none.error().description));
    QVERIFY(!none->has_value());

    EntryRecord criteria;
    criteria[0] = fragment;
    QCOMPARE(names(db, entry::searchStatement(criteria)), QStringList{name});
    criteria[0] = name;
    QCOMPARE(names(db, entry::searchStatement(criteria)), QStringList{name});
}

void TestEntryCore::forbiddenCharacterProblem_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem"); // null: the text may be stored
    QTest::newRow("plain") << u"桂枝汤"_qs << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("tab, CR, LF") << u"桂\t枝\r\n芍\r药\n"_qs << QString();
    QTest::newRow("ideographic space, BOM, DEL") << u"\u3000桂\ufeff枝\u007f"_qs << QString();
    QTest::newRow("emoji") << u"桂😀枝"_qs << QString();
    QTest::newRow("NUL") << u"桂\u0000枝"_qs << u"含有控制字符 U+0000"_qs;
    QTest::newRow("SOH") << u"\u0001"_qs << u"含有控制字符 U+0001"_qs;
    QTest::newRow("vertical tab") << u"桂\u000b"_qs << u"含有控制字符 U+000B"_qs;
    QTest::newRow("form feed") << u"桂\u000c枝"_qs << u"含有控制字符 U+000C"_qs;
    QTest::newRow("unit separator") << u"\u001f"_qs << u"含有控制字符 U+001F"_qs;
    QTest::newRow("first one named") << u"a\u0002b\u0000"_qs << u"含有控制字符 U+0002"_qs;
    QTest::newRow("lone high surrogate") << u"桂"_qs + QChar(0xd800) + u"枝"_qs << u"含有不成对的代理码位 U+D800"_qs;
    QTest::newRow("high surrogate at the end") << u"桂"_qs + QChar(0xdbff) << u"含有不成对的代理码位 U+DBFF"_qs;
    QTest::newRow("lone low surrogate") << QString(QChar(0xdc00)) << u"含有不成对的代理码位 U+DC00"_qs;
    QTest::newRow("pair reversed") << QString(QChar(0xde00)) + QChar(0xd83d) << u"含有不成对的代理码位 U+DE00"_qs;
}

void TestEntryCore::forbiddenCharacterProblem() {
    QFETCH(QString, text);
    QFETCH(QString, problem);
    const std::optional<QString> found = entry::forbiddenCharacterProblem(text);
    QCOMPARE(found.value_or(QString()), problem);
    QCOMPARE(found.has_value(), !problem.isNull());
}

// ------------------------------------------------------------------ store operations

// Rows added one after another through one adder: each new name is written with its
// eight texts byte for byte (a null text as NULL), a name already stored (Latin letters
// compared without case) is left as it is.
void TestEntryCore::prescriptionAdder_storesBytesOrKeepsExisting_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("added");
    const QStringList full{u"桂枝汤"_qs,   u"桂枝，芍药。"_qs, u"解肌。"_qs, u"头痛。"_qs,
                           u"水煎服。"_qs, u"《伤寒论》。"_qs, u" "_qs,      u" "_qs};
    // The full row under a new name, one text replaced.
    auto with = [&](int position, const QString& text) {
        QStringList t = full;
        t[0] = u"新方"_qs;
        t[position] = text;
        return t;
    };
    QTest::newRow("stored name") << full << false;
    QTest::newRow("stored name in other case") << with(0, u"ab汤"_qs) << false;
    QTest::newRow("full-width letters are another name") << with(0, u"ＡＢ汤"_qs) << true;
    QTest::newRow("new name") << with(0, u"麻黄汤"_qs) << true;
    QTest::newRow("quote and percent in the name") << with(0, u"麻黄'%汤"_qs) << true;
    QTest::newRow("line breaks and quotes") << with(7, u"一\r\n二\r三\"四\"'五'"_qs) << true;
    QTest::newRow("byte order mark first") << with(1, u"\ufeff桂枝。"_qs) << true;
    QTest::newRow("ideographic space and beyond the basic plane") << with(3, u"\u3000𠀀。"_qs) << true;
    QTest::newRow("empty text") << with(4, u""_qs) << true;
    QTest::newRow("null text") << with(6, QString()) << true;
}

void TestEntryCore::prescriptionAdder_storesBytesOrKeepsExisting() {
    QFETCH(QStringList, texts);
    QFETCH(bool, added);
    // Twice: with the name index refusing equal names itself, and with the index a file of
    // an earlier build that held equal names has (not unique; a partial unique index keeps
    // refusing every other name), where each row is sought first.
    for (const bool relaxed : {false, true}) {
        testing::TestDataDir dir;
        store::Database db = dir.open();
        if (relaxed) {
            QVERIFY(db.executeNative(u"DROP INDEX fjmci; CREATE INDEX fjmci ON 中医方剂 (名称); "
                                     "CREATE UNIQUE INDEX fjmci_u ON 中医方剂 (名称 COLLATE zh) "
                                     "WHERE 名称 COLLATE zh NOT IN ('Ab汤')"_qs)
                        .ok());
        }
        const QList<QStringList> before{{u"桂枝汤"_qs, u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs, u" "_qs, u" "_qs},
                                        {u"AB汤"_qs, u"f"_qs, u"g"_qs, u"h"_qs, u"i"_qs, u"j"_qs, u" "_qs, u" "_qs}};
        QVERIFY(db.begin().ok());
        auto adder = entry::PrescriptionAdder::prepare(db);
        QVERIFY(adder.ok());
        for (const QStringList& row : before) {
            QVERIFY(*adder->addIfNew(record(row)));
        }
        const auto result = adder->addIfNew(record(texts));
        QVERIFY(result.ok());
        QCOMPARE(*result, added);
        adder = store::DbError{};
        QVERIFY(db.commit().ok());

        QList<QList<QByteArray>> expected;
        for (const QStringList& row : before + (added ? QList<QStringList>{texts} : QList<QStringList>{})) {
            QList<QByteArray> bytes;
            for (const QString& text : row) {
                bytes << (text.isNull() ? QByteArray("<null>") : text.toUtf8());
            }
            expected << bytes;
        }
        auto read = db.prepareNative(u"SELECT * FROM 中医方剂 ORDER BY rowid"_qs);
        QVERIFY(read.ok());
        QList<QList<QByteArray>> stored;
        QVERIFY(store::forEachRow(*read, [&](const store::Statement& row) {
                    QList<QByteArray> bytes;
                    for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
                        int n = 0;
                        const char* text = row.utf8(c, &n);
                        bytes << (row.isNull(c) ? QByteArray("<null>") : QByteArray(text, n));
                    }
                    stored << bytes;
                }).ok());
        QVERIFY2(stored == expected, relaxed ? "index without unique" : "unique index");
    }
}

void TestEntryCore::addUpdateDelete_roundTrip() {
    testing::TestDataDir dir;
    store::Database db = dir.open();
    const EntryRecord first = record({u"麻黄'汤"_qs, u"麻黄，桂枝。"_qs, u"发汗。"_qs, u"外感风寒。"_qs, u"水煎服。"_qs,
                                      u"《伤寒论》。"_qs, u" "_qs, u"注意\"汗出\"。"_qs});
    auto added = entry::addIfNew(db, first);
    QVERIFY(added.ok());
    QVERIFY(*added);
    // A second row with the same name is refused and nothing changes.
    EntryRecord other = first;
    other[1] = u"别的。"_qs;
    added = entry::addIfNew(db, other);
    QVERIFY(added.ok());
    QVERIFY(!*added);
    QCOMPARE(testing::rows(db, u"SELECT * FROM 中医方剂"_qs),
             (QList<QStringList>{QStringList(first.begin(), first.end())}));

    // Edit rewrites the seven texts and keeps the stored name.
    EntryRecord changed = first;
    changed[3] = u"风寒表实证。"_qs;
    auto updated = entry::updateExisting(db, changed);
    QVERIFY(updated.ok());
    QVERIFY(*updated);
    QCOMPARE(testing::rows(db, u"SELECT 主治, 名称 FROM 中医方剂"_qs),
             (QList<QStringList>{{u"风寒表实证。"_qs, u"麻黄'汤"_qs}}));
    EntryRecord unknown = changed;
    unknown[0] = u"无此方"_qs;
    updated = entry::updateExisting(db, unknown);
    QVERIFY(updated.ok());
    QVERIFY(!*updated);

    auto deleted = entry::deleteByName(db, u"无此方"_qs);
    QVERIFY(deleted.ok());
    QVERIFY(!*deleted);
    deleted = entry::deleteByName(db, u"麻黄'汤"_qs);
    QVERIFY(deleted.ok());
    QVERIFY(*deleted);
    QCOMPARE(names(db, entry::kAllPrescriptions), QStringList());
}

void TestEntryCore::storedForm_normalisesAllButTheName() {
    const EntryRecord boxes = record({u" 桂枝.汤 "_qs, u"桂枝,芍药"_qs, u"解肌"_qs, u"头痛"_qs, u"煎服"_qs,
                                      u"汉.《伤寒论》"_qs, QString(), u"  "_qs});
    const EntryRecord stored = entry::storedForm(boxes);
    const EntryRecord expected = record({u"桂枝.汤"_qs, u"桂枝，芍药。"_qs, u"解肌。"_qs, u"头痛。"_qs, u"煎服。"_qs,
                                         u"汉.《伤寒论》。"_qs, u" "_qs, u" "_qs});
    QCOMPARE(QStringList(stored.begin(), stored.end()), QStringList(expected.begin(), expected.end()));
}

// ------------------------------------------------------------------ print text

void TestEntryCore::printText_nineLines_data() {
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stored prescription")
        << QStringList{u"桂枝汤"_qs,   u"桂枝，芍药。"_qs, u"解肌发表。"_qs, u"外感风寒表虚证。"_qs,
                       u"水煎服。"_qs, u"《伤寒论》。"_qs, u"感冒。"_qs,     u"效佳。"_qs}
        << QDate(2026, 3, 7)
        << u"方剂名称：桂枝汤\r\n方剂来源：《伤寒论》。\r\n方剂内容：桂枝，芍药。\r\n方剂功效：解肌发表。\r\n"
           u"方剂主治：外感风寒表虚证。\r\n使用方法：水煎服。\r\n临床治疗：感冒。\r\n应用心得：效佳。\r\n"
           u"打印时间：2026-03-07"_qs;
    QTest::newRow("empty optional texts keep their labels")
        << QStringList{u" 桂枝汤 "_qs, u"桂枝"_qs, u"解肌"_qs, u"头痛"_qs, u"煎"_qs, u"汉"_qs, u" "_qs, QString()}
        << QDate(2025, 12, 31)
        << u"方剂名称：桂枝汤\r\n方剂来源：汉\r\n方剂内容：桂枝\r\n方剂功效：解肌\r\n方剂主治：头痛\r\n使用方法：煎\r\n"
           u"临床治疗：\r\n应用心得：\r\n打印时间：2025-12-31"_qs;
    QTest::newRow("line breaks inside a text stay")
        << QStringList{u"方"_qs, u"甲\r\n乙"_qs, u"效"_qs, u"治"_qs, u"用"_qs, u"源"_qs, u"一\r\n二"_qs, u"心"_qs}
        << QDate(2026, 1, 2)
        << u"方剂名称：方\r\n方剂来源：源\r\n方剂内容：甲\r\n乙\r\n方剂功效：效\r\n方剂主治：治\r\n使用方法：用\r\n"
           u"临床治疗：一\r\n二\r\n应用心得：心\r\n打印时间：2026-01-02"_qs;
}

void TestEntryCore::printText_nineLines() {
    QFETCH(QStringList, boxes);
    QFETCH(QDate, date);
    QFETCH(QString, expected);
    QCOMPARE(entry::printText(record(boxes), date), expected);
}

void TestEntryCore::printable_data() {
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("expected");
    const QStringList full{u"名"_qs, u"构"_qs, u"功"_qs, u"主"_qs, u"用"_qs, u"来"_qs, u"临"_qs, u"心"_qs};
    QTest::newRow("complete") << full << true;
    QStringList optionalEmpty = full;
    optionalEmpty[6] = QString();
    optionalEmpty[7] = u"  "_qs;
    QTest::newRow("optional texts empty") << optionalEmpty << true;
    const char* names[] = {"name", "composition", "effects", "indications", "usage", "source"};
    for (int i = 0; i < 6; ++i) {
        QStringList missing = full;
        missing[i] = u"   "_qs;
        QTest::newRow(names[i]) << missing << false;
    }
}

void TestEntryCore::printable() {
    QFETCH(QStringList, boxes);
    QFETCH(bool, expected);
    QCOMPARE(entry::printable(record(boxes)), expected);
}

// ------------------------------------------------------------------ print document

void TestEntryCore::rtf_readsBackAsTheText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("paragraphs");
    QTest::newRow("Chinese lines") << u"方剂名称：桂枝汤\r\n打印时间：2026-03-07"_qs
                                   << QStringList{u"方剂名称：桂枝汤"_qs, u"打印时间：2026-03-07"_qs};
    QTest::newRow("RTF's own characters") << u"a\\b{c}d"_qs << QStringList{u"a\\b{c}d"_qs};
    QTest::newRow("characters above U+7FFF") << u"鹿茸龟甲"_qs << QStringList{u"鹿茸龟甲"_qs};
    QTest::newRow("outside the basic plane") << u"𠀀方"_qs << QStringList{u"𠀀方"_qs};
    QTest::newRow("lone CR and lone LF break lines") << u"一\r二\n三"_qs << QStringList{u"一"_qs, u"二"_qs, u"三"_qs};
    QTest::newRow("blank line kept") << u"一\r\n\r\n二"_qs << QStringList{u"一"_qs, QString(), u"二"_qs};
    QTest::newRow("question mark after a character") << u"何?方"_qs << QStringList{u"何?方"_qs};
}

void TestEntryCore::rtf_readsBackAsTheText() {
    QFETCH(QString, text);
    QFETCH(QStringList, paragraphs);
    const QByteArray document = entry::rtfDocument(text);
    for (char c : document) {
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "an RTF document is 7-bit text");
    }
    const testing::RtfText read = testing::readRtf(document);
    QVERIFY2(read.valid, qPrintable(read.error));
    QCOMPARE(read.paragraphs, paragraphs);
    QCOMPARE(read.charsets.value(0), 134);
    QCOMPARE(read.fonts.value(0), u"宋体"_qs);
    QCOMPARE(read.formats.size(), 1);
    QCOMPARE(read.formats.first().font, u"宋体"_qs);
    QCOMPARE(read.formats.first().halfPoints, 22);
    QCOMPARE(read.formats.first().bold, false);
}

void TestEntryCore::writePrintDocument_neverOverwrites() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"prints"_qs);
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 30, 15));
    auto first = entry::writePrintDocument(folder, u"第一"_qs, when);
    auto second = entry::writePrintDocument(folder, u"第二"_qs, when);
    QVERIFY(first.ok());
    QVERIFY(second.ok());
    QVERIFY(*first != *second);
    for (const auto& [path, text] : {std::pair{*first, u"第一"_qs}, std::pair{*second, u"第二"_qs}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), entry::rtfDocument(text));
        QVERIFY(path.endsWith(u".rtf"_qs));
    }
}

void TestEntryCore::writePrintDocument_reportsAnUnwritableFolder() {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(u"file"_qs);
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    auto written = entry::writePrintDocument(blocker + u"/prints"_qs, u"方"_qs, QDateTime::currentDateTime());
    QVERIFY(!written.ok());
    QVERIFY(!written.error().description.isEmpty());
    QVERIFY(written.error().number != 0);
}

QTEST_GUILESS_MAIN(TestEntryCore)
#include "test_entry_core.moc"
