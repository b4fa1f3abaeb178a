// The print document: its lines, its RTF as a word processor sets it, its page
// layout and PDF, and the clean-up of old print documents.
#include "entry/entry_text.h"
#include "entry/print_document.h"
#include "entry/print_layout.h"
#include "pdf_tools.h"
#include "rtf_reader.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using namespace fangji;
using testing::writeFile;

namespace {

// The print text of a prescription whose characters share glyphs with radicals (风, 黄, 方, 骨, 长).
QString guizhiText() {
    entry::EntryRecord r{u"桂枝汤"_qs,
                         u"桂枝9克，芍药9克，麻黄6克，甘草6克。"_qs,
                         u"解肌发表，调和营卫。"_qs,
                         u"外感风寒表虚证，头痛，骨节疼痛。"_qs,
                         u"水煎服，日三服。"_qs,
                         u"《伤寒论》。"_qs,
                         u"感冒。\r\n方长者慎用。"_qs,
                         u" "_qs};
    return entry::trimSpaces(entry::printText(r, QDate(2026, 3, 7)));
}

QStringList blocksOf(const QTextDocument& document) {
    QStringList lines;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        lines << b.text();
    }
    return lines;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void printLines_data();
    void printLines();
    void rtf_namesSongForEveryClassOnA4();
    void document_holdsTheLinesInSongEleven_data();
    void document_holdsTheLinesInSongEleven();
    void pageLayout_marginsFollowThePaper_data();
    void pageLayout_marginsFollowThePaper();
    void pdfFileName_data();
    void pdfFileName();
    void characterMap_radicalsBecomeTheirCharacters_data();
    void characterMap_radicalsBecomeTheirCharacters();
    void pdf_holdsTheTextsInAnEmbeddedSongFace();
    void pdf_longTextRunsOverPages();
    void prune_keepsNewestAndRecent_data();
    void prune_keepsNewestAndRecent();
    void rtf_wordProcessorSetsSongOnA4();
};

void TestPrint::printLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << u"甲\r\n乙"_qs << QStringList{u"甲"_qs, u"乙"_qs};
    QTest::newRow("lone CR") << u"甲\r乙"_qs << QStringList{u"甲"_qs, u"乙"_qs};
    QTest::newRow("lone LF") << u"甲\n乙"_qs << QStringList{u"甲"_qs, u"乙"_qs};
    QTest::newRow("empty line kept") << u"甲\r\n\r\n乙"_qs << QStringList{u"甲"_qs, QString(), u"乙"_qs};
    QTest::newRow("LF CR is two ends") << u"甲\n\r乙"_qs << QStringList{u"甲"_qs, QString(), u"乙"_qs};
    QTest::newRow("one line") << u"甲乙"_qs << QStringList{u"甲乙"_qs};
}

void TestPrint::printLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(entry::printLines(text), lines);
    // The RTF document has the same paragraphs.
    QCOMPARE(testing::readRtf(entry::rtfDocument(text)).paragraphs, lines);
}

void TestPrint::rtf_namesSongForEveryClassOnA4() {
    const QByteArray rtf = entry::rtfDocument(guizhiText());
    QVERIFY(rtf.contains("\\paperw11906\\paperh16838"));
    QVERIFY(rtf.contains("\\margl1417\\margr1417\\margt1417\\margb1417"));
    QVERIFY(rtf.contains("\\langfe2052"));
    QVERIFY(rtf.contains("\\loch\\f0\\hich\\f0\\dbch\\f0"));
    const testing::RtfText doc = testing::readRtf(rtf);
    QVERIFY2(doc.valid, qPrintable(doc.error));
    QCOMPARE(doc.fonts.value(0), u"宋体"_qs);
    QCOMPARE(doc.formats, (QList<testing::RtfText::Format>{{u"宋体"_qs, 22, false}}));
    QCOMPARE(doc.paragraphs, entry::printLines(guizhiText()));
}

void TestPrint::document_holdsTheLinesInSongEleven_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("prescription") << guizhiText();
    QTest::newRow("line breaks of every kind") << u"方剂名称：甲\r\n\r\n方剂来源：乙\n丙\r丁"_qs;
    QTest::newRow("tab and Latin") << u"方剂名称：A\tb 1.5克"_qs;
}

void TestPrint::document_holdsTheLinesInSongEleven() {
    QFETCH(QString, text);
    const std::unique_ptr<QTextDocument> document = entry::printTextDocument(text);
    QCOMPARE(blocksOf(*document), entry::printLines(text));
    QVERIFY(!document->isUndoAvailable());
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QCOMPARE(f.fontFamilies().toStringList().value(0), u"宋体"_qs);
            QCOMPARE(f.fontPointSize(), 11.0);
            QCOMPARE(f.fontWeight(), int(QFont::Normal));
        }
    }
    QCOMPARE(document->defaultFont().families().value(0), u"宋体"_qs);
}

void TestPrint::pageLayout_marginsFollowThePaper_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<double>("margin");
    QTest::newRow("A4") << int(QPageSize::A4) << 25.0;
    QTest::newRow("Letter") << int(QPageSize::Letter) << 25.0;
    QTest::newRow("A5") << int(QPageSize::A5) << 15.0;
    QTest::newRow("B5") << int(QPageSize::B5) << 15.0;
}

void TestPrint::pageLayout_marginsFollowThePaper() {
    QFETCH(int, paper);
    QFETCH(double, margin);
    const QPageLayout page = entry::printPageLayout(QPageSize(QPageSize::PageSizeId(paper)));
    QCOMPARE(page.pageSize().id(), QPageSize::PageSizeId(paper));
    QCOMPARE(page.orientation(), QPageLayout::Portrait);
    QCOMPARE(page.margins(QPageLayout::Millimeter), QMarginsF(margin, margin, margin, margin));
}

void TestPrint::pdfFileName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << u"桂枝汤"_qs << u"桂枝汤.pdf"_qs;
    QTest::newRow("slash and colon") << u"甲/乙:丙"_qs << u"甲_乙_丙.pdf"_qs;
    QTest::newRow("quotes, stars, pipes") << u"a\"b*c?d<e>f|g\\h"_qs << u"a_b_c_d_e_f_g_h.pdf"_qs;
    QTest::newRow("hidden") << u".汤"_qs << u"方剂.汤.pdf"_qs;
    QTest::newRow("empty") << QString() << u"方剂.pdf"_qs;
}

void TestPrint::pdfFileName() {
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(entry::pdfFileName(name), file);
}

void TestPrint::characterMap_radicalsBecomeTheirCharacters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QByteArray>("restored");
    // ⽅ U+2F45 and 方, ⻛ U+2EDB and 风, ⻩ U+2EE9 and 黄 share their glyphs in the Song face.
    QTest::newRow("range array") << u"方风黄A"_qs
                                 << QByteArray("begincmap\n1 beginbfrange\n<0001> <0004> [<2F45> <2EDB> <2EE9> "
                                               "<0041> ]\nendbfrange\nendcmap\n")
                                 << QByteArray("begincmap\n1 beginbfrange\n<0001> <0004> [<65B9> <98CE> <9EC4> "
                                               "<0041> ]\nendbfrange\nendcmap\n");
    QTest::newRow("glyph numbers stay") << u"方"_qs
                                        << QByteArray("begincmap\n1 beginbfrange\n<2F45> <2F45> <2F45>\nendbfrange\n"
                                                      "1 beginbfchar\n<2F45> <2F45>\nendbfchar\nendcmap\n")
                                        << QByteArray("begincmap\n1 beginbfrange\n<2F45> <2F45> <65B9>\nendbfrange\n"
                                                      "1 beginbfchar\n<2F45> <65B9>\nendbfchar\nendcmap\n");
    QTest::newRow("radical in the text stays") << u"⽅方"_qs
                                               << QByteArray("begincmap\n1 beginbfchar\n<0001> <2F45>\nendbfchar\n"
                                                             "endcmap\n")
                                               << QByteArray("begincmap\n1 beginbfchar\n<0001> <2F45>\nendbfchar\n"
                                                             "endcmap\n");
    QTest::newRow("character not in the text") << u"风"_qs
                                               << QByteArray("begincmap\n1 beginbfchar\n<0001> <2F45>\nendbfchar\n"
                                                             "endcmap\n")
                                               << QByteArray("begincmap\n1 beginbfchar\n<0001> <2F45>\nendbfchar\n"
                                                             "endcmap\n");
    QTest::newRow("outside a character map")
        << u"方"_qs << QByteArray("stream <2F45> endstream") << QByteArray("stream <2F45> endstream");
}

void TestPrint::characterMap_radicalsBecomeTheirCharacters() {
    QFETCH(QString, text);
    QFETCH(QByteArray, map);
    QFETCH(QByteArray, restored);
    const std::unique_ptr<QTextDocument> document = entry::printTextDocument(text);
    QByteArray pdf = map;
    entry::restoreCharacterMap(pdf, text, *document);
    QCOMPARE(pdf, restored);
}

void TestPrint::pdf_holdsTheTextsInAnEmbeddedSongFace() {
    const QString text = guizhiText();
    const std::unique_ptr<QTextDocument> document = entry::printTextDocument(text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"桂枝汤.pdf"_qs);
    const store::Status written = entry::writePdfFile(*document, u"桂枝汤"_qs, path);
    QVERIFY2(written.ok(), qPrintable(written ? QString() : written.error().description));

    const testing::ToolRun extracted = testing::pdfText(path);
    QVERIFY2(extracted.error.isEmpty(), qPrintable(extracted.error));
    const QString found = testing::withoutSpace(extracted.output);
    for (const QString& line : entry::printLines(text)) {
        QVERIFY2(found.contains(testing::withoutSpace(line)), qPrintable(line + u" not in: "_qs + extracted.output));
    }
    QString error;
    const QList<testing::PdfFont> fonts = testing::pdfFonts(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!fonts.isEmpty());
    for (const testing::PdfFont& font : fonts) {
        QVERIFY2(font.embedded, qPrintable(font.name));
        QVERIFY2(testing::isChineseSongFace(font.name), qPrintable(font.name));
    }
    const testing::PdfInfo info = testing::pdfInfo(path);
    QVERIFY2(info.error.isEmpty(), qPrintable(info.error));
    QCOMPARE(info.pages, 1);
    QVERIFY2(info.pageSize.contains(u"(A4)"_qs), qPrintable(info.pageSize));
}

void TestPrint::pdf_longTextRunsOverPages() {
    // A composition of 600 herbs runs over the first page; every line still prints once.
    QStringList herbs;
    for (int i = 0; i < 600; ++i) {
        herbs << u"药%1克"_qs.arg(i);
    }
    const QString text = u"方剂名称：大方\r\n方剂内容："_qs + herbs.join(u"，"_qs) + u"\r\n打印时间：2026-03-07"_qs;
    const std::unique_ptr<QTextDocument> document = entry::printTextDocument(text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"大方.pdf"_qs);
    QVERIFY(entry::writePdfFile(*document, u"大方"_qs, path).ok());
    const testing::PdfInfo info = testing::pdfInfo(path);
    QVERIFY2(info.pages >= 2, qPrintable(QString::number(info.pages)));
    const QString found = testing::withoutSpace(testing::pdfText(path).output);
    QVERIFY(found.contains(u"药0克，药1克"_qs));
    QVERIFY(found.contains(u"药599克"_qs));
    QVERIFY(found.endsWith(u"打印时间：2026-03-07"_qs));
}

void TestPrint::prune_keepsNewestAndRecent_data() {
    QTest::addColumn<int>("old");    // documents written and last changed 40 days and more ago
    QTest::addColumn<int>("recent"); // documents of the last few days
    QTest::addColumn<int>("kept");
    QTest::newRow("few old ones stay") << 10 << 0 << 10;
    QTest::newRow("the newest fifty stay") << 70 << 0 << 50;
    QTest::newRow("recent beyond fifty stay, old go") << 20 << 60 << 60;
    QTest::newRow("recent and old up to fifty") << 30 << 30 << 50;
}

void TestPrint::prune_keepsNewestAndRecent() {
    QFETCH(int, old);
    QFETCH(int, recent);
    QFETCH(int, kept);
    QTemporaryDir dir;
    const QDateTime now(QDate(2026, 3, 7), QTime(10, 0));
    auto make = [&](const QDateTime& when, int n) {
        const QString name = u"方剂打印-"_qs + when.toString(u"yyyyMMdd-HHmmss"_qs) +
                             (n > 0 ? u"-%1"_qs.arg(n) : QString()) + u".rtf"_qs;
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1}");
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    for (int i = 0; i < old; ++i) {
        make(now.addDays(-40 - i), i % 2);
    }
    for (int i = 0; i < recent; ++i) {
        make(now.addSecs(-3600 * i), 0);
    }
    // Files the program did not write, however old, stay.
    for (const char* other : {"notes.rtf", "方剂打印-说明.rtf", "方剂打印-20200101-000000.rtf.bak"}) {
        QFile f(dir.filePath(QString::fromUtf8(other)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.setFileTime(now.addYears(-5), QFileDevice::FileModificationTime));
    }
    // An old print the user changed last week stays too.
    make(now.addDays(-400), 0);
    const QString edited = u"方剂打印-"_qs + now.addDays(-400).toString(u"yyyyMMdd-HHmmss"_qs) + u".rtf"_qs;
    {
        QFile f(dir.filePath(edited));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(now.addDays(-7), QFileDevice::FileModificationTime));
    }

    const int removed = entry::prunePrintDocuments(dir.path(), now);
    const QStringList prints = QDir(dir.path()).entryList({u"方剂打印-2*.rtf"_qs}, QDir::Files);
    QCOMPARE(prints.size(), kept + 1);
    QCOMPARE(removed, old + recent - kept);
    QVERIFY(prints.contains(edited));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), prints.size() + 3);
}

void TestPrint::rtf_wordProcessorSetsSongOnA4() {
    // The document as LibreOffice Writer sets it (converted headless, with a profile of its own).
    QTemporaryDir dir;
    const QString text = guizhiText();
    const QString rtf = dir.filePath(u"print.rtf"_qs);
    QVERIFY(writeFile(rtf, entry::rtfDocument(text)));
    QProcess soffice;
    soffice.start(u"soffice"_qs, {u"-env:UserInstallation=file://"_qs + dir.filePath(u"profile"_qs), u"--headless"_qs,
                                  u"--convert-to"_qs, u"pdf"_qs, u"--outdir"_qs, dir.path(), rtf});
    QVERIFY2(soffice.waitForStarted(30000), "soffice cannot be started (scripts/install-deps installs it)");
    QVERIFY2(soffice.waitForFinished(180000), "soffice did not finish");
    const QString pdf = dir.filePath(u"print.pdf"_qs);
    QVERIFY2(QFile::exists(pdf), soffice.readAllStandardError().constData());

    QString error;
    const QList<testing::PdfFont> fonts = testing::pdfFonts(pdf, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!fonts.isEmpty());
    for (const testing::PdfFont& font : fonts) {
        // Chinese text, digits and Latin letters alike: the Song face 宋体 stands for.
        QVERIFY2(testing::isChineseSongFace(font.name), qPrintable(font.name));
    }
    const testing::PdfInfo info = testing::pdfInfo(pdf);
    QVERIFY2(info.pageSize.startsWith(u"595"_qs) && info.pageSize.contains(u"x 841.89"_qs), qPrintable(info.pageSize));
    const QString found = testing::withoutSpace(testing::pdfText(pdf).output);
    for (const QString& line : entry::printLines(text)) {
        QVERIFY2(found.contains(testing::withoutSpace(line)), qPrintable(line));
    }
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
