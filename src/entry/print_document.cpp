#include "print_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace fangji::entry {

namespace {

// 宋体 in the font table is written in its own character set (GBK, \fcharset134),
// as word processors expect; SimSun is the alternative name they also know.
constexpr char kFontTable[] = "{\\fonttbl{\\f0\\fnil\\fcharset134\\fprq2 \\'cb\\'ce\\'cc\\'e5{\\*\\falt SimSun};}}";

// A4 paper with 25 mm margins, in twips.
constexpr char kPage[] = "\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1417\\margb1417";

// 宋体 for all three character classes (Western, high-ANSI and double-byte), in
// Chinese (PRC): a word processor otherwise sets the Chinese text in its own default
// Asian face, or in that face's Japanese forms.
constexpr char kRunFormat[] = "\\lang2052\\langfe2052\\loch\\f0\\hich\\f0\\dbch\\f0";

// The names the program gives its print documents: 方剂打印-yyyyMMdd-HHmmss[-n].rtf.
const QRegularExpression& printFileName() {
    static const QRegularExpression re(QStringLiteral("^方剂打印-(\\d{8}-\\d{6})(?:-\\d+)?\\.rtf$"));
    return re;
}

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
    out += kPage;
    out += "\r\n\\pard\\plain";
    out += kRunFormat;
    out += "\\fs";
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

QStringList printLines(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineEnd);
}

int prunePrintDocuments(const QString& folder, const QDateTime& now) {
    struct Print {
        QString path;
        QDateTime written;
        QDateTime lastUsed;
    };
    QList<Print> prints;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& info : entries) {
        const QRegularExpressionMatch m = printFileName().match(info.fileName());
        if (!m.hasMatch()) {
            continue; // not a document the program wrote
        }
        const QDateTime written = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
        if (!written.isValid()) {
            continue;
        }
        // A document the user edited and saved later counts from then.
        prints.append({info.filePath(), written, std::max(written, info.lastModified())});
    }
    std::sort(prints.begin(), prints.end(), [](const Print& a, const Print& b) {
        return a.written != b.written ? a.written > b.written : a.path > b.path;
    });
    const QDateTime limit = now.addDays(-kKeptPrintDays);
    int removed = 0;
    for (qsizetype i = kKeptPrints; i < prints.size(); ++i) {
        if (prints[i].lastUsed < limit && QFile::remove(prints[i].path)) {
            ++removed;
        }
    }
    return removed;
}

} // namespace fangji::entry
