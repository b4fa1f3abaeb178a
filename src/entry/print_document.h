#pragma once

#include "store/result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The document a prescription is printed from: an RTF file the desktop's word
// processor opens, holding the print text in 宋体, 11 points, not bold.
namespace fangji::entry {

// Font of the printed prescription.
inline const QString kPrintFontName = QStringLiteral("宋体");
inline constexpr int kPrintFontPoints = 11;

// Error number reported when no word processor could be started for the document.
inline constexpr int kNoWordProcessor = 429;

// How many print documents the prints folder keeps at least, and for how many days.
inline constexpr int kKeptPrints = 50;
inline constexpr int kKeptPrintDays = 30;

// The lines of the document: CR LF, a lone CR or a lone LF ends a line.
QStringList printLines(const QString& text);

// The whole RTF document for text: one paragraph per line of printLines, every
// character outside ASCII written as \uN?; 宋体 for Western and Chinese text
// alike, on A4 paper with 25 mm margins.
QByteArray rtfDocument(const QString& text);

// Writes the document for text into a new file in folder (created when
// missing), named after the time; an existing file is never overwritten.
// Returns the path of the file written.
store::Result<QString> writePrintDocument(const QString& folder, const QString& text, const QDateTime& when);

// Removes the program's own print documents (方剂打印-….rtf) from folder that are
// neither among the newest kKeptPrints nor written or changed within the last
// kKeptPrintDays days before now. Other files are never touched. Returns how many
// were removed.
int prunePrintDocuments(const QString& folder, const QDateTime& now);

} // namespace fangji::entry
