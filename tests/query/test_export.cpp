// Exporting a result as CSV and as an Excel workbook, without a window.
#include "test_env.h"
#include "xlsx_reader.h"

#include "query/result_export.h"
#include "store/schema.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fangji;
using namespace fangji::query;
using fangji::testing::TestDataDir;

Q_DECLARE_METATYPE(fangji::query::ExportFormat)

namespace {

const QString kAllByRowid = QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid");

// Texts that a careless writer would change: quotes and commas, the three kinds of line
// break, CJK beyond the basic plane, a leading U+FEFF, blanks at the ends, controls, an
// escape-like _x0041_, noncharacters, a NUL, formula-like starts, empty and null texts.
QList<QStringList> trickyRows() {
    return {
        {QStringLiteral("桂枝汤"), QStringLiteral("桂枝,芍药\"甘草\"大枣"), QStringLiteral("一\r\n二\r三\n四"),
         QStringLiteral(" 前后空格 "), QStringLiteral("水煎服\r\n"), QChar(0xFEFF) + QStringLiteral("伤寒论"),
         QStringLiteral("_x0041_ 与 _x005F_ 与 _x00e9_"), QStringLiteral("𠀀𪚥\t制表")},
        {QChar(0xFEFF) + QStringLiteral("麻黄汤"), QStringLiteral("\x01\x02\x1f"), QString(QChar(0)) + u"零"_qs,
         QString(QChar(0xFFFE)) + QChar(0xFFFF), QStringLiteral("=1+1"), QStringLiteral("-2"), QStringLiteral("'引号"),
         QStringLiteral("\r\n\r\n")},
        {QStringLiteral("空白"), QString(), QStringLiteral(""), QStringLiteral(" "), QStringLiteral("\n"),
         QStringLiteral("\""), QStringLiteral(","), QStringLiteral("　全角空格　")},
    };
}

// RFC 4180 as a spreadsheet program reads it; the byte order mark is reported, not read.
QList<QStringList> parseCsv(const QByteArray& bytes, bool* byteOrderMark) {
    QByteArray data = bytes;
    *byteOrderMark = data.startsWith("\xEF\xBB\xBF");
    if (*byteOrderMark) {
        data.remove(0, 3);
    }
    const QString text = QString::fromUtf8(data);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}

// The rows of an export file, header first; each row padded to eight texts.
QList<QStringList> readBack(ExportFormat format, const QString& path) {
    QList<QStringList> rows;
    if (format == ExportFormat::Csv) {
        bool bom = false;
        rows = parseCsv(testing::readFile(path), &bom);
        if (!bom) {
            qWarning("the CSV file has no byte order mark");
            return {};
        }
    } else {
        QString error;
        const auto sheet = testing::readXlsxSheet(path, &error);
        if (!sheet) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        rows = *sheet;
    }
    for (QStringList& row : rows) {
        while (row.size() < 8) {
            row << QString();
        }
    }
    return rows;
}

QList<QStringList> expectedRows(const QList<QStringList>& stored) {
    QList<QStringList> rows{exportColumnNames()};
    for (QStringList row : stored) {
        for (QString& t : row) {
            t = t.isNull() ? QString() : t; // a null reads back as an empty text
        }
        rows << row;
    }
    return rows;
}

// The entries of a folder (hidden ones too), so that a test sees what an export left behind.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

bool sameRows(const QList<QStringList>& actual, const QList<QStringList>& expected) {
    if (actual.size() != expected.size()) {
        qWarning("%lld rows, %lld expected", static_cast<long long>(actual.size()),
                 static_cast<long long>(expected.size()));
        return false;
    }
    for (qsizetype r = 0; r < actual.size(); ++r) {
        for (int c = 0; c < 8; ++c) {
            if (actual[r].value(c) != expected[r].value(c)) {
                qWarning("row %lld column %d: %s, expected %s", static_cast<long long>(r), c,
                         qPrintable(actual[r].value(c).toUtf8().toHex(' ')),
                         qPrintable(expected[r].value(c).toUtf8().toHex(' ')));
                return false;
            }
        }
    }
    return true;
}

GridRows gridOf(const QList<QStringList>& rows) {
    GridRows grid;
    for (const QStringList& r : rows) {
        grid.append({r[0], r[1], r[2], r[3], r[6]});
    }
    return grid;
}

void addFormats() {
    QTest::addColumn<ExportFormat>("format");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("csv") << ExportFormat::Csv << QStringLiteral(".csv");
    QTest::newRow("xlsx") << ExportFormat::Xlsx << QStringLiteral(".xlsx");
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void csvField_quotesOnlyWhatNeedsIt_data();
    void csvField_quotesOnlyWhatNeedsIt();
    void xlsxCellText_escapesWhatXmlCannotCarry_data();
    void xlsxCellText_escapesWhatXmlCannotCarry();
    void export_keepsEveryTextExactly_data();
    void export_keepsEveryTextExactly();
    void export_emptyResult_headerOnly_data();
    void export_emptyResult_headerOnly();
    void export_replacesAFileWhole_data();
    void export_replacesAFileWhole();
    void export_rowsOtherThanShown_refusedTargetKept_data();
    void export_rowsOtherThanShown_refusedTargetKept();
    void export_stopped_leavesNoFile_data();
    void export_stopped_leavesNoFile();
    void export_unwritableFolder_refusedClearly_data();
    void export_unwritableFolder_refusedClearly();
    void export_invalidUtf8_refused_data();
    void export_invalidUtf8_refused();
    void export_textBeyondAnExcelCell_refusedForExcelOnly();
    void export_workbook_headerWrappedAndGridWidths();
};

void TestExport::csvField_quotesOnlyWhatNeedsIt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain CJK") << u"桂枝汤"_qs << u"桂枝汤"_qs;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blanks at the ends") << u" 桂枝 "_qs << u" 桂枝 "_qs;
    QTest::newRow("comma") << u"桂枝,芍药"_qs << u"\"桂枝,芍药\""_qs;
    QTest::newRow("quote") << u"\"伤寒\"论"_qs << u"\"\"\"伤寒\"\"论\""_qs;
    QTest::newRow("CR LF") << u"一\r\n二"_qs << u"\"一\r\n二\""_qs;
    QTest::newRow("lone CR") << u"一\r二"_qs << u"\"一\r二\""_qs;
    QTest::newRow("lone LF") << u"一\n二"_qs << u"\"一\n二\""_qs;
    QTest::newRow("full-width comma") << u"桂枝，芍药"_qs << u"桂枝，芍药"_qs;
}

void TestExport::csvField_quotesOnlyWhatNeedsIt() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(csvField(text), field);
}

void TestExport::xlsxCellText_escapesWhatXmlCannotCarry_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("CJK") << u"桂枝汤𠀀"_qs << u"桂枝汤𠀀"_qs.toUtf8();
    QTest::newRow("tab and LF stay") << u"一\t二\n三"_qs << QByteArray("\xE4\xB8\x80\t\xE4\xBA\x8C\n\xE4\xB8\x89");
    QTest::newRow("CR") << u"一\r\n"_qs << QByteArray("\xE4\xB8\x80_x000D_\n");
    QTest::newRow("NUL and controls") << QString(QChar(0)) + u"\x01\x1f"_qs << QByteArray("_x0000__x0001__x001F_");
    QTest::newRow("noncharacters") << QString(QChar(0xFFFE)) + QChar(0xFFFF) << QByteArray("_xFFFE__xFFFF_");
    QTest::newRow("escape-like text") << u"_x0041_"_qs << QByteArray("_x005F_x0041_");
    QTest::newRow("escape-like, lower case") << u"a_x00e9_b"_qs << QByteArray("a_x005F_x00e9_b");
    QTest::newRow("not escape-like") << u"_x12_ _xZZZZ_ _x0041"_qs << QByteArray("_x12_ _xZZZZ_ _x0041");
    QTest::newRow("leading U+FEFF stays")
        << QString(QChar(0xFEFF)) + u"方"_qs << QByteArray("\xEF\xBB\xBF\xE6\x96\xB9");
}

void TestExport::xlsxCellText_escapesWhatXmlCannotCarry() {
    QFETCH(QString, text);
    QFETCH(QByteArray, cell);
    QCOMPARE(xlsxCellText(text), cell);
}

void TestExport::export_keepsEveryTextExactly_data() {
    addFormats();
}

void TestExport::export_keepsEveryTextExactly() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    const QList<QStringList> stored = trickyRows();
    for (const QStringList& row : stored) {
        QVERIFY(testing::addPrescription(db, row));
    }
    QTemporaryDir out;
    const QString path = out.filePath(u"结果"_qs + suffix);
    qint64 lastProgress = -1;
    ExportOptions options;
    options.progress = [&](qint64 written) {
        lastProgress = written;
        return true;
    };
    // The completing of the file is told too, after the last row.
    qint64 progressWhenFinishing = -1;
    options.finishing = [&] { progressWhenFinishing = lastProgress; };
    auto outcome = exportRows(db, kAllByRowid, format, path, options);
    QVERIFY2(outcome.ok(), outcome.ok() ? "" : qPrintable(outcome.error().description));
    QCOMPARE(outcome->rows, stored.size());
    QVERIFY(!outcome->stopped);
    QCOMPARE(lastProgress, stored.size());
    QCOMPARE(progressWhenFinishing, stored.size());
    QVERIFY(sameRows(readBack(format, path), expectedRows(stored)));
    QCOMPARE(entries(out.path()), QStringList{u"结果"_qs + suffix});
}

void TestExport::export_emptyResult_headerOnly_data() {
    addFormats();
}

void TestExport::export_emptyResult_headerOnly() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    QTemporaryDir out;
    const QString path = out.filePath(u"空"_qs + suffix);
    GridRows none;
    ExportOptions options;
    options.shown = &none;
    auto outcome = exportRows(db, kAllByRowid, format, path, options);
    QVERIFY(outcome.ok());
    QCOMPARE(outcome->rows, 0);
    QVERIFY(sameRows(readBack(format, path), {exportColumnNames()}));
    if (format == ExportFormat::Csv) {
        QCOMPARE(testing::readFile(path),
                 QByteArray("\xEF\xBB\xBF") + u"名称,构成,功效,主治,用法,来源,应用,临床\r\n"_qs.toUtf8());
    }
}

void TestExport::export_replacesAFileWhole_data() {
    addFormats();
}

void TestExport::export_replacesAFileWhole() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, trickyRows()[0]));
    QTemporaryDir out;
    const QString path = out.filePath(u"旧"_qs + suffix);
    // A longer file than the export: nothing of it may remain.
    QVERIFY(testing::writeFile(path, QByteArray(1 << 20, 'x')));
    QVERIFY(exportRows(db, kAllByRowid, format, path).ok());
    QVERIFY(sameRows(readBack(format, path), expectedRows({trickyRows()[0]})));
    QCOMPARE(entries(out.path()), QStringList{u"旧"_qs + suffix});
}

void TestExport::export_rowsOtherThanShown_refusedTargetKept_data() {
    QTest::addColumn<ExportFormat>("format");
    QTest::addColumn<int>("shownRows"); // how many of the stored rows the grid shows
    QTest::addColumn<bool>("renameFirst");
    QTest::newRow("csv: one row fewer") << ExportFormat::Csv << 2 << false;
    QTest::newRow("csv: one row more") << ExportFormat::Csv << 4 << false;
    QTest::newRow("csv: another name") << ExportFormat::Csv << 3 << true;
    QTest::newRow("xlsx: one row fewer") << ExportFormat::Xlsx << 2 << false;
    QTest::newRow("xlsx: another name") << ExportFormat::Xlsx << 3 << true;
}

void TestExport::export_rowsOtherThanShown_refusedTargetKept() {
    QFETCH(ExportFormat, format);
    QFETCH(int, shownRows);
    QFETCH(bool, renameFirst);
    TestDataDir dir;
    store::Database db = dir.open();
    QList<QStringList> rows = trickyRows();
    for (const QStringList& row : rows) {
        QVERIFY(testing::addPrescription(db, row));
    }
    rows << QStringList{u"多一行"_qs, u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs, u"e"_qs, u"f"_qs, u"g"_qs};
    rows = rows.mid(0, shownRows);
    if (renameFirst) {
        rows[0][0] = u"别的名称"_qs;
    }
    const GridRows shown = gridOf(rows);
    QTemporaryDir out;
    const QString path = out.filePath(u"结果"_qs);
    QVERIFY(testing::writeFile(path, "kept"));
    ExportOptions options;
    options.shown = &shown;
    auto outcome = exportRows(db, kAllByRowid, format, path, options);
    QVERIFY(!outcome.ok());
    QCOMPARE(exportFailureText(outcome.error()), u"查询结果已经改变，与表格显示的不同；请重新查询后再导出。"_qs);
    QCOMPARE(testing::readFile(path), QByteArray("kept"));
    QCOMPARE(entries(out.path()), QStringList{u"结果"_qs});
}

void TestExport::export_stopped_leavesNoFile_data() {
    addFormats();
}

void TestExport::export_stopped_leavesNoFile() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(db.begin().ok());
    for (int i = 0; i < 1000; ++i) {
        QVERIFY(testing::addPrescription(db, {u"方%1"_qs.arg(i), u"构成"_qs, u"功效"_qs, u"主治"_qs, u"用法"_qs,
                                              u"来源"_qs, u"应用"_qs, u"临床"_qs}));
    }
    QVERIFY(db.commit().ok());
    QTemporaryDir out;
    const QString path = out.filePath(u"停"_qs + suffix);
    int calls = 0;
    ExportOptions options;
    options.progress = [&](qint64) { return ++calls < 2; };
    auto outcome = exportRows(db, kAllByRowid, format, path, options);
    QVERIFY(outcome.ok());
    QVERIFY(outcome->stopped);
    QCOMPARE(calls, 2);
    QVERIFY(entries(out.path()).isEmpty());
}

void TestExport::export_unwritableFolder_refusedClearly_data() {
    addFormats();
}

void TestExport::export_unwritableFolder_refusedClearly() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, trickyRows()[0]));
    QTemporaryDir out;
    const QString path = out.filePath(u"没有的文件夹/结果"_qs + suffix);
    auto outcome = exportRows(db, kAllByRowid, format, path);
    QVERIFY(!outcome.ok());
    QCOMPARE(outcome.error().number, kExportRefused);
    QVERIFY2(outcome.error().description.startsWith(u"不能写出 "_qs + QDir::toNativeSeparators(path) + u"："_qs),
             qPrintable(outcome.error().description));
    QVERIFY(entries(out.path()).isEmpty());
    QVERIFY(!QFileInfo::exists(path));
}

void TestExport::export_invalidUtf8_refused_data() {
    addFormats();
}

void TestExport::export_invalidUtf8_refused() {
    QFETCH(ExportFormat, format);
    QFETCH(QString, suffix);
    TestDataDir dir;
    store::Database db = dir.open();
    // Bytes another program may have stored: 方 then a byte that begins no UTF-8 character.
    QVERIFY(testing::exec(db, u"INSERT INTO 中医方剂 VALUES('坏方', CAST(X'E696B9FF' AS TEXT),"
                              "'a','b','c','d','e','f')"_qs));
    QTemporaryDir out;
    const QString path = out.filePath(u"坏"_qs + suffix);
    auto outcome = exportRows(db, kAllByRowid, format, path);
    QVERIFY(!outcome.ok());
    QCOMPARE(exportFailureText(outcome.error()), u"方剂“坏方”中有不是有效 UTF-8 的文字，不能原样导出。"_qs);
    QVERIFY(entries(out.path()).isEmpty());
}

void TestExport::export_textBeyondAnExcelCell_refusedForExcelOnly() {
    TestDataDir dir;
    store::Database db = dir.open();
    QStringList row = trickyRows()[0];
    row[store::ColNotes] = QString(kXlsxCellLimit + 1, QChar(0x5FC3));
    QVERIFY(testing::addPrescription(db, row));
    QTemporaryDir out;
    auto workbook = exportRows(db, kAllByRowid, ExportFormat::Xlsx, out.filePath(u"长.xlsx"_qs));
    QVERIFY(!workbook.ok());
    QCOMPARE(
        exportFailureText(workbook.error()),
        u"方剂“桂枝汤”的临床有 32768 个字符，超过 Excel 一格所能容纳的 32767 个，不能导出为 Excel；可导出为 CSV。"_qs);
    QVERIFY(entries(out.path()).isEmpty());
    // A text at the limit fits.
    QVERIFY(testing::exec(db, u"UPDATE 中医方剂 SET 临床 = substr(临床, 2)"_qs));
    row[store::ColNotes].chop(1);
    QVERIFY(exportRows(db, kAllByRowid, ExportFormat::Xlsx, out.filePath(u"长.xlsx"_qs)).ok());
    QVERIFY(sameRows(readBack(ExportFormat::Xlsx, out.filePath(u"长.xlsx"_qs)), expectedRows({row})));
    // CSV has no such limit.
    row[store::ColNotes] += QChar(0x5FC3);
    QVERIFY(testing::exec(db, u"UPDATE 中医方剂 SET 临床 = 临床 || '心'"_qs));
    QVERIFY(exportRows(db, kAllByRowid, ExportFormat::Csv, out.filePath(u"长.csv"_qs)).ok());
    QVERIFY(sameRows(readBack(ExportFormat::Csv, out.filePath(u"长.csv"_qs)), expectedRows({row})));
}

void TestExport::export_workbook_headerWrappedAndGridWidths() {
    TestDataDir dir;
    store::Database db = dir.open();
    QVERIFY(testing::addPrescription(db, trickyRows()[0]));
    QTemporaryDir out;
    const QString path = out.filePath(u"宽.xlsx"_qs);
    ExportOptions options;
    options.gridWidths = {3000, 900, 6000, 1500, 4500};
    QVERIFY(exportRows(db, kAllByRowid, ExportFormat::Xlsx, path, options).ok());
    const QString sheet = QString::fromUtf8(testing::readXlsxPart(path, u"xl/worksheets/sheet1.xml"_qs).value_or(""));
    // The columns in position order: 名称 构成 功效 主治 用法 来源 应用 临床.
    static const QRegularExpression col(u"<col min=\"(\\d+)\" max=\"\\d+\" width=\"([0-9.]+)\""_qs);
    QMap<int, double> widths;
    for (auto it = col.globalMatch(sheet); it.hasNext();) {
        const auto m = it.next();
        widths[m.captured(1).toInt()] = m.captured(2).toDouble();
    }
    QCOMPARE(widths.size(), 8);
    // The grid's columns keep their order of width: 构成 < 主治 < 名称 < 应用 < 功效.
    QVERIFY(widths[2] < widths[4]);
    QVERIFY(widths[4] < widths[1]);
    QVERIFY(widths[1] < widths[7]);
    QVERIFY(widths[7] < widths[3]);
    // The header row stays in view; the texts wrap.
    QVERIFY(sheet.contains(u"<pane ySplit=\"1\""_qs));
    const QString styles = QString::fromUtf8(testing::readXlsxPart(path, u"xl/styles.xml"_qs).value_or(""));
    QVERIFY(styles.contains(u"wrapText=\"1\""_qs));
    QVERIFY(styles.contains(u"<b/>"_qs));
}

QTEST_MAIN(TestExport)

#include "test_export.moc"
