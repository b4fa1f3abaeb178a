#include "entry_text.h"

#include "store/jet_sql.h"
#include "textmatch/incompatibility.h"

namespace fangji::entry {

namespace {

constexpr QChar kSpace = u' ';
constexpr QChar kCr = u'\r';
constexpr QChar kLf = u'\n';
constexpr QChar kFullStop = u'。';
constexpr QChar kBookTitle = u'《';

// Digits in either width: a decimal point typed between them stays a point.
bool isNumeric(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９');
}

// A C0 control character other than TAB, LF and CR: a stored text may not hold one.
bool isStatementControl(char16_t u) {
    return u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r';
}

QString codePoint(char16_t u) {
    return QStringLiteral("U+%1").arg(static_cast<int>(u), 4, 16, QChar(u'0')).toUpper();
}

} // namespace

std::optional<QString> forbiddenCharacterProblem(const QString& text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (isStatementControl(c.unicode())) {
            return QStringLiteral("含有控制字符 ") + codePoint(c.unicode());
        }
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ++i; // a pair: one character
            continue;
        }
        if (c.isSurrogate()) {
            return QStringLiteral("含有不成对的代理码位 ") + codePoint(c.unicode());
        }
    }
    return std::nullopt;
}

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == kSpace) {
        ++begin;
    }
    while (end > begin && text[end - 1] == kSpace) {
        --end;
    }
    return text.mid(begin, end - begin);
}

bool isBlank(const QString& text) {
    for (QChar c : text) {
        if (c != kSpace) {
            return false;
        }
    }
    return true;
}

std::optional<RequiredText> firstMissingText(const EntryRecord& record) {
    for (const RequiredText& required : kRequiredTexts) {
        if (isBlank(record[static_cast<std::size_t>(required.position)])) {
            return required;
        }
    }
    return std::nullopt;
}

QString NormalizeEntryText(const QString& input) {
    const QString text = trimSpaces(input);
    const qsizetype n = text.size();
    // Neighbours are read from the input, before conversion; beyond either end they read as nothing.
    auto at = [&](qsizetype i) -> QChar { return (i >= 0 && i < n) ? text[i] : QChar(); };

    QString result;
    result.reserve(n + 1);
    qsizetype i = 0;
    if (n >= 2 && text[0] == kCr && text[1] == kLf) {
        i = 2; // a leading CR LF is dropped as a pair
    }
    for (; i < n; ++i) {
        QChar c = text[i];
        switch (c.unicode()) {
        case u'\\':
            c = u'、';
            break;
        case u',':
            c = u'，';
            break;
        case u'.':
            if (at(i + 1) != kBookTitle) {
                c = kFullStop;
            }
            break;
        case u';':
            c = u'；';
            break;
        default:
            break;
        }
        if (c == kLf && at(i - 1) != kCr) {
            continue; // a line feed without its carriage return
        }
        if (c == kFullStop && i > 0) {
            if ((isNumeric(at(i - 1)) && isNumeric(at(i + 1))) || at(i + 1) == kBookTitle) {
                c = u'.';
            }
        }
        if (c == kSpace) {
            continue; // blanks never reach the stored text
        }
        result.append(c);
    }
    if (isBlank(result)) {
        return QString(kSpace);
    }
    if (!result.endsWith(kFullStop)) {
        result.append(kFullStop);
    }
    return result;
}

QString nameLookupStatement(const QString& name) {
    return QStringLiteral("SELECT * FROM 中医方剂  WHERE 名称=") + u'\'' + store::jet::escapeLiteral(name) + u'\'';
}

QString searchStatement(const EntryRecord& criteria) {
    // Conditions in the order the statement has always listed them.
    struct Condition {
        const char16_t* join;
        const char16_t* column;
        int position;
    };
    static constexpr Condition kConditions[] = {
        {u"SELECT * FROM 中医方剂 WHERE ", u"名称", 0},
        {u" and ", u"构成", 1},
        {u" and ", u"功效", 2},
        {u" and ", u"主治", 3},
        {u" and ", u"来源", 5},
        {u" and ", u"应用", 6},
        {u" and ", u"临床", 7},
        {u" and ", u"用法", 4},
    };
    QString sql;
    for (const Condition& c : kConditions) {
        const QString& criterion = criteria[c.position];
        const QString column = QString::fromUtf16(c.column);
        const QString pattern = QStringLiteral("'*") + store::jet::escapeLiteral(store::jet::escapePattern(criterion)) +
                                QStringLiteral("*'");
        sql += QString::fromUtf16(c.join);
        // Names and herbs are also found by their pinyin.
        sql += (c.position == 0 || c.position == 1) ? store::jet::wordCondition(column, criterion, pattern)
                                                    : column + QStringLiteral(" like ") + pattern;
    }
    sql += QStringLiteral(" order by 名称 ");
    return sql;
}

QString incompatibilityQuestion(const QString& composition) {
    const QStringList pairs = textmatch::incompatibilityLines(composition);
    if (pairs.isEmpty()) {
        return {};
    }
    return QStringLiteral("构成中有配伍禁忌：") + pairs.join(u'\n') + QStringLiteral("。仍要保存吗？");
}

QString countLabel(int count) {
    return QString::number(count) + QStringLiteral("剂");
}

QString printText(const EntryRecord& record, const QDate& date) {
    static const QString kLabels[] = {
        QStringLiteral("方剂名称："), QStringLiteral("方剂来源："), QStringLiteral("方剂内容："),
        QStringLiteral("方剂功效："), QStringLiteral("方剂主治："), QStringLiteral("使用方法："),
        QStringLiteral("临床治疗："), QStringLiteral("应用心得："),
    };
    // Record positions in print order: 名称, 来源, 构成, 功效, 主治, 用法, 应用, 临床.
    static constexpr int kOrder[] = {0, 5, 1, 2, 3, 4, 6, 7};
    QString text;
    for (int line = 0; line < 8; ++line) {
        text += kLabels[line] + trimSpaces(record[kOrder[line]]) + QStringLiteral("\r\n");
    }
    text += QStringLiteral("打印时间：") + date.toString(QStringLiteral("yyyy-MM-dd"));
    return trimSpaces(text);
}

bool printable(const EntryRecord& record) {
    for (int position : {0, 1, 5, 2, 3, 4}) {
        if (trimSpaces(record[position]).isEmpty()) {
            return false;
        }
    }
    return true;
}

} // namespace fangji::entry
