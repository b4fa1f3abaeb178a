#include "record_io.h"

#include "query/result_export.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>

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
    return query::csvField(text); // as the query window's export writes it
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

namespace {

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// The input without the byte order mark the file may start with (a piece that does not
// start the input keeps a U+FEFF at its start as data).
QByteArrayView withoutByteOrderMark(const QByteArray& data, InputPosition at = {}) {
    QByteArrayView view(data);
    return at.atStart && view.startsWith(kByteOrderMark) ? view.sliced(kByteOrderMark.size()) : view;
}

const QString kNotUtf8 = QStringLiteral("不是有效的 UTF-8 文字");

QString lineError(int line, const QString& reason) {
    return QStringLiteral("第 %1 行：").arg(line) + reason;
}

// ---------------------------------------------------------------- JSON

// A JSON value as a record takes it: a text, a number as written, null, or anything else.
struct JsonValue {
    enum class Kind { Text, Number, Null, Other } kind = Kind::Null;
    QString text;
};

// A strict reader of one JSON object on one line. QJsonDocument would replace an
// unpaired surrogate escape and drop a U+FEFF; here such a value is refused or kept.
class JsonLine {
public:
    explicit JsonLine(QStringView text) : m_s(text) {}

    // The members in their order; on failure nothing, and error() says why.
    std::optional<QList<std::pair<QString, JsonValue>>> object() {
        skipBlanks();
        if (peek() != u'{') {
            m_error = QStringLiteral("应为 JSON 对象");
            return std::nullopt;
        }
        QList<std::pair<QString, JsonValue>> members;
        if (!parseObject(&members, 0)) {
            return std::nullopt;
        }
        skipBlanks();
        if (m_i < m_s.size()) {
            fail();
            return std::nullopt;
        }
        return members;
    }

    QString error() const { return m_error; }

private:
    static constexpr int kMaxDepth = 256;

    QChar peek() const { return m_i < m_s.size() ? m_s[m_i] : QChar(); }

    void skipBlanks() {
        while (m_i < m_s.size() && (m_s[m_i] == u' ' || m_s[m_i] == u'\t' || m_s[m_i] == u'\r' || m_s[m_i] == u'\n')) {
            ++m_i;
        }
    }

    bool expect(QChar c) {
        skipBlanks();
        if (peek() != c) {
            return fail();
        }
        ++m_i;
        return true;
    }

    bool fail(const QString& reason = {}) {
        if (m_error.isEmpty()) {
            m_error = reason.isEmpty() ? QStringLiteral("不是有效的 JSON（第 %1 个字符处）").arg(m_i + 1) : reason;
        }
        return false;
    }

    // members is null inside nested values, which are read only to find their end.
    bool parseObject(QList<std::pair<QString, JsonValue>>* members, int depth) {
        ++m_i; // "{"
        skipBlanks();
        if (peek() == u'}') {
            ++m_i;
            return true;
        }
        while (true) {
            skipBlanks();
            if (peek() != u'"') {
                return fail();
            }
            QString key;
            if (!parseString(&key) || !expect(u':')) {
                return false;
            }
            JsonValue value;
            if (!parseValue(members ? &value : nullptr, depth + 1)) {
                return false;
            }
            if (members) {
                members->append({key, value});
            }
            skipBlanks();
            if (peek() == u',') {
                ++m_i;
                continue;
            }
            return expect(u'}');
        }
    }

    bool parseArray(int depth) {
        ++m_i; // "["
        skipBlanks();
        if (peek() == u']') {
            ++m_i;
            return true;
        }
        while (true) {
            if (!parseValue(nullptr, depth + 1)) {
                return false;
            }
            skipBlanks();
            if (peek() == u',') {
                ++m_i;
                continue;
            }
            return expect(u']');
        }
    }

    bool parseValue(JsonValue* value, int depth) {
        if (depth > kMaxDepth) {
            return fail(QStringLiteral("JSON 嵌套太深"));
        }
        skipBlanks();
        const QChar c = peek();
        JsonValue v;
        bool ok = false;
        if (c == u'"') {
            v.kind = JsonValue::Kind::Text;
            ok = parseString(&v.text);
        } else if (c == u'{') {
            v.kind = JsonValue::Kind::Other;
            ok = parseObject(nullptr, depth);
        } else if (c == u'[') {
            v.kind = JsonValue::Kind::Other;
            ok = parseArray(depth);
        } else if (c == u'-' || (c >= u'0' && c <= u'9')) {
            v.kind = JsonValue::Kind::Number;
            ok = parseNumber(&v.text);
        } else {
            for (const auto& [word, kind] : {std::pair{QStringView(u"null"), JsonValue::Kind::Null},
                                             std::pair{QStringView(u"true"), JsonValue::Kind::Other},
                                             std::pair{QStringView(u"false"), JsonValue::Kind::Other}}) {
                if (m_s.sliced(m_i).startsWith(word)) {
                    m_i += word.size();
                    v.kind = kind;
                    ok = true;
                    break;
                }
            }
            if (!ok) {
                return fail();
            }
        }
        if (ok && value) {
            *value = v;
        }
        return ok;
    }

    bool parseNumber(QString* raw) {
        const qsizetype from = m_i;
        auto digits = [&] {
            const qsizetype d = m_i;
            while (m_i < m_s.size() && m_s[m_i] >= u'0' && m_s[m_i] <= u'9') {
                ++m_i;
            }
            return m_i - d;
        };
        if (peek() == u'-') {
            ++m_i;
        }
        if (peek() == u'0') {
            ++m_i;
        } else if (digits() == 0) {
            return fail();
        }
        if (peek() == u'.') {
            ++m_i;
            if (digits() == 0) {
                return fail();
            }
        }
        if (peek() == u'e' || peek() == u'E') {
            ++m_i;
            if (peek() == u'+' || peek() == u'-') {
                ++m_i;
            }
            if (digits() == 0) {
                return fail();
            }
        }
        *raw = m_s.sliced(from, m_i - from).toString();
        return true;
    }

    static int hexDigit(char16_t u) {
        if (u >= u'0' && u <= u'9') {
            return u - u'0';
        }
        if (u >= u'a' && u <= u'f') {
            return u - u'a' + 10;
        }
        if (u >= u'A' && u <= u'F') {
            return u - u'A' + 10;
        }
        return -1;
    }

    // Four hexadecimal digits after "\u" at m_i; -1 when they are not there.
    int hex4() {
        if (m_i + 4 > m_s.size()) {
            return -1;
        }
        int v = 0;
        for (qsizetype k = m_i; k < m_i + 4; ++k) {
            const int digit = hexDigit(m_s[k].unicode());
            if (digit < 0) {
                return -1;
            }
            v = v * 16 + digit;
        }
        m_i += 4;
        return v;
    }

    bool unpaired(qsizetype escapeAt) {
        return fail(QStringLiteral("JSON 字符串含有不成对的代理码位 ") + m_s.sliced(escapeAt, 6).toString());
    }

    bool parseString(QString* out) {
        ++m_i; // the opening quote
        QString text;
        while (true) {
            if (m_i >= m_s.size()) {
                return fail(QStringLiteral("JSON 字符串没有结束"));
            }
            const QChar c = m_s[m_i];
            if (c == u'"') {
                ++m_i;
                *out = text;
                return true;
            }
            if (c.unicode() < 0x20) {
                return fail(QStringLiteral("JSON 字符串中有未转义的控制字符 U+") +
                            QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
            }
            if (c != u'\\') {
                // The run of plain characters up to the next quote, escape or control
                // character goes across in one piece.
                qsizetype end = m_i + 1;
                while (end < m_s.size() && m_s[end] != u'"' && m_s[end] != u'\\' && m_s[end].unicode() >= 0x20) {
                    ++end;
                }
                text += m_s.sliced(m_i, end - m_i);
                m_i = end;
                continue;
            }
            const qsizetype escapeAt = m_i;
            ++m_i;
            if (m_i >= m_s.size()) {
                return fail(QStringLiteral("JSON 字符串没有结束"));
            }
            const QChar e = m_s[m_i];
            ++m_i;
            switch (e.unicode()) {
            case u'"':
                text += u'"';
                break;
            case u'\\':
                text += u'\\';
                break;
            case u'/':
                text += u'/';
                break;
            case u'b':
                text += u'\b';
                break;
            case u'f':
                text += u'\f';
                break;
            case u'n':
                text += u'\n';
                break;
            case u'r':
                text += u'\r';
                break;
            case u't':
                text += u'\t';
                break;
            case u'u': {
                const int unit = hex4();
                if (unit < 0) {
                    return fail(QStringLiteral("JSON 字符串中有无效的转义 ") +
                                m_s.sliced(escapeAt, std::min<qsizetype>(6, m_s.size() - escapeAt)).toString());
                }
                const QChar u(static_cast<char16_t>(unit));
                if (u.isLowSurrogate()) {
                    return unpaired(escapeAt);
                }
                if (u.isHighSurrogate()) {
                    const qsizetype lowAt = m_i;
                    if (!m_s.sliced(m_i).startsWith(u"\\u")) {
                        return unpaired(escapeAt);
                    }
                    m_i += 2;
                    const int low = hex4();
                    if (low < 0 || !QChar(static_cast<char16_t>(low)).isLowSurrogate()) {
                        m_i = lowAt;
                        return unpaired(escapeAt);
                    }
                    text += u;
                    text += QChar(static_cast<char16_t>(low));
                    break;
                }
                text += u;
                break;
            }
            default:
                return fail(QStringLiteral("JSON 字符串中有无效的转义 \\") + e);
            }
        }
    }

    QStringView m_s;
    qsizetype m_i = 0;
    QString m_error;
};

// Splits at CR, LF and CR LF; each piece with its line number, counted from firstLine.
QList<std::pair<int, QByteArrayView>> splitLines(QByteArrayView data, int firstLine, int* lineBreaks) {
    QList<std::pair<int, QByteArrayView>> lines;
    int line = firstLine;
    qsizetype from = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.append({line++, data.sliced(from, i - from)});
        if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') {
            ++i;
        }
        from = i + 1;
    }
    *lineBreaks = line - firstLine;
    if (from < data.size()) {
        lines.append({line, data.sliced(from)});
    }
    return lines;
}

bool isBlankLine(QByteArrayView line) {
    for (char c : line) {
        if (c != ' ' && c != '\t') {
            return false;
        }
    }
    return true;
}

// The record of one JSON line, or the reason it is refused.
InputRecord jsonRecord(int line, QByteArrayView bytes) {
    InputRecord rec;
    rec.line = line;
    const std::optional<QString> text = decodeUtf8(bytes);
    if (!text) {
        rec.error = kNotUtf8;
        return rec;
    }
    JsonLine parser(*text);
    const auto members = parser.object();
    if (!members) {
        rec.error = parser.error();
        return rec;
    }
    std::array<bool, 8> seen{};
    for (const auto& [key, value] : *members) {
        const qsizetype c = columnNames().indexOf(key);
        if (c < 0) {
            rec.error = QStringLiteral("未知的键“%1”").arg(key);
            return rec;
        }
        if (seen[c]) {
            rec.error = QStringLiteral("键“%1”重复").arg(key);
            return rec;
        }
        seen[c] = true;
        if (value.kind == JsonValue::Kind::Other) {
            rec.error = QStringLiteral("“%1”的值不是文本").arg(key);
            return rec;
        }
        rec.record[c] = value.text;
    }
    for (QString& t : rec.record) {
        if (t.isNull()) {
            t = QStringLiteral("");
        }
    }
    return rec;
}

// ---------------------------------------------------------------- CSV

// One row of CSV fields, still as bytes, with the line it starts on.
struct CsvRow {
    int line = 0;
    QList<QByteArray> fields;
    QString error; // the row cannot be read as written
};

// Splits CSV into rows of fields (RFC 4180): CR, LF and CR LF end a row outside quotes
// and are data inside them; a quote that never ends refuses the whole input. Lines
// are numbered from firstLine; lineBreaks receives how many the data held.
QList<CsvRow> splitCsv(QByteArrayView data, int firstLine, QString* error, int* lineBreaks) {
    QList<CsvRow> rows;
    CsvRow row{firstLine, {}, {}};
    QByteArray field;
    bool quoted = false;
    bool fieldStarted = false;
    bool quoteClosed = false; // the field's closing quote has been read
    int line = firstLine;
    int quoteLine = firstLine;
    auto endField = [&] {
        row.fields << field;
        field.clear();
        fieldStarted = false;
        quoteClosed = false;
    };
    auto endRow = [&] {
        endField();
        const bool blank = row.fields.size() == 1 && row.fields[0].isEmpty() && row.error.isEmpty();
        if (!blank) {
            rows << row;
        }
        row = CsvRow{line, {}, {}};
    };
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        const bool crlf = c == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        if (quoted) {
            if (c == '"') {
                if (i + 1 < data.size() && data[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                    quoteClosed = true;
                }
            } else {
                field += c;
                if (crlf) {
                    field += '\n';
                    ++i;
                }
                if (c == '\r' || c == '\n') {
                    ++line;
                }
            }
            continue;
        }
        if (c == ',') {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (crlf) {
                ++i;
            }
            ++line;
            endRow();
        } else if (quoteClosed) {
            if (row.error.isEmpty()) {
                row.error = QStringLiteral("引号结束后应是逗号或行尾");
            }
            field += c;
        } else if (c == '"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    *lineBreaks = line - firstLine;
    if (quoted) {
        *error = lineError(quoteLine, QStringLiteral("引号没有结束"));
        return {};
    }
    if (fieldStarted || !field.isEmpty() || !row.fields.isEmpty()) {
        endRow();
    }
    return rows;
}

} // namespace

std::optional<QString> decodeUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

Format detectInputFormat(const QByteArray& data) {
    for (char c : withoutByteOrderMark(data)) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        return c == '{' || c == '[' ? Format::JsonLines : Format::Csv;
    }
    return Format::JsonLines;
}

Input readJsonLines(const QByteArray& data, InputPosition at) {
    Input in;
    for (const auto& [line, text] : splitLines(withoutByteOrderMark(data, at), at.firstLine, &in.lineBreaks)) {
        if (!isBlankLine(text)) {
            in.records << jsonRecord(line, text);
        }
    }
    return in;
}

namespace {

// The records of CSV rows under a header that named columns.
void appendCsvRecords(Input& in, const QList<CsvRow>& rows, qsizetype from, const CsvColumns& positions) {
    for (qsizetype r = from; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        InputRecord rec;
        rec.line = row.line;
        rec.error = row.error;
        for (QString& t : rec.record) {
            t = QStringLiteral("");
        }
        if (rec.error.isEmpty() && row.fields.size() > positions.size()) {
            rec.error = QStringLiteral("字段多于列名");
        }
        for (qsizetype c = 0; rec.error.isEmpty() && c < row.fields.size(); ++c) {
            const std::optional<QString> text = decodeUtf8(row.fields[c]);
            if (!text) {
                rec.error = kNotUtf8;
            } else if (positions[c] >= 0) {
                rec.record[positions[c]] = *text;
            } else if (!text->isEmpty()) {
                rec.error = QStringLiteral("第 %1 列没有列名").arg(c + 1);
            }
        }
        in.records << rec;
    }
}

} // namespace

Input readCsvRows(const QByteArray& data, const CsvColumns& columns, InputPosition at) {
    Input in;
    const QList<CsvRow> rows = splitCsv(withoutByteOrderMark(data, at), at.firstLine, &in.error, &in.lineBreaks);
    if (in.error.isEmpty()) {
        appendCsvRecords(in, rows, 0, columns);
    }
    return in;
}

Input readCsv(const QByteArray& data, InputPosition at, CsvColumns* columns) {
    Input in;
    const QList<CsvRow> rows = splitCsv(withoutByteOrderMark(data, at), at.firstLine, &in.error, &in.lineBreaks);
    if (!in.error.isEmpty() || rows.isEmpty()) {
        return in;
    }
    // Column of the input -> position in the record; -1 for a column without a name.
    CsvColumns positions;
    bool anyKnown = false;
    const CsvRow& header = rows[0];
    if (!header.error.isEmpty()) {
        in.error = lineError(header.line, header.error);
        return in;
    }
    for (const QByteArray& cell : header.fields) {
        const std::optional<QString> name = decodeUtf8(cell);
        if (!name) {
            in.error = lineError(header.line, kNotUtf8);
            return in;
        }
        const QString trimmedName = name->trimmed();
        const int pos = static_cast<int>(columnNames().indexOf(trimmedName));
        if (pos < 0 && !trimmedName.isEmpty()) {
            in.error = lineError(header.line, QStringLiteral("未知的列名“%1”；列名应是 ").arg(trimmedName) +
                                                  columnNames().join(u','));
            return in;
        }
        if (pos >= 0 && positions.contains(pos)) {
            in.error = lineError(header.line, QStringLiteral("列名“%1”重复").arg(trimmedName));
            return in;
        }
        positions << pos;
        anyKnown = anyKnown || pos >= 0;
    }
    if (!anyKnown) {
        in.error = lineError(header.line, QStringLiteral("CSV 的第一行应是列名：") + columnNames().join(u','));
        return in;
    }
    if (columns != nullptr) {
        *columns = positions;
    }
    appendCsvRecords(in, rows, 1, positions);
    return in;
}

} // namespace fangji::cli
