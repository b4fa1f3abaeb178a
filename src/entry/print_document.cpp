#include "print_document.h"

#include <QDir>
#include <QFile>

namespace fangji::entry {

namespace {

// 宋体 in the font table is written in its own character set (GBK, \fcharset134),
// as word processors expect; SimSun is the alternative name they also know.
constexpr char kFontTable[] = "{\\fonttbl{\\f0\\fnil\\fcharset134\\fprq2 \\'cb\\'ce\\'cc\\'e5{\\*\\falt SimSun};}}";

void appendEscaped(QByteArray& out, const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'\r' || unit == u'\n') {
            if (unit == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
                ++i; // CR LF ends one line
            }
            out += "\\par\r\n";
        } else if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit >= 0x20 && unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x20) {
            continue; // other control characters have no place in the document
        } else {
            // \u takes a signed 16-bit number; characters beyond the BMP go as their two UTF-16 units.
            out += "\\u";
            out += QByteArray::number(static_cast<qint16>(unit));
            out += '?';
        }
    }
}

} // namespace

QByteArray rtfDocument(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 8 + 256);
    out += "{\\rtf1\\ansi\\ansicpg936\\uc1\\deff0";
    out += kFontTable;
    out += "\r\n\\pard\\plain\\f0\\fs";
    out += QByteArray::number(kPrintFontPoints * 2);
    out += "\\b0 ";
    appendEscaped(out, text);
    out += "\\par\r\n}\r\n";
    return out;
}

store::Result<QString> writePrintDocument(const QString& folder, const QString& text, const QDateTime& when) {
    if (!QDir().mkpath(folder)) {
        return store::DbError{QFileDevice::WriteError,
                              QStringLiteral("无法建立文件夹 ") + QDir::toNativeSeparators(folder)};
    }
    const QString stem = QStringLiteral("方剂打印-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QByteArray document = rtfDocument(text);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString name =
            stem + (attempt == 0 ? QString() : QStringLiteral("-%1").arg(attempt)) + QStringLiteral(".rtf");
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists()) {
                continue; // taken by an earlier print in the same second
            }
            return store::DbError{static_cast<int>(file.error()), file.errorString()};
        }
        if (file.write(document) != document.size() || !file.flush()) {
            const store::DbError error{static_cast<int>(file.error()), file.errorString()};
            file.close();
            file.remove();
            return error;
        }
        file.close();
        return path;
    }
    return store::DbError{QFileDevice::OpenError, QStringLiteral("无法建立打印文件 ") + stem};
}

} // namespace fangji::entry
