#pragma once

#include <QString>
#include <QStringList>

// What poppler-utils read from a PDF file, for the print tests.
namespace fangji::testing {

struct PdfFont {
    QString name; // without the subset prefix "ABCDEF+"
    QString type;
    bool embedded = false;
};

// Output of a tool run on file (empty, with error set, when it failed).
struct ToolRun {
    QString output;
    QString error;
};

// pdftotext -layout-free text of the file, one string.
ToolRun pdfText(const QString& file);
// The fonts pdffonts lists.
QList<PdfFont> pdfFonts(const QString& file, QString* error = nullptr);
// "Pages" and "Page size" as pdfinfo reports them.
struct PdfInfo {
    int pages = 0;
    QString pageSize; // e.g. "595.276 x 841.89 pts (A4)"
    QString error;
};
PdfInfo pdfInfo(const QString& file);

// Whether a font name is a Chinese Song (serif) face: Noto Serif CJK, a Song or a Ming face.
bool isChineseSongFace(const QString& fontName);

// Text with every run of white space removed, for comparing extracted text.
QString withoutSpace(const QString& text);

} // namespace fangji::testing
