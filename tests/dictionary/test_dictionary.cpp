// Term splitting, the progress arithmetic, dictionary generation over a store,
// the progress window Frmjdys and the seeded corpus.
#include "test_env.h"

#include "bench/corpus.h"
#include "dictionary/build_dictionaries.h"
#include "dictionary/dictionary_store.h"
#include "dictionary/progress.h"
#include "dictionary/progress_form.h"
#include "dictionary/term_set.h"
#include "dictionary/term_splitter.h"
#include "store/schema.h"
#include "store/statement.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <string>
#include <string_view>

using namespace fangji;
using dictionary::Dictionary;
using testing::TestDataDir;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(fangji::dictionary::Dictionary)

namespace {

QStringList sorted(QStringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

// The single column of a table (or query) as a sorted list.
QStringList column(store::Database& db, const QString& sql) {
    QStringList out;
    for (const QStringList& row : testing::rows(db, sql)) {
        out << row.value(0);
    }
    return sorted(out);
}

QStringList dictionaryContent(store::Database& db, const QString& table) {
    return column(db, QStringLiteral("SELECT ") + table + QStringLiteral(" FROM ") + table);
}

QStringList viewNames(store::Database& db) {
    return column(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view'"));
}

// Prescription rows from their 功效, 主治 and 应用 texts (null QString() stores NULL).
bool addSources(store::Database& db, int index, const QString& effects, const QString& indications,
                const QString& clinical) {
    return testing::addPrescription(db, {QStringLiteral("方%1").arg(index), QStringLiteral("甘草6克。"), effects,
                                         indications, QStringLiteral("水煎服。"), QStringLiteral("《伤寒论》。"),
                                         clinical, QStringLiteral(" ")});
}

// Records what generation tells the window.
class Recorder final : public dictionary::GenerationObserver {
public:
    void showProgressWindow() override { events << QStringLiteral("show"); }
    void setCaption(const QString& caption) override { events << QStringLiteral("caption:") + caption; }
    void setProgress(const dictionary::ProgressStep& step) override {
        labels << step.label;
        bars << step.bar;
    }
    void processEvents() override { ++pumps; }

    QStringList events;
    QStringList labels;
    QList<float> bars;
    int pumps = 0;
};

QStringList percentRange(int from, int to, int step) {
    QStringList out;
    for (int p = from; p <= to; p += step) {
        out << QString::number(p) + u'%';
    }
    return out;
}

// Watches for Frmjdys being shown and keeps what it looked like then.
class ProgressWatcher final : public QObject {
public:
    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && object->objectName() == QStringLiteral("Frmjdys")) {
            auto* form = static_cast<QWidget*>(object);
            window = form;
            ++shows;
            topmost = form->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            position = form->pos();
            size = form->size();
            auto* bar = testing::child<QProgressBar>(form, "ProgBar");
            barRange = {bar->minimum(), bar->maximum()};
            barAtShow = bar->value();
        }
        if (event->type() == QEvent::Close && object->objectName() == QStringLiteral("Frmjdys")) {
            auto* form = static_cast<QWidget*>(object);
            lastPercent = testing::child<QLabel>(form, "Labpre")->text();
            lastCaption = testing::child<QLabel>(form, "Labprg")->text();
            lastBar = testing::child<QProgressBar>(form, "ProgBar")->value();
        }
        return false;
    }

    QPointer<QWidget> window;
    int shows = 0;
    bool topmost = false;
    QPoint position;
    QSize size;
    QPair<int, int> barRange{-1, -1};
    int barAtShow = -1;
    QString lastPercent;
    QString lastCaption;
    int lastBar = -1;
};

} // namespace

class TestDictionary : public QObject {
    Q_OBJECT

private slots:
    // Splitting.
    void splitTerms_data();
    void splitTerms();
    void splitTermsUtf8_agreesWithSplitTerms_data();
    void splitTermsUtf8_agreesWithSplitTerms();
    void splitTermsUtf8_randomTexts_agreeWithSplitTerms();
    void splitTermsUtf8_invalidBytes_stopsAndTellsSo();
    void splitTermsUtf8_everyKindOfCharacter_data();
    void splitTermsUtf8_everyKindOfCharacter();
    void termCollector_invalidUtf8_termsOfTheTextAsStored_data();
    void termCollector_invalidUtf8_termsOfTheTextAsStored();
    void termSet_termsOfOneLength_keptApartInOrder_data();
    void termSet_termsOfOneLength_keptApartInOrder();
    void termSet_manyTerms_growsKeepingOrder();
    void trimBlanks_onlySpaces_data();
    void trimBlanks_onlySpaces();

    // Progress arithmetic.
    void divideRoundHalfEven_data();
    void divideRoundHalfEven();
    void progress_labels_data();
    void progress_labels();
    void progress_twoRows_barHoldsExactFixedPoint();
    void progress_manyRows_neverPastTheBar_data();
    void progress_manyRows_neverPastTheBar();

    // Store operations.
    void addTerms_eachSplitterFillsItsOwnTable_data();
    void addTerms_eachSplitterFillsItsOwnTable();
    void addTerms_quoteAndRepeats_storedOnceIntact();
    void addTermsUtf8_invalidBytes_storedAsTheTextReadsBack();
    void addTermsUtf8_invalidUtf8_storesTheTermsOfTheTextAsStored_data();
    void addTermsUtf8_invalidUtf8_storesTheTermsOfTheTextAsStored();
    void generate_fillsTablesReplacesOldTermsAndQueries();
    void generate_nullInFirstRow_phaseInsertsNothing();
    void generate_reportsCaptionsAndPercentages_data();
    void generate_reportsCaptionsAndPercentages();
    void generate_manyRows_eventsOnlyWhenPercentChanges();
    void generate_emptyTable_showsWindowFillsNothing();
    void generate_failureMidway_returnsErrorAndKeepsOldContent();
    void generate_termsInOrderOfFirstOccurrence_asSplittingRowByRow();
    void generate_missingFile_returnsError();

    // The window.
    void placement_data();
    void placement();
    void buildDictionaries_showsTopmostWindowFillsAndCloses();
    void buildDictionaries_emptyTable_windowStillShownAndClosed();
    void buildDictionaries_failure_windowClosedErrorReturned();

    // The corpus.
    void corpus_sameSeedSameRows_namesUnique_realisticShape();
};

// ---- Splitting ------------------------------------------------------------------------------------------------

void TestDictionary::splitTerms_data() {
    QTest::addColumn<Dictionary>("dictionary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("terms");

    const auto E = Dictionary::Effects;
    const auto I = Dictionary::Indications;
    const auto C = Dictionary::Clinical;
    QTest::newRow("two effects") << E << "清热解毒，消肿止痛。" << QStringList{"清热解毒", "消肿止痛"};
    QTest::newRow("ascii bracket cut, text joins") << E << "清热(炒)解毒，" << QStringList{"清热解毒"};
    QTest::newRow("full-width bracket cut") << E << "清热（炒）解毒，" << QStringList{"清热解毒"};
    QTest::newRow("no delimiter, nothing") << E << "清热解毒" << QStringList{};
    QTest::newRow("open term at end dropped") << E << "清热解毒。凉血" << QStringList{"清热解毒"};
    QTest::newRow("blank inside removed") << E << "清 热，" << QStringList{"清热"};
    QTest::newRow("blanks around removed") << E << "  清热 解 毒 ，" << QStringList{"清热解毒"};
    QTest::newRow("only delimiters") << E << "。，；" << QStringList{};
    QTest::newRow("empty") << E << "" << QStringList{};
    QTest::newRow("zhi delimits effects") << E << "功能清热，治咽痛。" << QStringList{"功能清热", "咽痛"};
    QTest::newRow("zhi is text in indications") << I << "治咽痛。" << QStringList{"治咽痛"};
    QTest::newRow("zhi is text in clinical") << C << "治咽痛。" << QStringList{"治咽痛"};
    QTest::newRow("every delimiter") << I << "甲*乙：丙、丁；戊。己，庚"
                                     << QStringList{"甲", "乙", "丙", "丁", "戊", "己"};
    QTest::newRow("repeats kept in order") << E << "清热，凉血，清热。" << QStringList{"清热", "凉血", "清热"};
    QTest::newRow("leading delimiter") << E << "，清热，" << QStringList{"清热"};
    QTest::newRow("line break stays in effect term") << E << "清热\r\n解毒，" << QStringList{"清热\r\n解毒"};
    QTest::newRow("line feed stays in indication term") << I << "头痛\n发热，" << QStringList{"头痛\n发热"};
    QTest::newRow("ascii bracket ends only at ascii close")
        << E << "清热(炒）解毒，凉血)止血，" << QStringList{"清热止血"};
    QTest::newRow("full-width bracket ends only at full-width close")
        << I << "甲（乙)丙，丁）戊，" << QStringList{"甲戊"};
    QTest::newRow("ascii bracket never closed by full-width") << I << "甲(乙）丙，" << QStringList{};
    QTest::newRow("no nesting: first close ends the part") << E << "甲(乙(丙)丁)戊，" << QStringList{"甲丁)戊"};
    QTest::newRow("unclosed bracket skips rest, drops open term")
        << E << "清热，解毒(炒，凉血，" << QStringList{"清热"};
    QTest::newRow("delimiter inside bracket ignored") << I << "头痛（兼，咳嗽）发热，" << QStringList{"头痛发热"};
    QTest::newRow("bracket at the very end") << E << "清热，(" << QStringList{"清热"};
    QTest::newRow("single quote kept") << E << "医's方，" << QStringList{"医's方"};
    QTest::newRow("full-width space is a term character") << E << "清热　解毒，" << QStringList{"清热　解毒"};
    QTest::newRow("clinical first line only") << C << "用于感冒，发热。\r\n另见，" << QStringList{"用于感冒", "发热"};
    QTest::newRow("clinical mixed brackets") << C << "用于感冒(风寒）发热，" << QStringList{"用于感冒发热"};
    QTest::newRow("clinical mixed brackets other way") << C << "用于感冒（风寒)发热，" << QStringList{"用于感冒发热"};
    QTest::newRow("clinical return drops open term") << C << "感冒，咳嗽\r\n，" << QStringList{"感冒"};
    QTest::newRow("clinical leading return") << C << "\r\n感冒，" << QStringList{};
    QTest::newRow("clinical trims its own blanks") << C << "   用于感冒，  " << QStringList{"用于感冒"};
    QTest::newRow("clinical blank only") << C << " " << QStringList{};
    QTest::newRow("clinical line feed alone does not stop") << C << "感冒\n咳嗽，" << QStringList{"感冒\n咳嗽"};
    QTest::newRow("clinical return inside brackets skipped")
        << C << "感冒(风\r寒)，咳嗽，" << QStringList{"感冒", "咳嗽"};
    QTest::newRow("clinical unclosed bracket") << C << "感冒，咳嗽(风寒" << QStringList{"感冒"};
    QTest::newRow("return is text outside clinical") << I << "头痛\r发热，" << QStringList{"头痛\r发热"};
}

void TestDictionary::splitTerms() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QString, text);
    QFETCH(QStringList, terms);
    QCOMPARE(dictionary::splitTerms(dictionary, text), terms);
}

namespace {

// The terms forEachTermUtf8 gives, as QStrings; valid tells whether it split the whole text.
QStringList utf8Terms(Dictionary dictionary, const QByteArray& text, bool* valid = nullptr) {
    QStringList terms;
    std::string buffer = "left over from an earlier text";
    const bool whole = dictionary::forEachTermUtf8(
        dictionary, std::string_view(text.constData(), static_cast<std::size_t>(text.size())), buffer,
        [&terms](std::string_view term) {
            terms << QString::fromUtf8(term.data(), static_cast<qsizetype>(term.size()));
        });
    if (valid != nullptr) {
        *valid = whole;
    }
    return terms;
}

} // namespace

void TestDictionary::splitTermsUtf8_agreesWithSplitTerms_data() {
    splitTerms_data();
}

void TestDictionary::splitTermsUtf8_agreesWithSplitTerms() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QString, text);
    QFETCH(QStringList, terms);
    bool valid = false;
    QCOMPARE(utf8Terms(dictionary, text.toUtf8(), &valid), terms);
    QVERIFY(valid);
}

void TestDictionary::splitTermsUtf8_randomTexts_agreeWithSplitTerms() {
    // Texts made of every character the rules look at, mixed with ordinary ones of one to
    // four UTF-8 bytes, split both ways by each splitter.
    const QStringList pieces = {u"。"_s,   u"，"_s, u"；"_s, u"*"_s,  u"："_s,   u"、"_s, u"治"_s,
                                u"（"_s,   u"）"_s, u"("_s,  u")"_s,  u" "_s,    u"\r"_s, u"\n"_s,
                                u"清热"_s, u"a"_s,  u"é"_s,  u"𠀀"_s, u"解毒"_s, u"\t"_s, u"　"_s};
    QRandomGenerator random(7);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = static_cast<int>(random.bounded(24));
        for (int i = 0; i < length; ++i) {
            text += pieces[static_cast<int>(random.bounded(static_cast<quint32>(pieces.size())))];
        }
        for (Dictionary d : {Dictionary::Effects, Dictionary::Indications, Dictionary::Clinical}) {
            const QStringList expected = dictionary::splitTerms(d, text);
            const QStringList actual = utf8Terms(d, text.toUtf8());
            if (actual != expected) {
                QFAIL(qPrintable(u"text "_s + text + u" gives "_s + actual.join(u'|') + u" instead of "_s +
                                 expected.join(u'|')));
            }
        }
    }
}

void TestDictionary::splitTermsUtf8_invalidBytes_stopsAndTellsSo() {
    bool valid = true;
    // A stray continuation byte after the first term: that term is given, then the walk stops.
    QCOMPARE(utf8Terms(Dictionary::Effects, QByteArray("清热，\x80解毒，"), &valid), QStringList{u"清热"_s});
    QVERIFY(!valid);
    // Inside a bracketed part, and a surrogate written as UTF-8.
    utf8Terms(Dictionary::Indications, QByteArray("头痛(\xff)，"), &valid);
    QVERIFY(!valid);
    utf8Terms(Dictionary::Indications, QByteArray("头痛\xed\xa0\x80，"), &valid);
    QVERIFY(!valid);
    // A text cut in the middle of a character.
    utf8Terms(Dictionary::Clinical, QByteArray("感冒，\xe6\xb2"), &valid);
    QVERIFY(!valid);
}

void TestDictionary::splitTermsUtf8_everyKindOfCharacter_data() {
    QTest::addColumn<Dictionary>("dictionary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("terms");

    const auto E = Dictionary::Effects;
    const auto I = Dictionary::Indications;
    const auto C = Dictionary::Clinical;
    // The walk looks at the first byte of a character: E3 and EF start the delimiters and
    // brackets beyond ASCII, E6 starts 治, and every other lead only has to be valid.
    QTest::newRow("zhi among other E6 characters, effects") << E << "方剂治法，" << QStringList{"方剂", "法"};
    QTest::newRow("zhi among other E6 characters, indications") << I << "方剂治法，" << QStringList{"方剂治法"};
    QTest::newRow("zhi among other E6 characters, clinical") << C << "方剂治法，" << QStringList{"方剂治法"};
    QTest::newRow("zhi at the end of an effect text") << E << "清热治" << QStringList{"清热"};
    QTest::newRow("zhi before a bracket") << E << "治(咽)痛，" << QStringList{"痛"};
    QTest::newRow("E3 characters that delimit nothing") << I << "《伤寒论》〇号、" << QStringList{"《伤寒论》〇号"};
    QTest::newRow("EF characters that delimit nothing")
        << I << "头痛！～咳嗽\uFFFF；" << QStringList{"头痛！～咳嗽\uFFFF"};
    QTest::newRow("full-width close alone is text") << I << "头痛）发热，" << QStringList{"头痛）发热"};
    QTest::newRow("full-width close alone is text in clinical") << C << "头痛）发热，" << QStringList{"头痛）发热"};
    QTest::newRow("ascii close alone is text") << E << "清热)解毒，" << QStringList{"清热)解毒"};
    QTest::newRow("two-byte characters") << E << "éü，ß：" << QStringList{"éü", "ß"};
    QTest::newRow("three-byte leads E0, ED, EE")
        << I << u"\u0800\u0FFF\uD000\uD7FF\uE000，"_s << QStringList{u"\u0800\u0FFF\uD000\uD7FF\uE000"_s};
    QTest::newRow("four-byte leads F0 to F4") << I << u"\U00010000𠀀\U000E0000\U00100000\U0010FFFF，"_s
                                              << QStringList{u"\U00010000𠀀\U000E0000\U00100000\U0010FFFF"_s};
    QTest::newRow("ascii letters, digits and blanks") << E << "abc 12，x*y：" << QStringList{"abc12", "x", "y"};
    QTest::newRow("tab and NUL are term characters")
        << I << u"头\t痛"_s + QChar(0) + u"，"_s << QStringList{u"头\t痛"_s + QChar(0)};
    QTest::newRow("open run at the end dropped") << I << "头痛，发热" << QStringList{"头痛"};
    QTest::newRow("a lone character between delimiters") << I << "甲，乙，丙" << QStringList{"甲", "乙"};
    QTest::newRow("clinical return right after a delimiter") << C << "感冒，\r发热，" << QStringList{"感冒"};
    QTest::newRow("clinical blanks trimmed before a bracket") << C << "  (风寒)感冒，  " << QStringList{"感冒"};
    QTest::newRow("bracket content of every kind skipped")
        << I << u"头（é𠀀\r\n，治）痛(、：)，"_s << QStringList{"头痛"};
    QTest::newRow("blank between two bracketed parts") << E << "清(甲) (乙)热，" << QStringList{"清热"};
    QTest::newRow("a long text") << I << QString(u"头痛发热恶寒汗出，"_s).repeated(50)
                                 << QStringList(50, QStringLiteral("头痛发热恶寒汗出"));
}

void TestDictionary::splitTermsUtf8_everyKindOfCharacter() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QString, text);
    QFETCH(QStringList, terms);
    QCOMPARE(dictionary::splitTerms(dictionary, text), terms);
    bool valid = false;
    QCOMPARE(utf8Terms(dictionary, text.toUtf8(), &valid), terms);
    QVERIFY(valid);
}

namespace {

QStringList distinct(const QStringList& terms) {
    QStringList out;
    for (const QString& term : terms) {
        if (!out.contains(term)) {
            out << term;
        }
    }
    return out;
}

QStringList termsOf(const dictionary::TermSet& set) {
    QStringList out;
    for (std::size_t i = 0; i < set.size(); ++i) {
        // As the store reads the term back (a leading U+FEFF stays).
        out << store::storedText(set.at(i).data(), static_cast<int>(set.at(i).size()));
    }
    return out;
}

} // namespace

void TestDictionary::termCollector_invalidUtf8_termsOfTheTextAsStored_data() {
    QTest::addColumn<Dictionary>("dictionary");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("validUpToTheEnd"); // whether the walk in UTF-8 gets through alone
    QTest::addColumn<QStringList>("terms");

    const auto E = Dictionary::Effects;
    const auto I = Dictionary::Indications;
    const auto C = Dictionary::Clinical;
    // Every byte that is no valid UTF-8 reads as U+FFFD.
    QTest::newRow("lone continuation byte")
        << I << QByteArray("头痛\x80，发热，") << false << QStringList{u"头痛\uFFFD"_s, u"发热"_s};
    QTest::newRow("overlong two-byte form")
        << I << QByteArray("头\xC0\xAF痛，") << false << QStringList{u"头\uFFFD\uFFFD痛"_s};
    QTest::newRow("overlong three-byte form")
        << I << QByteArray("头\xE0\x80\x80痛，") << false << QStringList{u"头\uFFFD\uFFFD\uFFFD痛"_s};
    QTest::newRow("lone high surrogate") << I << QByteArray("头痛\xED\xA0\x80，") << false
                                         << QStringList{u"头痛\uFFFD\uFFFD\uFFFD"_s};
    QTest::newRow("lone low surrogate") << E << QByteArray("清热\xED\xB0\x80治咽痛，") << false
                                        << QStringList{u"清热\uFFFD\uFFFD\uFFFD"_s, u"咽痛"_s};
    QTest::newRow("above U+10FFFF") << I << QByteArray("头\xF4\x90\x80\x80痛，") << false
                                    << QStringList{u"头\uFFFD\uFFFD\uFFFD\uFFFD痛"_s};
    QTest::newRow("F5 and FF") << I << QByteArray("头\xF5痛，\xFF，") << false
                               << QStringList{u"头\uFFFD痛"_s, u"\uFFFD"_s};
    QTest::newRow("cut character before a delimiter")
        << E << QByteArray("清热\xE6\xB2，解毒，") << false << QStringList{u"清热\uFFFD\uFFFD"_s, u"解毒"_s};
    QTest::newRow("cut character at the end") << C << QByteArray("感冒，发热\xE6") << false << QStringList{u"感冒"_s};
    QTest::newRow("lead without its continuation in a run")
        << I << QByteArray("清热\xE6\x41解毒，") << false << QStringList{u"清热\uFFFDA解毒"_s};
    QTest::newRow("invalid byte inside brackets")
        << I << QByteArray("头痛(\xFF)发热，") << false << QStringList{u"头痛发热"_s};
    QTest::newRow("invalid byte in an unclosed bracket")
        << I << QByteArray("头痛，发热（\xFF") << false << QStringList{u"头痛"_s};
    QTest::newRow("blanks beside an invalid byte")
        << E << QByteArray("清 \xFF 热，") << false << QStringList{u"清\uFFFD热"_s};
    QTest::newRow("byte order mark stays with invalid bytes")
        << I << QByteArray("\xEF\xBB\xBF头痛，\xFF，") << false << QStringList{u"\uFEFF头痛"_s, u"\uFFFD"_s};
    QTest::newRow("repeats before and after the invalid byte")
        << I << QByteArray("头痛，\xFF，头痛，") << false << QStringList{u"头痛"_s, u"\uFFFD"_s};
    // The clinical walk ends at the first line's end, before bytes that would not read.
    QTest::newRow("invalid byte after the clinical line")
        << C << QByteArray("感冒，发热，\r\n\xFF，") << true << QStringList{u"感冒"_s, u"发热"_s};
    QTest::newRow("byte order mark alone is a character")
        << I << QByteArray("\xEF\xBB\xBF头痛，") << true << QStringList{u"\uFEFF头痛"_s};
    QTest::newRow("NUL byte") << I << QByteArray("头\0痛，", 10) << true << QStringList{u"头"_s + QChar(0) + u"痛"_s};
}

void TestDictionary::termCollector_invalidUtf8_termsOfTheTextAsStored() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, validUpToTheEnd);
    QFETCH(QStringList, terms);
    bool valid = !validUpToTheEnd;
    (void)utf8Terms(dictionary, bytes, &valid);
    QCOMPARE(valid, validUpToTheEnd);
    // The character rules over the text as the store reads it give the same terms.
    const QString stored = store::storedText(bytes.constData(), static_cast<int>(bytes.size()));
    QCOMPARE(distinct(dictionary::splitTerms(dictionary, stored)), terms);

    dictionary::TermCollector collector(dictionary);
    collector.addTextUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    QCOMPARE(termsOf(collector.terms()), terms);
}

void TestDictionary::termSet_termsOfOneLength_keptApartInOrder_data() {
    QTest::addColumn<int>("length");
    for (const int length : {1, 2, 3, 4, 5, 7, 8, 9, 12, 15, 16, 17, 24, 40}) {
        QTest::addRow("%d bytes", length) << length;
    }
}

void TestDictionary::termSet_termsOfOneLength_keptApartInOrder() {
    QFETCH(int, length);
    // A term and, for every byte of it, the term with that byte changed: all different.
    std::vector<std::string> terms;
    std::string base;
    for (int i = 0; i < length; ++i) {
        base += static_cast<char>('a' + i % 26);
    }
    terms.push_back(base);
    for (int i = 0; i < length; ++i) {
        std::string changed = base;
        changed[static_cast<std::size_t>(i)] = 'Z';
        terms.push_back(changed);
    }
    dictionary::TermSet set;
    for (const std::string& term : terms) {
        QVERIFY(!set.contains(term));
        QVERIFY(set.insert(term));
    }
    for (const std::string& term : terms) {
        QVERIFY(!set.insert(term));
        QVERIFY(set.contains(term));
    }
    QCOMPARE(set.size(), terms.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        QCOMPARE(std::string(set.at(i)), terms[i]);
    }
    QVERIFY(!set.contains(base + 'a'));
    QVERIFY(!set.contains(std::string_view(base).substr(1)));
    QVERIFY(!set.contains(std::string_view(base).substr(0, base.size() - 1)));
}

void TestDictionary::termSet_manyTerms_growsKeepingOrder() {
    dictionary::TermSet set;
    QVERIFY(set.empty());
    QVERIFY(!set.contains("清热"));
    std::vector<std::string> terms;
    for (int i = 0; i < 20000; ++i) {
        terms.push_back(QStringLiteral("清热%1解毒").arg(i * 7919 % 20000).toStdString());
    }
    for (const std::string& term : terms) {
        QVERIFY(set.insert(term));
        // Asked again at once and later: never a second time.
        QVERIFY(!set.insert(term));
    }
    for (const std::string& term : terms) {
        QVERIFY(!set.insert(term));
    }
    QCOMPARE(set.size(), terms.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        QCOMPARE(std::string(set.at(i)), terms[i]);
    }
    QVERIFY(!set.contains("清热20000解毒"));
}

void TestDictionary::trimBlanks_onlySpaces_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces") << "  清热  "
                            << "清热";
    QTest::newRow("all spaces") << "   "
                                << "";
    QTest::newRow("line breaks kept") << "\r\n清热\n"
                                      << "\r\n清热\n";
    QTest::newRow("inner space kept") << " 清 热 "
                                      << "清 热";
    QTest::newRow("tab kept") << "\t清热"
                              << "\t清热";
}

void TestDictionary::trimBlanks_onlySpaces() {
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(dictionary::trimBlanks(text).toString(), trimmed);
}

// ---- Progress -------------------------------------------------------------------------------------------------

void TestDictionary::divideRoundHalfEven_data() {
    QTest::addColumn<qint64>("numerator");
    QTest::addColumn<qint64>("denominator");
    QTest::addColumn<qint64>("quotient");
    QTest::newRow("exact") << qint64(330000) << qint64(3) << qint64(110000);
    QTest::newRow("half down to even") << qint64(5) << qint64(2) << qint64(2);
    QTest::newRow("half up to even") << qint64(7) << qint64(2) << qint64(4);
    QTest::newRow("half to zero") << qint64(1) << qint64(2) << qint64(0);
    QTest::newRow("below half") << qint64(330000) << qint64(7) << qint64(47143);
    QTest::newRow("above half") << qint64(330000) << qint64(9) << qint64(36667);
    QTest::newRow("unit half to even up") << qint64(330000) << qint64(60000) << qint64(6);
    QTest::newRow("unit half to even down") << qint64(330000) << qint64(132000) << qint64(2);
}

void TestDictionary::divideRoundHalfEven() {
    QFETCH(qint64, numerator);
    QFETCH(qint64, denominator);
    QFETCH(qint64, quotient);
    QCOMPARE(dictionary::divideRoundHalfEven(numerator, denominator), quotient);
}

void TestDictionary::progress_labels_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("labels"); // all three phases, in order
    QTest::newRow("2 rows") << 2 << QStringList{"16%", "33%", "50%", "66%", "82%", "99%"};
    QTest::newRow("3 rows") << 3 << percentRange(11, 99, 11);
    QTest::newRow("7 rows") << 7
                            << QStringList{"5%",  "9%",  "14%", "19%", "24%", "28%", "33%", "38%", "42%", "47%", "52%",
                                           "57%", "61%", "66%", "71%", "75%", "80%", "85%", "90%", "94%", "99%"};
    QTest::newRow("1 row") << 1 << QStringList{"33%", "66%", "99%"};
}

void TestDictionary::progress_labels() {
    QFETCH(int, rows);
    QFETCH(QStringList, labels);
    QStringList shown;
    for (const int base : dictionary::kPhaseBases) {
        for (const dictionary::ProgressStep& step : dictionary::phaseProgress(rows, base)) {
            QCOMPARE(step.label, QString::number(step.percent) + u'%');
            shown << step.label;
        }
    }
    QCOMPARE(shown, labels);
}

void TestDictionary::progress_twoRows_barHoldsExactFixedPoint() {
    const QList<dictionary::ProgressStep> first = dictionary::phaseProgress(2, 0);
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[0].bar, 16.5f);
    QCOMPARE(first[1].bar, 33.0f);
    const QList<dictionary::ProgressStep> third = dictionary::phaseProgress(7, 66);
    QCOMPARE(third.last().bar, 99.0001f);
}

void TestDictionary::progress_manyRows_neverPastTheBar_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastLabel");
    QTest::newRow("20,000 rows stay below") << 20000 << "98%";       // unit 0.0016: 66 + 32 = 98
    QTest::newRow("100,000 rows fall short") << 100000 << "96%";     // unit 0.0003: 66 + 30
    QTest::newRow("60,000 rows would reach 102") << 60000 << "100%"; // unit 0.0006: 66 + 36, held at 100
}

void TestDictionary::progress_manyRows_neverPastTheBar() {
    QFETCH(int, rows);
    QFETCH(QString, lastLabel);
    const dictionary::PhaseProgress progress(rows, 66);
    QCOMPARE(progress.at(rows).label, lastLabel);
    QVERIFY(progress.at(rows).bar <= 100.0f);
}

// ---- Store operations -----------------------------------------------------------------------------------------

void TestDictionary::addTerms_eachSplitterFillsItsOwnTable_data() {
    QTest::addColumn<Dictionary>("dictionary");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("terms");
    QTest::newRow("effects") << Dictionary::Effects << store::table::kEffects << QStringList{"甲", "乙"};
    QTest::newRow("indications") << Dictionary::Indications << store::table::kIndications << QStringList{"甲治乙"};
    QTest::newRow("clinical") << Dictionary::Clinical << store::table::kClinical << QStringList{"甲治乙"};
}

void TestDictionary::addTerms_eachSplitterFillsItsOwnTable() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QString, table);
    QFETCH(QStringList, terms);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.isOpen());
    const QString text = QStringLiteral("甲治乙，丙");
    const store::Status added = dictionary == Dictionary::Effects       ? dictionary::AddEffectTerms(db, text)
                                : dictionary == Dictionary::Indications ? dictionary::AddIndicationTerms(db, text)
                                                                        : dictionary::AddClinicalTerms(db, text);
    QVERIFY(added.ok());
    for (const QString& other : {store::table::kEffects, store::table::kIndications, store::table::kClinical}) {
        QCOMPARE(dictionaryContent(db, other), other == table ? sorted(terms) : QStringList{});
    }
}

void TestDictionary::addTermsUtf8_invalidBytes_storedAsTheTextReadsBack() {
    TestDataDir dir;
    store::Database db = dir.open();
    auto writer = dictionary::TermWriter::open(db, Dictionary::Indications);
    QVERIFY(writer.ok());
    const QByteArray text("头痛，发\xff热，咳嗽，");
    QVERIFY(writer->addTermsUtf8(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))).ok());
    // The same terms as the text read as a QString, each once.
    const QStringList expected = dictionary::indicationTerms(QString::fromUtf8(text));
    QCOMPARE(writer->sent(), expected.size());
    QCOMPARE(dictionaryContent(db, store::table::kIndications), sorted(expected));
}

void TestDictionary::addTermsUtf8_invalidUtf8_storesTheTermsOfTheTextAsStored_data() {
    termCollector_invalidUtf8_termsOfTheTextAsStored_data();
}

void TestDictionary::addTermsUtf8_invalidUtf8_storesTheTermsOfTheTextAsStored() {
    QFETCH(Dictionary, dictionary);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, terms);
    TestDataDir dir;
    store::Database db = dir.open();
    auto writer = dictionary::TermWriter::open(db, dictionary);
    QVERIFY(writer.ok());
    QVERIFY(writer->addTermsUtf8(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))).ok());
    // Each term once, and no term of a text read another way.
    QCOMPARE(writer->sent(), terms.size());
    const QString table = dictionary::phaseOf(dictionary).table;
    QCOMPARE(dictionaryContent(db, table), sorted(terms));
}

void TestDictionary::addTerms_quoteAndRepeats_storedOnceIntact() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.isOpen());
    QVERIFY(dictionary::AddEffectTerms(db, QStringLiteral("医's，清热，'); DROP TABLE 中医方剂; --，清热。")).ok());
    QVERIFY(dictionary::AddEffectTerms(db, QStringLiteral("清热，")).ok());
    QCOMPARE(dictionaryContent(db, store::table::kEffects), sorted({"医's", "清热", "');DROPTABLE中医方剂;--"}));
    QVERIFY(*db.hasTable(store::table::kPrescriptions));
}

void TestDictionary::generate_fillsTablesReplacesOldTermsAndQueries() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(db.isOpen());
        QVERIFY(
            addSources(db, 1, "清热解毒，消肿止痛。", "头痛发热（亦治咳嗽），汗出。", "用于感冒，发热。\r\n另见，"));
        QVERIFY(addSources(db, 2, " 清热解毒，凉血。 ", "治咽痛；头痛发热。", "用于感冒(风寒）发热，"));
        QVERIFY(addSources(db, 3, QString(), QString(), QString()));
        QVERIFY(addSources(db, 4, "功能清热，治咽痛。", "O'Brien综合征，", " "));
        QVERIFY(testing::exec(db, "INSERT INTO 方剂功效 VALUES('旧词')"));
        QVERIFY(testing::exec(db, "INSERT INTO 临床主治 VALUES('旧词')"));
        QVERIFY(db.createQueryDef(QStringLiteral("mine"), QStringLiteral("select 名称 FROM 中医方剂")).ok());
        QVERIFY(db.createQueryDef(QStringLiteral("002"), QStringLiteral("select 名称 FROM 中医方剂")).ok());
    }
    QVERIFY(dictionary::generateDictionaries(dir.databasePath()).ok());

    store::Database db = dir.open();
    QCOMPARE(dictionaryContent(db, store::table::kEffects),
             sorted({"清热解毒", "消肿止痛", "凉血", "功能清热", "咽痛"}));
    QCOMPARE(dictionaryContent(db, store::table::kIndications),
             sorted({"头痛发热", "汗出", "治咽痛", "O'Brien综合征"}));
    QCOMPARE(dictionaryContent(db, store::table::kClinical), sorted({"用于感冒", "发热", "用于感冒发热"}));
    QCOMPARE(viewNames(db), QStringList({"000", "001", "002"}));
    // Each stored query selects its column; the statement handed to the store ends in one blank.
    const QList<QStringList> sql = testing::rows(db, "SELECT sql FROM sqlite_master WHERE type = 'view' ORDER BY name");
    QCOMPARE(sql.size(), 3);
    const QStringList columns{QStringLiteral("功效"), QStringLiteral("主治"), QStringLiteral("应用")};
    for (int p = 0; p < 3; ++p) {
        const QString statement = QStringLiteral("select ") + columns[p] + QStringLiteral(" FROM 中医方剂 ");
        QCOMPARE(dictionary::phases()[p].querySql, statement);
        QVERIFY2(sql[p].value(0).endsWith(statement.trimmed()), qPrintable(sql[p].value(0)));
    }
    // The prescriptions themselves are untouched.
    QCOMPARE(testing::rows(db, "SELECT count(*) FROM 中医方剂").value(0).value(0), QStringLiteral("4"));
}

void TestDictionary::generate_nullInFirstRow_phaseInsertsNothing() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(addSources(db, 1, QString(), "头痛，", QString()));
        QVERIFY(addSources(db, 2, "清热，", "发热，", "感冒，"));
    }
    QVERIFY(dictionary::generateDictionaries(dir.databasePath()).ok());
    store::Database db = dir.open();
    QCOMPARE(dictionaryContent(db, store::table::kEffects), QStringList{});
    QCOMPARE(dictionaryContent(db, store::table::kIndications), sorted({"头痛", "发热"}));
    QCOMPARE(dictionaryContent(db, store::table::kClinical), QStringList{});
}

void TestDictionary::generate_reportsCaptionsAndPercentages_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("2 rows") << 2 << QStringList{"16%", "33%", "50%", "66%", "82%", "99%"};
    QTest::newRow("3 rows") << 3 << percentRange(11, 99, 11);
}

void TestDictionary::generate_reportsCaptionsAndPercentages() {
    QFETCH(int, rows);
    QFETCH(QStringList, labels);
    TestDataDir dir;
    {
        store::Database db = dir.open();
        for (int i = 0; i < rows; ++i) {
            QVERIFY(addSources(db, i, "清热，", "头痛，", "感冒，"));
        }
    }
    Recorder recorder;
    QVERIFY(dictionary::generateDictionaries(dir.databasePath(), &recorder).ok());
    QCOMPARE(recorder.events,
             QStringList({"show", "caption:正在生成方剂功用词典......", "caption:正在生成方剂主治词典......",
                          "caption:正在生成中医方剂临床使用词典......"}));
    QCOMPARE(recorder.labels, labels);
    QVERIFY(recorder.pumps > 0);
}

void TestDictionary::generate_manyRows_eventsOnlyWhenPercentChanges() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(bench::generateCorpus(db, 1500).ok());
    }
    Recorder recorder;
    QVERIFY(dictionary::generateDictionaries(dir.databasePath(), &recorder).ok());
    // 1,500 rows a phase, but a percentage is shown only when it changes: never twice in a row
    // within a phase, so about 34 a phase instead of 1,500.
    for (qsizetype i = 1; i < recorder.labels.size(); ++i) {
        const bool phaseStart =
            recorder.labels[i] == QStringLiteral("33%") || recorder.labels[i] == QStringLiteral("66%");
        QVERIFY2(recorder.labels[i] != recorder.labels[i - 1] || phaseStart, qPrintable(recorder.labels[i]));
    }
    QCOMPARE(recorder.labels.first(), QStringLiteral("0%"));
    QCOMPARE(recorder.labels.last(), QStringLiteral("99%"));
    QVERIFY2(recorder.labels.size() <= 105, qPrintable(QString::number(recorder.labels.size())));
    QVERIFY2(recorder.pumps < 150, qPrintable(QString::number(recorder.pumps)));
    store::Database db = dir.open();
    QVERIFY(dictionaryContent(db, store::table::kEffects).size() > 20);
    QVERIFY(dictionaryContent(db, store::table::kClinical).size() > 50);
}

void TestDictionary::generate_emptyTable_showsWindowFillsNothing() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, "INSERT INTO 方剂主治 VALUES('旧词')"));
    }
    Recorder recorder;
    QVERIFY(dictionary::generateDictionaries(dir.databasePath(), &recorder).ok());
    QCOMPARE(recorder.events, QStringList{"show"});
    QCOMPARE(recorder.labels, QStringList{});
    store::Database db = dir.open();
    for (const QString& table : {store::table::kEffects, store::table::kIndications, store::table::kClinical}) {
        QCOMPARE(dictionaryContent(db, table), QStringList{});
    }
    QCOMPARE(viewNames(db), QStringList({"000", "001", "002"}));
}

void TestDictionary::generate_failureMidway_returnsErrorAndKeepsOldContent() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(addSources(db, 1, "清热，", "头痛，", "感冒，"));
        QVERIFY(testing::exec(db, "INSERT INTO 方剂功效 VALUES('旧词')"));
        QVERIFY(db.createQueryDef(QStringLiteral("mine"), QStringLiteral("select 名称 FROM 中医方剂")).ok());
        // The third phase's inserts fail.
        QVERIFY(testing::exec(
            db, "CREATE TRIGGER refuse BEFORE INSERT ON 临床主治 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    Recorder recorder;
    const store::Status status = dictionary::generateDictionaries(dir.databasePath(), &recorder);
    QVERIFY(!status.ok());
    QVERIFY2(status.error().description.contains(QStringLiteral("refused")), qPrintable(status.error().description));
    QVERIFY(recorder.events.contains(QStringLiteral("caption:正在生成中医方剂临床使用词典......")));
    store::Database db = dir.open();
    QCOMPARE(dictionaryContent(db, store::table::kEffects), QStringList{"旧词"});
    QCOMPARE(viewNames(db), QStringList{"mine"});
}

namespace {

// A term as the dictionaries' unique key (COLLATE NOCASE) compares it: ASCII letters without case.
QString asKey(QString term) {
    for (QChar& c : term) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z') {
            c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return term;
}

} // namespace

void TestDictionary::generate_termsInOrderOfFirstOccurrence_asSplittingRowByRow() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(bench::generateCorpus(db, 300).ok());
        // Latin letters in either case (the table keeps the first), and texts that are no valid UTF-8.
        QVERIFY(addSources(db, 1001, "ABC，abc，清热，", "Xyz综合征，xyz综合征，", "用于ABC，用于abc，"));
        QVERIFY(testing::exec(db, "INSERT INTO 中医方剂 VALUES('坏1', '甘草6克。', CAST(X'E6B8853A83E783ADEFBC8C' AS "
                                  "TEXT), CAST(X'EFBBBFE5A4B4E7979BEFBC8CFF2CEFBC8C' AS TEXT), CAST(X'E6849FE58692' "
                                  "AS TEXT) || CAST(X'EDA080EFBC8C' AS TEXT), ' ', ' ', ' ')"));
        QVERIFY(addSources(db, 1002, "  清热解毒，凉血。 ", "头痛（亦治咳嗽）发热，", "  用于感冒，发热。\r\n另见，"));
    }
    QVERIFY(dictionary::generateDictionaries(dir.databasePath()).ok());

    store::Database db = dir.open();
    const QList<QStringList> sources = testing::rows(db, "SELECT 功效, 主治, 应用 FROM 中医方剂 ORDER BY rowid");
    QCOMPARE(sources.size(), 303);
    for (int p = 0; p < 3; ++p) {
        const dictionary::Phase& phase = dictionary::phases()[p];
        // Each text split in turn, row by row, every term inserted: the table keeps each term
        // the first time it comes, in that order.
        QStringList expected;
        QSet<QString> keys;
        for (const QStringList& row : sources) {
            for (const QString& term : dictionary::splitTerms(phase.dictionary, dictionary::trimBlanks(row[p]))) {
                if (!keys.contains(asKey(term))) {
                    keys.insert(asKey(term));
                    expected << term;
                }
            }
        }
        QStringList stored;
        for (const QStringList& row :
             testing::rows(db, QStringLiteral("SELECT %1 FROM %1 ORDER BY rowid").arg(phase.table))) {
            stored << row.value(0);
        }
        QCOMPARE(stored, expected);
        QVERIFY(expected.size() > 10);
    }
    const QStringList effects = column(db, "SELECT 方剂功效 FROM 方剂功效");
    QVERIFY(effects.contains(QStringLiteral("ABC")));
    QVERIFY(!effects.contains(QStringLiteral("abc")));
    QVERIFY(column(db, "SELECT 方剂主治 FROM 方剂主治").contains(u"\uFEFF头痛"_s));
}

void TestDictionary::generate_missingFile_returnsError() {
    TestDataDir dir(false);
    const store::Status status = dictionary::generateDictionaries(dir.databasePath());
    QVERIFY(!status.ok());
    QVERIFY(status.error().number != 0);
}

// ---- The window -----------------------------------------------------------------------------------------------

void TestDictionary::placement_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QSize>("own");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("origin") << QRect(0, 0, 1000, 700) << QSize(400, 100) << QPoint(300, 200);
    QTest::newRow("offset main window") << QRect(50, 20, 800, 600) << QSize(200, 90) << QPoint(350, 190);
    QTest::newRow("odd sizes truncate") << QRect(0, 0, 1001, 701) << QSize(400, 100) << QPoint(300, 200);
}

void TestDictionary::placement() {
    QFETCH(QRect, main);
    QFETCH(QSize, own);
    QFETCH(QPoint, topLeft);
    QCOMPARE(dictionary::progressPlacement(main, own), topLeft);
}

void TestDictionary::buildDictionaries_showsTopmostWindowFillsAndCloses() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(addSources(db, 1, "清热解毒，消肿止痛。", "头痛发热，汗出。", "用于感冒，发热。"));
        QVERIFY(addSources(db, 2, "清热解毒，凉血。", "治咽痛；", "用于感冒(风寒）发热，"));
        QVERIFY(db.createQueryDef(QStringLiteral("mine"), QStringLiteral("select 名称 FROM 中医方剂")).ok());
    }
    QWidget main;
    main.setGeometry(40, 30, 1000, 700);
    main.show();
    ProgressWatcher watcher;
    QVERIFY(dictionary::BuildDictionaries(&main).ok());

    QCOMPARE(watcher.shows, 1);
    QVERIFY(watcher.topmost);
    QCOMPARE(watcher.barRange, qMakePair(0, 100));
    QCOMPARE(watcher.barAtShow, 0);
    QCOMPARE(watcher.position, dictionary::progressPlacement(main.frameGeometry(), watcher.size));
    QCOMPARE(watcher.lastPercent, QStringLiteral("99%"));
    QCOMPARE(watcher.lastBar, 99);
    QCOMPARE(watcher.lastCaption, QStringLiteral("正在生成中医方剂临床使用词典......"));
    QTRY_VERIFY(watcher.window.isNull());

    store::Database db = dir.open();
    QCOMPARE(dictionaryContent(db, store::table::kEffects), sorted({"清热解毒", "消肿止痛", "凉血"}));
    QCOMPARE(dictionaryContent(db, store::table::kIndications), sorted({"头痛发热", "汗出", "治咽痛"}));
    QCOMPARE(dictionaryContent(db, store::table::kClinical), sorted({"用于感冒", "发热", "用于感冒发热"}));
    QCOMPARE(viewNames(db), QStringList({"000", "001", "002"}));
}

void TestDictionary::buildDictionaries_emptyTable_windowStillShownAndClosed() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, "INSERT INTO 临床主治 VALUES('旧词')"));
        QVERIFY(db.createQueryDef(QStringLiteral("mine"), QStringLiteral("select 名称 FROM 中医方剂")).ok());
    }
    ProgressWatcher watcher;
    QVERIFY(dictionary::BuildDictionaries(nullptr).ok());
    QCOMPARE(watcher.shows, 1);
    QVERIFY(watcher.topmost);
    QCOMPARE(watcher.lastPercent, QString());
    QCOMPARE(watcher.lastCaption, QString());
    QTRY_VERIFY(watcher.window.isNull());
    store::Database db = dir.open();
    QCOMPARE(dictionaryContent(db, store::table::kClinical), QStringList{});
    QCOMPARE(viewNames(db), QStringList({"000", "001", "002"}));
}

void TestDictionary::buildDictionaries_failure_windowClosedErrorReturned() {
    TestDataDir dir;
    {
        store::Database db = dir.open();
        QVERIFY(addSources(db, 1, "清热，", "头痛，", "感冒，"));
        QVERIFY(testing::exec(
            db, "CREATE TRIGGER refuse BEFORE INSERT ON 方剂主治 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    ProgressWatcher watcher;
    const store::Status status = dictionary::BuildDictionaries(nullptr);
    QVERIFY(!status.ok());
    QCOMPARE(watcher.shows, 1);
    QCOMPARE(watcher.lastCaption, QStringLiteral("正在生成方剂主治词典......"));
    QTRY_VERIFY(watcher.window.isNull());
}

// ---- Corpus ---------------------------------------------------------------------------------------------------

void TestDictionary::corpus_sameSeedSameRows_namesUnique_realisticShape() {
    const QString all = QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid");
    QList<QStringList> first;
    QList<QStringList> second;
    QList<QStringList> other;
    {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(bench::generateCorpus(db, 800).ok());
        first = testing::rows(db, all);
        // A second batch into the same table repeats the names and is refused as a whole.
        QVERIFY(!bench::generateCorpus(db, 5).ok());
        QCOMPARE(testing::rows(db, "SELECT count(*) FROM 中医方剂").value(0).value(0), QStringLiteral("800"));
    }
    {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(bench::generateCorpus(db, 800).ok());
        second = testing::rows(db, all);
    }
    {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(bench::generateCorpus(db, 800, 7).ok());
        other = testing::rows(db, all);
    }
    QCOMPARE(first.size(), 800);
    QCOMPARE(second, first);
    QVERIFY(other != first);

    QSet<QString> names;
    QList<int> herbCounts;
    int bracketed = 0;
    int multiLine = 0;
    for (const QStringList& row : first) {
        QCOMPARE(row.size(), 8);
        names.insert(row[store::ColName]);
        herbCounts << static_cast<int>(row[store::ColComposition].count(QStringLiteral("克")));
        QVERIFY(row[store::ColEffects].endsWith(u'。'));
        QVERIFY(!dictionary::effectTerms(row[store::ColEffects]).isEmpty());
        QVERIFY(row[store::ColIndications].size() >= 30 && row[store::ColIndications].size() <= 170);
        QVERIFY(row[store::ColSource].startsWith(u'《') && row[store::ColSource].endsWith(QStringLiteral("》。")));
        bracketed += row[store::ColIndications].contains(u'（') || row[store::ColIndications].contains(u'(');
        multiLine += row[store::ColClinical].contains(u'\r');
    }
    QCOMPARE(names.size(), 800);
    std::sort(herbCounts.begin(), herbCounts.end());
    QVERIFY2(herbCounts[herbCounts.size() / 2] >= 6 && herbCounts[herbCounts.size() / 2] <= 8,
             qPrintable(QString::number(herbCounts[herbCounts.size() / 2])));
    QVERIFY(herbCounts.last() <= 50);
    QVERIFY(herbCounts.last() > 12);
    QVERIFY(bracketed > 40);
    QVERIFY(multiLine > 100);
}

QTEST_MAIN(TestDictionary)
#include "test_dictionary.moc"
