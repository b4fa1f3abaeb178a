// The order of names: the collation "zh" is one total order whose equality is the
// system's name equality, and files written by earlier builds are brought up to it.
#include "test_env.h"

#include "store/database.h"
#include "store/jet_sql.h"
#include "store/name_order.h"
#include "store/schema.h"
#include "store/zh_collator.h"

#include <sqlite3.h>

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace fangji;
using fangji::testing::TestDataDir;

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

// Names are equal when they are byte-equal once A-Z are folded to a-z.
QString foldLatin(QString s) {
    for (QChar& c : s) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + 32);
        }
    }
    return s;
}

QStringList randomTexts(const QString& alphabet, int maxLength, int count, quint32 seed) {
    QRandomGenerator rng(seed);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        QString s;
        const int n = rng.bounded(maxLength + 1);
        for (int k = 0; k < n; ++k) {
            s += alphabet[rng.bounded(alphabet.size())];
        }
        out << s;
    }
    return out;
}

// The order of names by its definition: QCollator's Chinese order of the texts with A-Z
// folded, ties broken by the folded UTF-8 bytes (a text that is not UTF-8 decoded as
// QString decodes it, its own bytes kept for the tie-break).
int referenceOrder(const QByteArray& a, const QByteArray& b) {
    static const QCollator chinese{QLocale(QLocale::Chinese, QLocale::China)};
    auto fold = [](QByteArray s) {
        for (char& c : s) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        return s;
    };
    const QByteArray fa = fold(a);
    const QByteArray fb = fold(b);
    if (fa == fb) {
        return 0;
    }
    const int r = sign(chinese.compare(QString::fromUtf8(fa), QString::fromUtf8(fb)));
    if (r != 0) {
        return r;
    }
    const int bytes = std::memcmp(fa.constData(), fb.constData(), static_cast<size_t>(std::min(fa.size(), fb.size())));
    return bytes != 0 ? sign(bytes) : sign(static_cast<int>(fa.size() - fb.size()));
}

// Texts that share a beginning: each a stem followed by a few characters of the alphabet,
// so that pairs differ after a common beginning as names and effects in a file do.
QStringList textsWithCommonBeginnings(const QStringList& stems, const QString& alphabet, int count, quint32 seed) {
    QRandomGenerator rng(seed);
    QStringList out;
    for (int i = 0; i < count; ++i) {
        QString s = stems[rng.bounded(stems.size())];
        const int n = rng.bounded(4);
        for (int k = 0; k < n; ++k) {
            s += alphabet[rng.bounded(alphabet.size())];
        }
        out << s;
    }
    return out;
}

// An earlier build's "zh": here plain byte order, under which "Ab汤" and "ab汤" differ
// and Chinese names sort by code point instead of by pinyin.
int byteOrder(void*, int na, const void* a, int nb, const void* b) {
    const int r = std::memcmp(a, b, static_cast<size_t>(std::min(na, nb)));
    return r != 0 ? r : na - nb;
}

// Writes names into the file as an earlier build did: its indexes built with that
// build's order, and the file carrying the given name-order version.
bool writeAsEarlierBuild(const QString& path, const QStringList& names, int version) {
    sqlite3* raw = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const QByteArray key = store::connectPassword(store::kMainConnect).toUtf8();
    ok = ok && sqlite3_key(raw, key.constData(), key.size()) == SQLITE_OK;
    ok = ok && sqlite3_exec(raw, "PRAGMA cipher_page_size = 4096", nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_create_collation(raw, "zh", SQLITE_UTF8, nullptr, byteOrder) == SQLITE_OK;
    ok = ok && sqlite3_exec(raw, "BEGIN; REINDEX zh", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(raw, "INSERT INTO 中医方剂 VALUES(?1,'构成','功效','主治','用法','来源',' ','临床')",
                                  -1, &insert, nullptr) == SQLITE_OK;
    for (const QString& name : names) {
        const QByteArray utf8 = name.toUtf8();
        ok = ok && sqlite3_bind_text(insert, 1, utf8.constData(), utf8.size(), SQLITE_TRANSIENT) == SQLITE_OK;
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const QByteArray end = "PRAGMA user_version = " + QByteArray::number(version) + "; COMMIT";
    ok = ok && sqlite3_exec(raw, end.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) {
        qWarning("%s", sqlite3_errmsg(raw));
    }
    sqlite3_close(raw);
    return ok;
}

int userVersion(store::Database& db) {
    return testing::rows(db, QStringLiteral("PRAGMA user_version")).value(0).value(0).toInt();
}

QString integrity(store::Database& db) {
    QStringList lines;
    for (const QStringList& row : testing::rows(db, QStringLiteral("PRAGMA integrity_check"))) {
        lines << row.value(0);
    }
    return lines.join(u'\n');
}

QStringList namesInRowOrder(store::Database& db) {
    QStringList names;
    for (const QStringList& row : testing::rows(db, QStringLiteral("SELECT 名称 FROM 中医方剂 ORDER BY rowid"))) {
        names << row.value(0);
    }
    return names;
}

// Two hundred Chinese names whose code-point order is far from their pinyin order.
QStringList manyChineseNames() {
    const QString chars = QStringLiteral("安白柴大当独甘葛桂黄藿济荆苓麻麦牛清人肾升四桃天温吴五逍小杏阳银玉真枳猪");
    QStringList names;
    for (int i = 0; i < 200; ++i) {
        names << QString(chars[i % chars.size()]) + chars[(i / chars.size()) % chars.size()] +
                     chars[(i * 13 + 5) % chars.size()] + QStringLiteral("汤");
    }
    return names;
}

} // namespace

class TestNameOrder : public QObject {
    Q_OBJECT

private slots:
    void compareZh_examples_data();
    void compareZh_examples();
    void compareZh_isOneTotalOrder_data();
    void compareZh_isOneTotalOrder();
    void compareZh_isChineseOrderThenFoldedBytes_data();
    void compareZh_isChineseOrderThenFoldedBytes();
    void compareZh_sameAsFullCollation_data();
    void compareZh_sameAsFullCollation();
    void compareZh_afterCommonBeginning_sameAsFullCollation_data();
    void compareZh_afterCommonBeginning_sameAsFullCollation();
    void orderBy_textNotUtf8_sameAsFullCollation();
    void builtContextTable_sameAsIcuGivesNow();

    void nameIndex_refusesEqualName_inAnyOrder_data();
    void nameIndex_refusesEqualName_inAnyOrder();

    void open_earlierFile_rebuildsNameIndexes_data();
    void open_earlierFile_rebuildsNameIndexes();
    void open_earlierFileWithEqualNames_keepsEveryRow_reportsThem();
    void template_carriesCurrentNameOrder();
    void equalNamesMessage_data();
    void equalNamesMessage();
};

void TestNameOrder::compareZh_examples_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");
    QTest::newRow("latin case equal") << "Ab汤"
                                      << "ab汤" << 0;
    QTest::newRow("latin all caps equal") << "XIAO CHAI HU TANG"
                                          << "xiao chai hu tang" << 0;
    QTest::newRow("identical") << "桂枝汤"
                               << "桂枝汤" << 0;
    QTest::newRow("full-width differs from ascii") << "ａｂ汤"
                                                   << "ab汤" << 1;
    QTest::newRow("full-width differs from capitals") << "ａｂ汤"
                                                      << "Ab汤" << 1;
    QTest::newRow("full-width case differs") << "Ａｂ汤"
                                             << "ａｂ汤" << 1;
    QTest::newRow("pinyin an before bai") << "安宫牛黄丸"
                                          << "白虎汤" << -1;
    QTest::newRow("pinyin ma before zhi") << "麻黄汤"
                                          << "枳实汤" << -1;
    QTest::newRow("prefix first") << "桂枝"
                                  << "桂枝汤" << -1;
    QTest::newRow("ascii letters") << "abc"
                                   << "ABD" << -1;
    QTest::newRow("digits before letters") << "9"
                                           << "a" << -1;
    QTest::newRow("empty first") << ""
                                 << "a" << -1;
}

void TestNameOrder::compareZh_examples() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    QCOMPARE(sign(store::jet::compareZh(a, b)), expected);
    QCOMPARE(sign(store::jet::compareZh(b, a)), -expected);
}

void TestNameOrder::compareZh_isOneTotalOrder_data() {
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("ascii letters both cases") << "aAbBcC" << 4 << 1u;
    QTest::newRow("ascii printable") << "aZ09 -_.,'()[]*?#~" << 5 << 2u;
    QTest::newRow("letters and digits") << "aAbB0129" << 4 << 3u;
    QTest::newRow("full-width and ascii") << "aAbBａＡｂＢ" << 3 << 4u;
    QTest::newRow("chinese") << "安白柴麻汤桂枝芍药甘草" << 4 << 5u;
    QTest::newRow("mixed") << "aAbBＡｂ0９安白汤桂 -·。\u0001\u0301\u3000" << 5 << 6u;
    QTest::newRow("mixed long") << "aAＡ安汤1 " << 12 << 7u;
}

void TestNameOrder::compareZh_isOneTotalOrder() {
    QFETCH(QString, alphabet);
    QFETCH(int, maxLength);
    QFETCH(quint32, seed);
    const QStringList pool = randomTexts(alphabet, maxLength, 300, seed);
    auto c = [](const QString& x, const QString& y) { return sign(store::jet::compareZh(x, y)); };
    QRandomGenerator rng(seed + 100);
    for (int t = 0; t < 3000; ++t) {
        QString v[3];
        for (QString& s : v) {
            s = pool[rng.bounded(pool.size())];
        }
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                const int ij = c(v[i], v[j]);
                QVERIFY2(ij == -c(v[j], v[i]), qPrintable(v[i] + u'|' + v[j]));
                QVERIFY2((ij == 0) == (foldLatin(v[i]) == foldLatin(v[j])), qPrintable(v[i] + u'|' + v[j]));
            }
        }
        // Transitivity on the sorted triple.
        std::sort(std::begin(v), std::end(v), [&](const QString& x, const QString& y) { return c(x, y) < 0; });
        QVERIFY(c(v[0], v[1]) <= 0 && c(v[1], v[2]) <= 0);
        const int expected = (c(v[0], v[1]) < 0 || c(v[1], v[2]) < 0) ? -1 : 0;
        QVERIFY2(c(v[0], v[2]) == expected, qPrintable(v[0] + u'|' + v[1] + u'|' + v[2]));
    }
    // Sorted once, every pair is in order: no cycle anywhere in the pool.
    QStringList sorted = pool;
    std::sort(sorted.begin(), sorted.end(), [&](const QString& x, const QString& y) { return c(x, y) < 0; });
    for (int i = 0; i < sorted.size(); ++i) {
        for (int j = i + 1; j < sorted.size(); ++j) {
            QVERIFY2(c(sorted[i], sorted[j]) <= 0, qPrintable(sorted[i] + u'|' + sorted[j]));
        }
    }
}

void TestNameOrder::compareZh_isChineseOrderThenFoldedBytes_data() {
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<quint32>("seed");
    // Pure ASCII pairs take the quick path; these rows hold it to the general order.
    QTest::newRow("ascii printable") << QStringLiteral(" !\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~") << 11u;
    QTest::newRow("ascii letters digits") << "aAbByYzZ0159" << 12u;
    QTest::newRow("mixed") << "aAＡ安汤1 -" << 13u;
}

void TestNameOrder::compareZh_isChineseOrderThenFoldedBytes() {
    QFETCH(QString, alphabet);
    QFETCH(quint32, seed);
    QCollator chinese{QLocale(QLocale::Chinese, QLocale::China)};
    const QStringList pool = randomTexts(alphabet, 6, 400, seed);
    QRandomGenerator rng(seed);
    for (int t = 0; t < 4000; ++t) {
        const QString a = pool[rng.bounded(pool.size())];
        const QString b = pool[rng.bounded(pool.size())];
        const QString fa = foldLatin(a);
        const QString fb = foldLatin(b);
        int expected = sign(chinese.compare(fa, fb));
        if (expected == 0) {
            expected = sign(fa.toUtf8().compare(fb.toUtf8()));
        }
        QVERIFY2(sign(store::jet::compareZh(a, b)) == expected, qPrintable(a + u'|' + b));
    }
}

// Pairs that take each way through the comparison: Chinese characters that differ where
// the texts first differ (decided there by their weights), and every kind of character
// whose weight depends on its neighbours or that has none of its own (decided by the
// collator on the whole texts).
void TestNameOrder::compareZh_sameAsFullCollation_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    auto row = [](const char* name, const QString& a, const QString& b) { QTest::newRow(name) << a << b; };
    row("first character", QStringLiteral("桂枝汤"), QStringLiteral("麻黄汤"));
    row("first character pinyin against code point", QStringLiteral("安宫牛黄丸"), QStringLiteral("白虎汤"));
    row("after a common beginning", QStringLiteral("小柴胡汤"), QStringLiteral("小承气汤"));
    row("after a long common beginning", QStringLiteral("温中散寒，利水渗湿。"),
        QStringLiteral("温中散寒，化痰散结。"));
    row("one starts the other", QStringLiteral("桂枝"), QStringLiteral("桂枝汤"));
    row("same reading", QStringLiteral("芍药"), QStringLiteral("勺药"));
    row("same reading other tone", QStringLiteral("麻黄"), QStringLiteral("马黄"));
    row("polyphone", QStringLiteral("重楼"), QStringLiteral("种楼"));
    row("traditional and simplified", QStringLiteral("桂枝湯"), QStringLiteral("桂枝汤"));
    row("traditional yellow", QStringLiteral("黃芪"), QStringLiteral("黄芪"));
    row("punctuation after a common beginning", QStringLiteral("清肺化痰。"), QStringLiteral("清肺化痰，温中散寒。"));
    row("full-width comma and ideographic comma", QStringLiteral("桂枝，"), QStringLiteral("桂枝、"));
    row("ideographic space and blank", QStringLiteral("桂枝\u3000汤"), QStringLiteral("桂枝 汤"));
    row("chinese and latin", QStringLiteral("汤a"), QStringLiteral("汤B"));
    row("chinese and a digit", QStringLiteral("汤1"), QStringLiteral("汤一"));
    row("chinese and a full-width letter", QStringLiteral("汤Ａ"), QStringLiteral("汤安"));
    row("compatibility ideograph", QStringLiteral("\uF900汤"), QStringLiteral("\u8C48汤"));
    row("compatibility ideograph then more", QStringLiteral("\uF900a"), QStringLiteral("\u8C48b"));
    row("parenthesized ideograph", QStringLiteral("\u3220"), QStringLiteral("一"));
    row("radical", QStringLiteral("\u2E80汤"), QStringLiteral("冫汤"));
    row("combining mark after", QStringLiteral("汤\u0301"), QStringLiteral("汤"));
    row("combining mark between", QStringLiteral("安\u0301白"), QStringLiteral("安白"));
    row("hangul syllables", QStringLiteral("가"), QStringLiteral("각"));
    row("hangul and chinese", QStringLiteral("가汤"), QStringLiteral("安汤"));
    row("thai vowel before consonant", QStringLiteral("เก"), QStringLiteral("กา"));
    row("katakana length mark", QStringLiteral("カー"), QStringLiteral("カア"));
    row("halfwidth katakana", QStringLiteral("\uFF76"), QStringLiteral("カ"));
    row("beyond the basic plane", QStringLiteral("\U00020000汤"), QStringLiteral("安汤"));
    row("extension a", QStringLiteral("\u3400汤"), QStringLiteral("\u4E00汤"));
    row("ignorable control", QStringLiteral("汤\u0001"), QStringLiteral("汤"));
    row("nul", QString(QChar(0)) + QStringLiteral("汤"), QStringLiteral("汤"));
    row("empty", QString(), QStringLiteral("\u0001"));
    row("capitals before chinese", QStringLiteral("AB桂枝"), QStringLiteral("ab麻黄"));
    row("capitals after chinese", QStringLiteral("桂枝AB"), QStringLiteral("桂枝ab"));
    row("private use", QStringLiteral("\uE000"), QStringLiteral("一"));
    row("unassigned", QStringLiteral("\u9FFF"), QStringLiteral("\u9FA5"));
}

void TestNameOrder::compareZh_sameAsFullCollation() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    const int expected = referenceOrder(a.toUtf8(), b.toUtf8());
    QCOMPARE(sign(store::jet::compareZh(a, b)), expected);
    QCOMPARE(sign(store::jet::compareZh(b, a)), -expected);
}

void TestNameOrder::compareZh_afterCommonBeginning_sameAsFullCollation_data() {
    QTest::addColumn<QStringList>("stems");
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<quint32>("seed");
    const QStringList names{QStringLiteral("桂枝"), QStringLiteral("小柴胡"), QStringLiteral("小"),
                            QStringLiteral("新订小建中"), QStringLiteral("")};
    const QStringList effects{QStringLiteral("温中散寒，"), QStringLiteral("清热"), QStringLiteral("清肺化痰。"),
                              QStringLiteral("安神，凉血")};
    QTest::newRow("chinese names") << names << QStringLiteral("汤湯丸散饮加减一二三安白柴麻黄黃芍勺重种") << 21u;
    QTest::newRow("effects and punctuation") << effects << QStringLiteral("，。、；：寒热止痛\u3000 ") << 22u;
    QTest::newRow("marks and compatibility")
        << names << QStringLiteral("汤\u0301\u0323\uF900\u8C48가각\u3220一") << 23u;
    QTest::newRow("latin and digits") << names << QStringLiteral("aAbB019号Ａ") << 24u;
}

void TestNameOrder::compareZh_afterCommonBeginning_sameAsFullCollation() {
    QFETCH(QStringList, stems);
    QFETCH(QString, alphabet);
    QFETCH(quint32, seed);
    const QStringList pool = textsWithCommonBeginnings(stems, alphabet, 300, seed);
    for (const QString& a : pool) {
        for (int k = 0; k < 20; ++k) {
            const QString& b = pool[(qHash(a) + static_cast<size_t>(k) * 37) % static_cast<size_t>(pool.size())];
            QVERIFY2(sign(store::jet::compareZh(a, b)) == referenceOrder(a.toUtf8(), b.toUtf8()),
                     qPrintable(a + u'|' + b));
        }
    }
}

// A damaged file may hold texts that are not UTF-8; ORDER BY still sorts them as the
// full collation does, whatever follows the bytes that break.
void TestNameOrder::orderBy_textNotUtf8_sameAsFullCollation() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QList<QByteArray> texts{
        QByteArrayLiteral("\xE6\xA1\x82\xE6\x9E\x9D"),             // 桂枝
        QByteArrayLiteral("\xE6\xA1\x82\xE6\x9E\x9D\xFF"),         // 桂枝, a byte no UTF-8 has
        QByteArrayLiteral("\xE6\xA1\x82\xE6\x9E\xE6\xB1\xA4"),     // 桂, 枝 cut short, 汤
        QByteArrayLiteral("\xE6\xA1\x82\xE6\xB1\xA4"),             // 桂汤
        QByteArrayLiteral("\xE6\xA1\x82\xED\xA0\x80\xE6\xB1\xA4"), // 桂, a surrogate, 汤
        QByteArrayLiteral("\xE6\xA1\x82\xC0\xAF\xE6\xB1\xA4"),     // 桂, an overlong "/", 汤
        QByteArrayLiteral("\xE9\xBA\xBB\xE9\xBB\x84"),             // 麻黄
        QByteArrayLiteral("\xE9\xBA\xBB\x80\xE9\xBB\x84"),         // 麻, a lone continuation byte, 黄
        QByteArrayLiteral("\xE5\xAE\x89"),                         // 安
        QByteArrayLiteral("\xE5\xAE"),                             // 安 cut short
        QByteArrayLiteral("A\xE5\xAE\x89"),                        // A安
    };
    QVERIFY(db.executeNative(QStringLiteral("CREATE TABLE t (x TEXT)")).ok());
    auto insert = db.prepareNative(QStringLiteral("INSERT INTO t VALUES(?1)"));
    QVERIFY(insert.ok());
    for (const QByteArray& text : texts) {
        QVERIFY(insert->bindUtf8(1, text.constData(), static_cast<int>(text.size())).ok());
        QVERIFY(insert->step().ok());
        QVERIFY(insert->reset().ok());
    }
    auto select = db.prepareNative(QStringLiteral("SELECT x FROM t ORDER BY x COLLATE zh"));
    QVERIFY(select.ok());
    QList<QByteArray> sorted;
    QVERIFY(store::forEachRow(*select, [&](const store::Statement& row) {
                int bytes = 0;
                const char* text = row.utf8(0, &bytes);
                sorted << QByteArray(text, bytes);
            }).ok());
    QList<QByteArray> expected = texts;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const QByteArray& x, const QByteArray& y) { return referenceOrder(x, y) < 0; });
    QCOMPARE(sorted, expected);
}

// The build keeps which characters take a place that depends on their neighbours; with the
// ICU the tests run on (the build's), it holds and says what ICU says.
void TestNameOrder::builtContextTable_sameAsIcuGivesNow() {
    const store::zh::Collator collator = store::zh::openChineseCollator();
    QVERIFY(collator);
    QVERIFY(store::zh::builtTableHolds(collator.get()));
    const store::zh::CharSet contextual = store::zh::contextualCharacters(collator.get());
    QVERIFY(contextual);
    int count = 0;
    for (UChar32 c = 0; c < 0x10000; ++c) {
        const bool built = ((store::zh::kBuiltContextual[c / 8] >> (c % 8)) & 1) != 0;
        QVERIFY2(built == static_cast<bool>(uset_contains(contextual.get(), c)), qPrintable(QString::number(c, 16)));
        count += built ? 1 : 0;
    }
    // Combining marks are among them; a plain ideograph is not.
    QVERIFY(((store::zh::kBuiltContextual[0x0301 / 8] >> (0x0301 % 8)) & 1) != 0);
    QVERIFY(((store::zh::kBuiltContextual[0x6842 / 8] >> (0x6842 % 8)) & 1) == 0); // 桂
    QVERIFY(count > 100);
}

void TestNameOrder::nameIndex_refusesEqualName_inAnyOrder_data() {
    QTest::addColumn<QStringList>("names");
    const QStringList three{QStringLiteral("Ab汤"), QStringLiteral("ａｂ汤"), QStringLiteral("ab汤")};
    QStringList order = three;
    std::sort(order.begin(), order.end());
    do {
        QTest::newRow(qPrintable(order.join(u' '))) << order;
    } while (std::next_permutation(order.begin(), order.end()));
}

void TestNameOrder::nameIndex_refusesEqualName_inAnyOrder() {
    QFETCH(QStringList, names);
    TestDataDir dir;
    store::Database db = dir.open();
    for (const QString& name : names) {
        QVERIFY(db.execute(QStringLiteral("INSERT INTO 中医方剂 (名称) VALUES('%1')").arg(name)).ok());
    }
    // "Ab汤" and "ab汤" are one name, whichever came first; "ａｂ汤" is another.
    const QString firstLatin = names.indexOf(QStringLiteral("Ab汤")) < names.indexOf(QStringLiteral("ab汤"))
                                   ? QStringLiteral("Ab汤")
                                   : QStringLiteral("ab汤");
    QStringList expected = names;
    expected.removeAll(firstLatin == QStringLiteral("Ab汤") ? QStringLiteral("ab汤") : QStringLiteral("Ab汤"));
    QCOMPARE(namesInRowOrder(db), expected);
    QVERIFY(db.executeNative(QStringLiteral("REINDEX fjmci")).ok());
    QCOMPARE(integrity(db), QStringLiteral("ok"));
    auto table = db.openTable(store::table::kPrescriptions);
    QVERIFY(table.ok());
    QVERIFY(table->setIndex(store::kNameIndex).ok());
    for (const QString& key : {QStringLiteral("AB汤"), QStringLiteral("ab汤"), QStringLiteral("aB汤")}) {
        QVERIFY(table->seek(key).ok());
        QVERIFY(!table->noMatch());
        QCOMPARE(table->field(store::ColName).toString(), firstLatin);
    }
    QVERIFY(table->seek(QStringLiteral("ａｂ汤")).ok());
    QCOMPARE(table->field(store::ColName).toString(), QStringLiteral("ａｂ汤"));
}

void TestNameOrder::open_earlierFile_rebuildsNameIndexes_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("rebuilt");
    QTest::newRow("earlier build") << 0 << true;
    // A file that says it is current is trusted: opening it reads one pragma only.
    QTest::newRow("current build") << store::kNameOrderVersion << false;
}

void TestNameOrder::open_earlierFile_rebuildsNameIndexes() {
    QFETCH(int, version);
    QFETCH(bool, rebuilt);
    TestDataDir dir;
    const QStringList names = manyChineseNames();
    QVERIFY(writeAsEarlierBuild(dir.databasePath(), names, version));
    store::Database db = dir.open();
    QVERIFY(db.isOpen());
    QCOMPARE(userVersion(db), store::kNameOrderVersion);
    QCOMPARE(namesInRowOrder(db), names);
    QCOMPARE(integrity(db) == QStringLiteral("ok"), rebuilt);
    if (!rebuilt) {
        return;
    }
    // Read through the index: pinyin order, and every name found by a seek.
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return store::jet::compareZh(a, b) < 0; });
    QStringList ordered;
    for (const QStringList& row :
         testing::rows(db, QStringLiteral("SELECT 名称 FROM 中医方剂 INDEXED BY fjmci ORDER BY 名称"))) {
        ordered << row.value(0);
    }
    QCOMPARE(ordered, expected);
    auto table = db.openTable(store::table::kPrescriptions);
    QVERIFY(table->setIndex(store::kNameIndex).ok());
    for (const QString& name : names) {
        QVERIFY(table->seek(name).ok());
        QVERIFY2(!table->noMatch(), qPrintable(name));
    }
    auto groups = store::equalNameGroups(db);
    QVERIFY(groups.ok());
    QVERIFY(groups->isEmpty());
}

void TestNameOrder::open_earlierFileWithEqualNames_keepsEveryRow_reportsThem() {
    TestDataDir dir;
    const QStringList names{QStringLiteral("桂枝汤"), QStringLiteral("x'汤"),  QStringLiteral("Ab汤"),
                            QStringLiteral("ＡＢ汤"), QStringLiteral("ab汤"),  QStringLiteral("X'汤"),
                            QStringLiteral("aB汤"),   QStringLiteral("麻黄汤")};
    QVERIFY(writeAsEarlierBuild(dir.databasePath(), names, 0));
    const QList<QStringList> expectedGroups{
        {QStringLiteral("Ab汤"), QStringLiteral("ab汤"), QStringLiteral("aB汤")},
        {QStringLiteral("x'汤"), QStringLiteral("X'汤")},
    };
    QList<QStringList> fullRows;
    {
        store::Database db = dir.open();
        QVERIFY(db.isOpen());
        // Every row and every text is still there, unchanged.
        QCOMPARE(namesInRowOrder(db), names);
        fullRows = testing::rows(db, QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid"));
        QCOMPARE(fullRows.size(), names.size());
        QCOMPARE(fullRows.value(7), (QStringList{QStringLiteral("麻黄汤"), QStringLiteral("构成"),
                                                 QStringLiteral("功效"), QStringLiteral("主治"), QStringLiteral("用法"),
                                                 QStringLiteral("来源"), QStringLiteral(" "), QStringLiteral("临床")}));
        QCOMPARE(userVersion(db), store::kNameOrderVersion);
        QCOMPARE(integrity(db), QStringLiteral("ok"));
        auto groups = store::equalNameGroups(db);
        QVERIFY(groups.ok());
        QCOMPARE(*groups, expectedGroups);
        // The name index is still there for lookups, and finds the equal names.
        auto table = db.openTable(store::table::kPrescriptions);
        QVERIFY(table->setIndex(store::kNameIndex).ok());
        QVERIFY(table->seek(QStringLiteral("AB汤")).ok());
        QVERIFY(!table->noMatch());
        QVERIFY(table->seek(QStringLiteral("ＡＢ汤")).ok());
        QCOMPARE(table->field(store::ColName).toString(), QStringLiteral("ＡＢ汤"));
        // Every other name is still refused a second time.
        QVERIFY(db.execute(QStringLiteral("INSERT INTO 中医方剂 (名称) VALUES('桂枝汤')")).ok());
        QVERIFY(db.execute(QStringLiteral("INSERT INTO 中医方剂 (名称) VALUES('麻黄汤')")).ok());
        QVERIFY(db.execute(QStringLiteral("INSERT INTO 中医方剂 (名称) VALUES('ａｂ汤')")).ok());
        QCOMPARE(namesInRowOrder(db), names + QStringList{QStringLiteral("ａｂ汤")});
        QVERIFY(db.execute(QStringLiteral("INSERT INTO 中医方剂 (名称) VALUES('Ａｂ汤')")).ok());
        QCOMPARE(namesInRowOrder(db).size(), names.size() + 2);
        QVERIFY(db.executeNative(QStringLiteral("DELETE FROM 中医方剂 WHERE rowid > %1").arg(names.size())).ok());
    }
    // Opened again: nothing more to do, the rows and the report stay.
    store::Database again = dir.open();
    QCOMPARE(testing::rows(again, QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid")), fullRows);
    auto groups = store::equalNameGroups(again);
    QVERIFY(groups.ok());
    QCOMPARE(*groups, expectedGroups);
}

void TestNameOrder::template_carriesCurrentNameOrder() {
    TestDataDir dir;
    store::Database db = dir.open();
    QCOMPARE(userVersion(db), store::kNameOrderVersion);
    QVERIFY(testing::addPrescription(db, {QStringLiteral("桂枝汤")}));
    auto groups = store::equalNameGroups(db);
    QVERIFY(groups.ok());
    QVERIFY(groups->isEmpty());
    // A file made by this build is marked at once, before it holds anything.
    QTemporaryDir tmp;
    {
        auto fresh = store::Database::create(tmp.filePath(QStringLiteral("new.mdb")), store::kMainConnect);
        QVERIFY(fresh.ok());
    }
    auto reopened = store::Database::open(tmp.filePath(QStringLiteral("new.mdb")), store::kMainConnect);
    QVERIFY(reopened.ok());
    QCOMPARE(userVersion(*reopened), store::kNameOrderVersion);
}

void TestNameOrder::equalNamesMessage_data() {
    QTest::addColumn<QList<QStringList>>("groups");
    QTest::addColumn<QString>("message");
    QTest::newRow("none") << QList<QStringList>{} << QString();
    QTest::newRow("one group") << QList<QStringList>{{"Ab汤", "ab汤"}} << "以下方剂名称相同：Ab汤、ab汤";
    QTest::newRow("two groups") << QList<QStringList>{{"Ab汤", "ab汤", "AB汤"}, {"x'汤", "X'汤"}}
                                << "以下方剂名称相同：Ab汤、ab汤、AB汤；x'汤、X'汤";
}

void TestNameOrder::equalNamesMessage() {
    QFETCH(QList<QStringList>, groups);
    QFETCH(QString, message);
    QCOMPARE(store::equalNamesMessage(groups), message);
}

QTEST_GUILESS_MAIN(TestNameOrder)
#include "test_name_order.moc"
