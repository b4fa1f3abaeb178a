#include "print_layout.h"

#include "print_document.h"

#include "platform/fonts.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontDatabase>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cctype>

namespace fangji::entry {

namespace {

// 宋体 first, as the word processor's document names it; the Song face it stands for
// next, so that a program that has not mapped the name (fangji-cli) sets the same face.
QStringList printFamilies() {
    return {kPrintFontName, QString::fromLatin1(platform::kSongFace)};
}

QFont printFont() {
    QFont font;
    font.setFamilies(printFamilies());
    font.setPointSize(kPrintFontPoints);
    font.setWeight(QFont::Normal);
    return font;
}

constexpr char16_t kRadicalsFirst = 0x2E80; // CJK Radicals Supplement
constexpr char16_t kRadicalsLast = 0x2FDF;  // end of the Kangxi Radicals

bool isRadical(char16_t c) {
    return c >= kRadicalsFirst && c <= kRadicalsLast;
}

bool isHex4(const QByteArray& pdf, qsizetype at) {
    if (at + 6 > pdf.size() || pdf[at] != '<' || pdf[at + 5] != '>') {
        return false;
    }
    for (qsizetype i = at + 1; i < at + 5; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(pdf[i]))) {
            return false;
        }
    }
    return true;
}

// Rewrites the target codes of one line of a bfrange or bfchar section: the codes in
// brackets, or the last code of the line (the first codes of a line are glyph numbers).
void rewriteTargets(QByteArray& pdf, qsizetype begin, qsizetype end, const QHash<char16_t, char16_t>& replacement) {
    QList<qsizetype> codes;
    qsizetype bracket = -1;
    for (qsizetype i = begin; i < end; ++i) {
        if (pdf[i] == '[') {
            bracket = i;
        } else if (isHex4(pdf, i)) {
            codes << i;
            i += 5;
        }
    }
    for (qsizetype at : codes) {
        const bool target = bracket >= 0 ? at > bracket : at == codes.last() && codes.size() > 1;
        if (!target) {
            continue;
        }
        const auto code = static_cast<char16_t>(pdf.mid(at + 1, 4).toUInt(nullptr, 16));
        if (const auto it = replacement.constFind(code); it != replacement.constEnd()) {
            const QByteArray hex = QByteArray::number(static_cast<uint>(*it), 16).toUpper().rightJustified(4, '0');
            pdf.replace(at + 1, 4, hex);
        }
    }
}

} // namespace

std::unique_ptr<QTextDocument> printTextDocument(const QString& text) {
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(printFont());
    QTextCharFormat format;
    format.setFontFamilies(printFamilies());
    format.setFontPointSize(kPrintFontPoints);
    format.setFontWeight(QFont::Normal);
    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    cursor.setBlockCharFormat(format);
    const QStringList lines = printLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            cursor.insertBlock(QTextBlockFormat(), format);
        }
        cursor.insertText(lines[i], format);
    }
    cursor.endEditBlock();
    document->clearUndoRedoStacks();
    document->setModified(false);
    return document;
}

QPageLayout printPageLayout(const QPageSize& size) {
    const QSizeF paper = size.size(QPageSize::Millimeter);
    const double margin = std::min(paper.width(), paper.height()) >= 200.0 ? 25.0 : 15.0;
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
}

bool paintDocument(const QTextDocument& document, QPagedPaintDevice* device) {
    QPainter painter;
    if (!painter.begin(device)) {
        return false;
    }
    // A copy laid out for the device: sizes in points come out at the device's resolution.
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->documentLayout()->setPaintDevice(device);
    copy->setDocumentMargin(0);
    const QSizeF page(device->width(), device->height());
    copy->setPageSize(page);
    const int pages = copy->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device->newPage()) {
            return false;
        }
        const QRectF clip(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        copy->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

store::Result<QByteArray> pdfDocument(const QTextDocument& document, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(printPageLayout(QPageSize(QPageSize::A4)));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("禾枢药典之方剂"));
        if (!paintDocument(document, &writer)) {
            return store::DbError{QFileDevice::WriteError, QStringLiteral("不能生成 PDF 文档")};
        }
    }
    QByteArray pdf = buffer.data();
    if (pdf.isEmpty()) {
        return store::DbError{QFileDevice::WriteError, QStringLiteral("不能生成 PDF 文档")};
    }
    restoreCharacterMap(pdf, document.toPlainText(), document);
    return pdf;
}

store::Status writePdfFile(const QTextDocument& document, const QString& title, const QString& path) {
    auto pdf = pdfDocument(document, title);
    if (!pdf) {
        return pdf.error();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*pdf) != pdf->size() || !file.commit()) {
        return store::DbError{static_cast<int>(file.error()), file.errorString()};
    }
    return {};
}

QString pdfFileName(const QString& prescriptionName) {
    QString name = prescriptionName.trimmed();
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c)) {
            c = u'_';
        }
    }
    if (name.isEmpty() || name.startsWith(u'.')) {
        name.prepend(QStringLiteral("方剂"));
    }
    return name + QStringLiteral(".pdf");
}

void restoreCharacterMap(QByteArray& pdf, const QString& text, const QTextDocument& document) {
    const QRawFont font = QRawFont::fromFont(document.defaultFont(), QFontDatabase::SimplifiedChinese);
    if (!font.isValid()) {
        return;
    }
    auto glyphOf = [&font](char16_t c) -> quint32 {
        const QList<quint32> glyphs = font.glyphIndexesForString(QString(QChar(c)));
        return glyphs.size() == 1 ? glyphs.first() : 0;
    };
    QHash<quint32, char16_t> shown; // glyph -> the first character of text it shows
    for (const QChar c : text) {
        if (isRadical(c.unicode()) || c.isSurrogate()) {
            continue;
        }
        if (const quint32 glyph = glyphOf(c.unicode()); glyph != 0 && !shown.contains(glyph)) {
            shown.insert(glyph, c.unicode());
        }
    }
    QHash<char16_t, char16_t> replacement;
    for (char16_t r = kRadicalsFirst; r <= kRadicalsLast; ++r) {
        if (text.contains(QChar(r))) {
            continue; // the text holds the radical itself: the map cannot tell them apart
        }
        if (const quint32 glyph = glyphOf(r); glyph != 0 && shown.contains(glyph)) {
            replacement.insert(r, shown.value(glyph));
        }
    }
    if (replacement.isEmpty()) {
        return;
    }
    for (qsizetype from = 0;;) {
        const qsizetype begin = pdf.indexOf("begincmap", from);
        const qsizetype end = begin < 0 ? -1 : pdf.indexOf("endcmap", begin);
        if (end < 0) {
            return;
        }
        bool inMappings = false;
        for (qsizetype line = begin; line < end;) {
            qsizetype next = pdf.indexOf('\n', line);
            if (next < 0 || next > end) {
                next = end;
            }
            const QByteArray content = pdf.mid(line, next - line).trimmed();
            if (content.endsWith("beginbfrange") || content.endsWith("beginbfchar")) {
                inMappings = true;
            } else if (content == "endbfrange" || content == "endbfchar") {
                inMappings = false;
            } else if (inMappings) {
                rewriteTargets(pdf, line, next, replacement);
            }
            line = next + 1;
        }
        from = end;
    }
}

} // namespace fangji::entry
