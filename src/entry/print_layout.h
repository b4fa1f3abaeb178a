#pragma once

#include "store/result.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QPageLayout;
class QPageSize;
class QPagedPaintDevice;
class QTextDocument;

// The printed prescription as a page document: the text the word processor gets,
// laid out in 宋体 11 points on paper, painted on a printer or written as PDF.
// Needs a QGuiApplication (fonts); no windows.
namespace fangji::entry {

// The document of the print text: one paragraph per line of printLines, every
// character in 宋体 (the Song face it stands for) at 11 points, not bold.
std::unique_ptr<QTextDocument> printTextDocument(const QString& text);

// The page the document is printed on: the given paper upright, with margins of
// 25 mm on A4 and larger paper and 15 mm on smaller paper (A5).
QPageLayout printPageLayout(const QPageSize& size);

// Paints the document on device, page after page, within the device's margins.
// Returns false when nothing could be painted (the device refused to start).
bool paintDocument(const QTextDocument& document, QPagedPaintDevice* device);

// The document as a PDF on A4, with the Chinese face embedded; title names it.
store::Result<QByteArray> pdfDocument(const QTextDocument& document, const QString& title);

// Writes pdfDocument into path, replacing the file only once the whole
// document is written.
store::Status writePdfFile(const QTextDocument& document, const QString& title, const QString& path);

// The file name proposed for the PDF of a prescription: its name, with the
// characters no file name may hold replaced by "_", and ".pdf".
QString pdfFileName(const QString& prescriptionName);

// Qt's PDF writer maps each glyph back to the first character that shows it,
// so a character whose glyph is shared with a radical (风 and ⻛, 黄 and ⻩,
// 方 and ⽅) comes out of the PDF as the radical when its text is copied or
// searched. Turns such radicals in the PDF's character maps back into the
// characters of text they stand for (same length, so nothing else moves).
void restoreCharacterMap(QByteArray& pdf, const QString& text, const QTextDocument& document);

} // namespace fangji::entry
