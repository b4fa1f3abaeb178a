#pragma once

#include "grid_rows.h"
#include "query_store.h"

#include "store/database.h"
#include "store/result.h"
#include "store/schema.h"

#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

// Exporting the rows of a result: the eight texts of every prescription, as a CSV
// file (UTF-8 with a byte order mark, which spreadsheet programs read as UTF-8) or
// as an Excel workbook. No text is ever written altered: one that a format cannot
// hold as it is refuses the export, and a file is only ever replaced whole (it is
// written beside its place first and renamed into place when complete), so a failed
// or stopped export leaves no file and the one it would have replaced as it was.
namespace fangji::query {

enum class ExportFormat { Csv, Xlsx };

// The eight texts of a prescription as stored, by position; a null is a null QString.
using ExportRecord = std::array<QString, store::PrescriptionColumnCount>;

// 名称 构成 功效 主治 用法 来源 应用 临床: the header row (the names fangji-cli add reads).
const QStringList& exportColumnNames();

// The most characters Excel keeps in one cell, and the most rows of a worksheet.
inline constexpr int kXlsxCellLimit = 32767;
inline constexpr int kXlsxRowLimit = 1048576;

// A failure that is told as it is (a text, not an engine error report): the
// export's own refusals and the file system's errors carry this number.
inline constexpr int kExportRefused = 0;
// The text a window shows for a failed export.
QString exportFailureText(const store::DbError& error);

// One CSV field: quoted (quotes doubled) when it holds a comma, a quote, CR or LF.
QString csvField(const QString& text);

// A text as an Excel cell stores it (UTF-8): characters XML cannot carry (controls
// other than tab and line feed, U+FFFE, U+FFFF) as _xHHHH_ escapes, and an _xHHHH_
// that stands in the text itself with its underscore escaped, so that Excel reads
// back exactly the text.
QByteArray xlsxCellText(const QString& text);

// The eight texts of a statement's current row as stored: a U+FEFF at the start of
// a text is kept. Nothing when a text is not UTF-8.
std::optional<ExportRecord> storedRecord(const store::Statement& row);

// Writes one export file. Records are added in order; commit() puts the file in place.
// A writer destroyed without commit() leaves no file behind.
class ExportWriter {
public:
    // gridWidths (twips) give the workbook's columns the widths of the grid's.
    static store::Result<std::unique_ptr<ExportWriter>> create(ExportFormat format, const QString& path,
                                                               const ColumnWidths& gridWidths = kDefaultColumnWidths);
    virtual ~ExportWriter() = default;
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    virtual store::Status add(const ExportRecord& record) = 0;
    // Completes the file and puts it in place. Completing a workbook compresses all of it and
    // takes a while: whileWaiting, when given, is called every few hundredths of a second
    // meanwhile (the completing runs on a thread of its own).
    virtual store::Status commit(const std::function<void()>& whileWaiting = {}) = 0;

protected:
    ExportWriter() = default;
};

struct ExportOptions {
    ColumnWidths gridWidths = kDefaultColumnWidths;
    // When given, the statement must list exactly these rows (by name, in this order):
    // what a window shows is what it exports, or nothing.
    const GridRows* shown = nullptr;
    // Told the number of rows written, every few hundred rows; false stops the export.
    std::function<bool(qint64 written)> progress;
    // Called every few hundredths of a second while the file is being completed, after the
    // last row (the export can no longer be stopped then).
    std::function<void()> finishing;
};

struct ExportOutcome {
    qint64 rows = 0;
    bool stopped = false; // by the progress callback; no file was written
};

// Writes the rows of statement (whole rows of 中医方剂, in Jet SQL) to path.
store::Result<ExportOutcome> exportRows(store::Database& db, const QString& statement, ExportFormat format,
                                        const QString& path, const ExportOptions& options = {});

} // namespace fangji::query
