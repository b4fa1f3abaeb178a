#include "xlsx_reader.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <unzip.h>

namespace fangji::testing {

namespace {

// ST_Xstring: _xHHHH_ stands for the character HHHH (and _x005F_ for the underscore).
QString decodeEscapes(const QString& text) {
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    auto it = escape.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(from, m.capturedStart() - from);
        out += QChar(static_cast<char16_t>(m.captured(1).toUInt(nullptr, 16)));
        from = m.capturedEnd();
    }
    out += text.mid(from);
    return out;
}

// The text of the element the reader stands on (an <is> or <si>): its <t> parts joined.
QString stringItem(QXmlStreamReader& xml) {
    const QString end = xml.name().toString();
    QString text;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == end) {
            break;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"t") {
            text += decodeEscapes(xml.readElementText());
        } else if (xml.name() == u"rPh") {
            xml.skipCurrentElement(); // phonetic runs are no part of the text
        }
    }
    return text;
}

// Column number (0-based) of a cell reference such as "AB12".
int columnOf(QStringView reference) {
    int column = 0;
    for (QChar c : reference) {
        if (c < u'A' || c > u'Z') {
            break;
        }
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column - 1;
}

} // namespace

std::optional<QByteArray> readXlsxPart(const QString& path, const QString& part) {
    unzFile zip = unzOpen(QFile::encodeName(path).constData());
    if (zip == nullptr) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes;
    if (unzLocateFile(zip, part.toUtf8().constData(), 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        QByteArray data;
        char buffer[65536];
        int n = 0;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            data.append(buffer, n);
        }
        if (unzCloseCurrentFile(zip) == UNZ_OK && n == 0) {
            bytes = data;
        }
    }
    unzClose(zip);
    return bytes;
}

std::optional<QList<QStringList>> readXlsxSheet(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    QStringList shared;
    if (const auto sst = readXlsxPart(path, QStringLiteral("xl/sharedStrings.xml"))) {
        QXmlStreamReader xml(*sst);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si") {
                shared << stringItem(xml);
            }
        }
        if (xml.hasError()) {
            return fail(QStringLiteral("sharedStrings.xml: ") + xml.errorString());
        }
    }
    const auto sheet = readXlsxPart(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    if (!sheet) {
        return fail(QStringLiteral("no xl/worksheets/sheet1.xml"));
    }
    QList<QStringList> rows;
    QXmlStreamReader xml(*sheet);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"row") {
            const int r = xml.attributes().value(QLatin1String("r")).toInt();
            while (rows.size() < r) {
                rows << QStringList();
            }
        } else if (xml.name() == u"c") {
            const QString type = xml.attributes().value(QLatin1String("t")).toString();
            const int column = columnOf(xml.attributes().value(QLatin1String("r")));
            QString text;
            while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"c") && !xml.atEnd()) {
                if (!xml.isStartElement()) {
                    continue;
                }
                if (xml.name() == u"is") {
                    text = stringItem(xml);
                } else if (xml.name() == u"v") {
                    const QString v = xml.readElementText();
                    text = type == u"s" ? shared.value(v.toInt()) : v;
                }
            }
            if (rows.isEmpty() || column < 0) {
                return fail(QStringLiteral("a cell outside a row"));
            }
            QStringList& row = rows.last();
            while (row.size() <= column) {
                row << QString();
            }
            row[column] = text;
        }
    }
    if (xml.hasError()) {
        return fail(QStringLiteral("sheet1.xml: ") + xml.errorString());
    }
    return rows;
}

} // namespace fangji::testing
