#include "record_io.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTextStream>

namespace fangji::cli {

const QStringList& columnNames() {
    static const QStringList names = {QStringLiteral("名称"), QStringLiteral("构成"), QStringLiteral("功效"),
                                      QStringLiteral("主治"), QStringLiteral("用法"), QStringLiteral("来源"),
                                      QStringLiteral("应用"), QStringLiteral("临床")};
    return names;
}

std::optional<Format> parseFormat(const QString& name) {
    const QString n = name.toLower();
    if (n == QStringLiteral("tsv")) {
        return Format::Tsv;
    }
    if (n == QStringLiteral("csv")) {
        return Format::Csv;
    }
    if (n == QStringLiteral("jsonl") || n == QStringLiteral("json") || n == QStringLiteral("jsonlines")) {
        return Format::JsonLines;
    }
    return std::nullopt;
}

QString escapeTsv(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString quoteCsv(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n')) {
        return text;
    }
    QString out = text;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

void writeHeader(QTextStream& out, Format format) {
    switch (format) {
    case Format::Tsv:
        out << columnNames().join(u'\t') << '\n';
        break;
    case Format::Csv:
        out << columnNames().join(u',') << "\r\n";
        break;
    case Format::JsonLines:
        break;
    }
}

void writeRecord(QTextStream& out, Format format, const Record& record) {
    switch (format) {
    case Format::Tsv: {
        QStringList fields;
        for (const QString& t : record) {
            fields << escapeTsv(t);
        }
        out << fields.join(u'\t') << '\n';
        break;
    }
    case Format::Csv: {
        QStringList fields;
        for (const QString& t : record) {
            fields << quoteCsv(t);
        }
        out << fields.join(u',') << "\r\n";
        break;
    }
    case Format::JsonLines: {
        QJsonObject o;
        for (int i = 0; i < 8; ++i) {
            o.insert(columnNames()[i], record[i].isNull() ? QJsonValue() : QJsonValue(record[i]));
        }
        out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << '\n';
        break;
    }
    }
}

Format detectInputFormat(const QByteArray& data) {
    for (char c : data) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        return c == '{' ? Format::JsonLines : Format::Csv;
    }
    return Format::JsonLines;
}

QList<InputRecord> readJsonLines(const QByteArray& data) {
    QList<InputRecord> out;
    const QList<QByteArray> lines = data.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        InputRecord rec;
        rec.line = i + 1;
        QJsonParseError err;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
        if (err.error != QJsonParseError::NoError || !doc.isObject()) {
            rec.error = QStringLiteral("不是一个 JSON 对象");
            out << rec;
            continue;
        }
        const QJsonObject o = doc.object();
        for (int c = 0; c < 8; ++c) {
            const QJsonValue v = o.value(columnNames()[c]);
            if (v.isString()) {
                rec.record[c] = v.toString();
            } else if (v.isUndefined() || v.isNull()) {
                rec.record[c] = QStringLiteral("");
            } else if (v.isDouble()) {
                rec.record[c] = QString::number(v.toDouble());
            } else {
                rec.error = QStringLiteral("“%1”的值不是文本").arg(columnNames()[c]);
            }
        }
        out << rec;
    }
    return out;
}

namespace {

// Splits CSV text into rows of fields (RFC 4180), remembering where each row starts.
struct CsvRow {
    int line;
    QStringList fields;
};

QList<CsvRow> splitCsv(const QString& text) {
    QList<CsvRow> rows;
    CsvRow row{1, {}};
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    auto endField = [&] {
        row.fields << field;
        field.clear();
        fieldStarted = false;
    };
    auto endRow = [&](int nextLine) {
        endField();
        const bool blank = row.fields.size() == 1 && row.fields[0].isEmpty();
        if (!blank) {
            rows << row;
        }
        row = CsvRow{nextLine, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n') {
                    ++line;
                }
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue; // the LF ends the row
        } else if (c == u'\n') {
            ++line;
            endRow(line);
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !row.fields.isEmpty()) {
        endRow(line);
    }
    return rows;
}

} // namespace

QList<InputRecord> readCsv(const QByteArray& data, QString* headerError) {
    QList<InputRecord> out;
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xfeff))) {
        text.remove(0, 1);
    }
    const QList<CsvRow> rows = splitCsv(text);
    if (rows.isEmpty()) {
        return out;
    }
    QList<int> positions; // column of the input -> position in the record, -1 if unknown
    bool anyKnown = false;
    for (const QString& h : rows[0].fields) {
        const int pos = static_cast<int>(columnNames().indexOf(h.trimmed()));
        positions << pos;
        anyKnown = anyKnown || pos >= 0;
    }
    if (!anyKnown) {
        if (headerError) {
            *headerError = QStringLiteral("CSV 的第一行应是列名：") + columnNames().join(u',');
        }
        return out;
    }
    for (int r = 1; r < rows.size(); ++r) {
        InputRecord rec;
        rec.line = rows[r].line;
        for (QString& t : rec.record) {
            t = QStringLiteral("");
        }
        const QStringList& f = rows[r].fields;
        if (f.size() > positions.size()) {
            rec.error = QStringLiteral("字段多于列名");
        }
        for (int c = 0; c < f.size() && c < positions.size(); ++c) {
            if (positions[c] >= 0) {
                rec.record[positions[c]] = f[c];
            }
        }
        out << rec;
    }
    return out;
}

} // namespace fangji::cli
