#include "query_statement.h"

#include "store/jet_sql.h"
#include "textmatch/incompatibility.h"

#include <algorithm>
#include <functional>

namespace fangji::query {

namespace {

// One "contains" condition: the column's name, then the criterion between "'*" and "*'".
void appendCondition(QString& sql, const QString& lead, const QString& criterion) {
    sql += lead;
    sql += QStringLiteral("'*");
    sql += store::jet::escapeLiteral(criterion);
    sql += QStringLiteral("*'");
}

// A condition on names or herbs: as above, or "pinyinlike(<column>,'*…*')" for a criterion of
// Latin letters alone, which also finds the texts by their pinyin.
void appendWordCondition(QString& sql, const QString& join, const QString& column, const QString& criterion) {
    sql += join;
    sql += store::jet::wordCondition(
        column, criterion, QStringLiteral("'*") + store::jet::escapeLiteral(criterion) + QStringLiteral("*'"));
}

} // namespace

QString trimBlanks(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == u' ') {
        ++from;
    }
    while (to > from && text.at(to - 1) == u' ') {
        --to;
    }
    if (from == 0 && to == text.size()) {
        return text;
    }
    return text.mid(from, to - from);
}

Criteria trimmed(const Criteria& c) {
    Criteria t;
    t.name = trimBlanks(c.name);
    t.source = trimBlanks(c.source);
    for (int i = 0; i < 3; ++i) {
        t.herbs[i] = trimBlanks(c.herbs[i]);
        t.effects[i] = trimBlanks(c.effects[i]);
        t.indications[i] = trimBlanks(c.indications[i]);
        t.clinical[i] = trimBlanks(c.clinical[i]);
    }
    return t;
}

namespace {

// The query statement; with sortMatches, its order is written "+名称, rowid" (or "+功效, rowid").
QString queryStatement(const Criteria& c, const QString& sortText, bool sortMatches) {
    QString sql = QStringLiteral("SELECT * FROM 中医方剂 WHERE");
    appendWordCondition(sql, QStringLiteral(" "), QStringLiteral("名称"), c.name);
    for (const QString& herb : c.herbs) {
        appendWordCondition(sql, QStringLiteral(" and "), QStringLiteral("构成"), herb);
    }
    for (const QString& effect : c.effects) {
        appendCondition(sql, QStringLiteral(" and 功效 like "), effect);
    }
    for (const QString& indication : c.indications) {
        appendCondition(sql, QStringLiteral(" and 主治 like "), indication);
    }
    for (const QString& clinical : c.clinical) {
        appendCondition(sql, QStringLiteral(" and 应用 like "), clinical);
    }
    appendCondition(sql, QStringLiteral(" and 来源 like "), c.source);
    if (sortText == kSortByName || sortText == kSortByEffects) {
        sql += sortMatches ? QStringLiteral("order by +") + sortText + QStringLiteral(", rowid")
                           : QStringLiteral("order by ") + sortText;
    }
    return sql;
}

} // namespace

QString buildQueryStatement(const Criteria& c, const QString& sortText) {
    return queryStatement(c, sortText, false);
}

QString readingStatement(const Criteria& c, const QString& sortText) {
    auto given = [](const auto& boxes) {
        return std::any_of(boxes.begin(), boxes.end(), std::not_fn(&QString::isEmpty));
    };
    const bool beyondName =
        !c.source.isEmpty() || given(c.herbs) || given(c.effects) || given(c.indications) || given(c.clinical);
    // Ordered by name with a criterion on the name alone, the name index itself tells which
    // rows match: only those are read.
    const bool sortMatches = sortText == kSortByName ? beyondName : beyondName || !c.name.isEmpty();
    return queryStatement(c, sortText, sortMatches);
}

QString fullListingStatement(const QString& sortText) {
    if (sortText == kSortByName) {
        return QStringLiteral("SELECT  * FROM 中医方剂 ORDER BY 名称");
    }
    if (sortText == kSortByEffects) {
        return QStringLiteral("SELECT  * FROM 中医方剂 ORDER BY 功效");
    }
    return QStringLiteral("SELECT  * FROM 中医方剂 WHERE 名称=''");
}

QString detailStatement(const QString& name) {
    return QStringLiteral("SELECT * FROM 中医方剂 WHERE 名称 = ") + u'\'' + store::jet::escapeLiteral(name) + u'\'';
}

QString incompatibilityWarning(const QString& composition) {
    const QStringList pairs = textmatch::incompatibilityLines(composition);
    if (pairs.isEmpty()) {
        return {};
    }
    return QStringLiteral("构成中有配伍禁忌：") + pairs.join(u'；') + QStringLiteral("。");
}

QList<GridHeader> parseGridFormat(const QString& format) {
    QList<GridHeader> headers;
    for (const QString& part : format.split(u'|')) {
        GridHeader h;
        h.text = part;
        if (!part.isEmpty()) {
            const QChar lead = part.at(0);
            if (lead == u'<') {
                h.align = GridHeader::Align::Left;
            } else if (lead == u'^') {
                h.align = GridHeader::Align::Center;
            } else if (lead == u'>') {
                h.align = GridHeader::Align::Right;
            }
            if (h.align != GridHeader::Align::Default) {
                h.text = part.mid(1);
            }
        }
        headers << h;
    }
    return headers;
}

} // namespace fangji::query
