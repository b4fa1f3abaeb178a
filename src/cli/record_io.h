#pragma once

#include <QByteArray>
#include <QByteArrayView>
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

// One input record with the line it starts on, or the reason it could not be read
// (without the line number).
struct InputRecord {
    int line = 0;
    Record record;
    QString error;
};

// What a reader made of a whole input: its records, or, when the input cannot be
// divided into records (a quote that never ends, a header that is not one), why
// not, with its line number; then no record is given.
struct Input {
    QList<InputRecord> records;
    QString error;
    int lineBreaks = 0; // CR, LF and CR LF in the bytes read, each counted once
};

// Where a piece of an input read piece by piece stands in the whole input.
struct InputPosition {
    int firstLine = 1;   // the number of the piece's first line
    bool atStart = true; // the piece begins the input: a byte order mark there is skipped
};

// For each column of a CSV input, the position of its text in the record (-1: a
// column without a name).
using CsvColumns = QList<int>;

// The readers take the input's bytes as they are: a UTF-8 byte order mark at the
// very start is skipped; CR, LF and CR LF each end a line; blank lines are skipped.
// A record is refused, never changed, when its bytes are not UTF-8 or it cannot
// be read as written; line breaks and every other character inside a value are
// kept exactly. Missing keys or columns read as empty texts.
//
// JSON Lines: one object per line, keyed by the column names; a value is a
// string, a number (kept as written) or null (an empty text). A line that is not
// an object, an unknown or repeated key, and a string with an unpaired surrogate
// escape are refused.
Input readJsonLines(const QByteArray& data, InputPosition at = {});
// CSV (RFC 4180) with a header row of column names. An unknown or repeated column
// name refuses the input; inside quotes, line breaks are data. columns, when given,
// receives what the header named.
Input readCsv(const QByteArray& data, InputPosition at = {}, CsvColumns* columns = nullptr);
// Rows of CSV that follow a header read before (a later piece of the same input).
Input readCsvRows(const QByteArray& data, const CsvColumns& columns, InputPosition at);

// Guesses the input format: after a byte order mark and blanks, "{" or "[" means
// JSON Lines; anything else CSV.
Format detectInputFormat(const QByteArray& data);

// Strict UTF-8: nothing when the bytes are not UTF-8 (a stray or missing continuation
// byte, an overlong form, an encoded surrogate, beyond U+10FFFF). A U+FEFF is kept
// as a character wherever it stands (QString::fromUtf8 drops one at the start).
std::optional<QString> decodeUtf8(QByteArrayView bytes);

// TSV's escapes: backslash, tab, CR and LF as \\ \t \r \n.
QString escapeTsv(const QString& text);
// CSV's quoting: a field with a comma, quote, CR or LF is quoted, quotes doubled.
QString quoteCsv(const QString& text);

} // namespace fangji::cli
