#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// Text rules of the query window: the statements it builds and the texts it shows.
namespace fangji::query {

// The fourteen criteria of the query window, as typed or picked.
struct Criteria {
    QString name;                       // Txtmcyc     -> 名称
    QString source;                     // Cbofjly     -> 来源
    std::array<QString, 3> herbs;       // TxtFjY1..3  -> 构成
    std::array<QString, 3> effects;     // Cboycgx1..3 -> 功效
    std::array<QString, 3> indications; // Cboyczz1..3 -> 主治
    std::array<QString, 3> clinical;    // Cbofjlc1..3 -> 应用
};

// The two entries of the sort list, in the order they are added.
inline const QString kSortByName = QStringLiteral("名称");
inline const QString kSortByEffects = QStringLiteral("功效");

// Removes leading and trailing blanks (the space character only; other white
// space, such as a line break, stays).
QString trimBlanks(const QString& text);

// Trims every criterion as the query does before it builds its statement.
Criteria trimmed(const Criteria& criteria);

// The query statement: fourteen "contains" conditions joined with "and", then
// the order clause chosen by the sort list's text ("名称" or "功效"; any other
// text gives none). Each criterion is placed inside the quotes with its quotes
// doubled and its control characters (TAB, LF, CR excepted) written as
// "'||char(N)||'"; "*", "?", "#" and "[" keep their pattern meaning. A 名称 or 药材 criterion of
// Latin letters alone is written "pinyinlike(名称,'*gzt*')" (or 构成), so that it also finds
// the texts by their pinyin; every other condition reads "<column> like '*…*'".
QString buildQueryStatement(const Criteria& criteria, const QString& sortText);

// The statement a query's rows are read with: the query statement, and when a criterion is
// given, its order written "+名称, rowid" (or "+功效, rowid"). The rows and their order are the
// same (the index holds equal effects in the order of the rows); the engine then reads the table
// once and sorts the matches instead of walking the whole index and reading each row where it
// lies, which a large file no longer holds in the engine's cache. Without a criterion every row
// matches, and ordered by name with a criterion on the name alone the name index tells the
// matches: then the statement is the query statement itself.
QString readingStatement(const Criteria& criteria, const QString& sortText);

// The full listing's statement for the sort list's text: ordered by 名称 or 功效;
// any other text (also the empty text) lists only rows with an empty name.
QString fullListingStatement(const QString& sortText);

// The detail lookup of one prescription by its exact name (quotes doubled, control
// characters written as in the query statement).
QString detailStatement(const QString& name);

// The detail page's line for a composition with forbidden pairs of herbs (十八反, 十九畏):
// "构成中有配伍禁忌：甘草 反 甘遂。", pairs joined by "；"; empty when it has none.
QString incompatibilityWarning(const QString& composition);

// Removes one final "。" from every stored source, before each full listing. The
// engine's right() and left() look only at the characters they return.
inline const QString kStripSourceStatement =
    QStringLiteral("UPDATE 中医方剂 SET 来源=left(来源,len(来源)-1) WHERE RIGHT(来源,1)='。'");
// The same change, with the rows to change found through the index on 来源 (a few pages)
// instead of reading every prescription, and then changed in the order of the table.
inline const QString kStripSourceByIndexStatement =
    QStringLiteral("UPDATE 中医方剂 SET 来源=left(来源,len(来源)-1) WHERE rowid IN "
                   "(SELECT rowid FROM 中医方剂 WHERE RIGHT(来源,1)='。')");

// Statements of the four list sources of the combo boxes.
inline const QString kEffectsListStatement = QStringLiteral("select 方剂功效 FROM 方剂功效");
inline const QString kIndicationsListStatement = QStringLiteral("select 方剂主治 FROM 方剂主治");
inline const QString kSourcesListStatement = QStringLiteral("select distinct 来源 FROM 中医方剂");
inline const QString kClinicalListStatement = QStringLiteral("select 临床主治 FROM 临床主治");

// The grid's format string: "<" left-aligned, "^" centred, ">" right-aligned header texts.
inline const QString kGridFormat = QStringLiteral("<名 称|<组 成|<功 效|<主 治|方剂临床应用");

struct GridHeader {
    QString text;
    enum class Align { Default, Left, Center, Right } align = Align::Default;
    bool operator==(const GridHeader&) const = default;
};

// Splits a format string into its header texts and their alignments.
QList<GridHeader> parseGridFormat(const QString& format);

} // namespace fangji::query
