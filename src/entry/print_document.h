#pragma once

#include "store/result.h"

#include <QDateTime>
#include <QString>

// The document a prescription is printed from: an RTF file the desktop's word
// processor opens, holding the print text in 宋体, 11 points, not bold.
namespace fangji::entry {

// Font of the printed prescription.
inline const QString kPrintFontName = QStringLiteral("宋体");
inline constexpr int kPrintFontPoints = 11;

// Error number reported when no word processor could be started for the document.
inline constexpr int kNoWordProcessor = 429;

// The whole RTF document for text: one paragraph per line (CR LF, a lone CR or
// a lone LF ends a line), every character outside ASCII written as \uN?.
QByteArray rtfDocument(const QString& text);

// Writes the document for text into a new file in folder (created when
// missing), named after the time; an existing file is never overwritten.
// Returns the path of the file written.
store::Result<QString> writePrintDocument(const QString& folder, const QString& text, const QDateTime& when);

} // namespace fangji::entry
