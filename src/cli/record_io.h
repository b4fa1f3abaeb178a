#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QTextStream;

// Reading and writing prescriptions as text: TSV, CSV and JSON Lines.
namespace fangji::cli {

// The eight texts of a prescription, by position; a null QString is a null value.
using Record = std::array<QString, 8>;

// The column names, in position order: 名称 构成 功效 主治 用法 来源 应用 临床.
const QStringList& columnNames();

enum class Format { Tsv, Csv, JsonLines };

// "tsv", "csv", "jsonl" (also "json", "jsonlines"); nullopt for anything else.
std::optional<Format> parseFormat(const QString& name);

// Writes a header (TSV and CSV only) and records.
void writeHeader(QTextStream& out, Format format);
void writeRecord(QTextStream& out, Format format, const Record& record);

// One input record with the line it starts on, or the reason it could not be read.
struct InputRecord {
    int line = 0;
    Record record;
    QString error;
};

// Reads JSON Lines (objects keyed by the column names) or CSV with a header row of
// column names. Missing keys or columns read as empty texts; blank lines are skipped.
QList<InputRecord> readJsonLines(const QByteArray& data);
QList<InputRecord> readCsv(const QByteArray& data, QString* headerError);

// Guesses the input format: JSON Lines when the first non-blank character is "{".
Format detectInputFormat(const QByteArray& data);

// TSV's escapes: backslash, tab, CR and LF as \\ \t \r \n.
QString escapeTsv(const QString& text);
// CSV's quoting: a field with a comma, quote, CR or LF is quoted, quotes doubled.
QString quoteCsv(const QString& text);

} // namespace fangji::cli
