#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <optional>

// Text rules of the prescription entry window: trimming, the normaliser every
// stored text passes through, the statements of the lookup and the search, and
// the print text. Plain functions, no windows, no database.
namespace fangji::entry {

// The eight texts of one prescription row, by position: 名称, 构成, 功效, 主治,
// 用法, 来源, 应用 (labelled 临床治疗), 临床 (labelled 应用心得).
using EntryRecord = std::array<QString, 8>;

// Removes leading and trailing ASCII spaces (U+0020) only; every other white
// space, the ideographic space U+3000 included, is kept as text.
QString trimSpaces(const QString& text);

// A box is blank when nothing but ASCII spaces stands in it.
bool isBlank(const QString& text);

// The texts every prescription must have, in the order they are checked, each with the
// message that asks for it when it is blank.
struct RequiredText {
    int position;
    const char16_t* message;
};
inline constexpr std::array<RequiredText, 6> kRequiredTexts{{
    {0, u"输入方剂名称"},
    {1, u"输入方剂构成"},
    {2, u"输入方剂功效"},
    {3, u"输入方剂主治"},
    {4, u"输入方剂用法"},
    {5, u"输入方剂来源"},
}};
// The first required text that is blank in the record, or nothing when all are there.
std::optional<RequiredText> firstMissingText(const EntryRecord& record);

// Turns a text typed with Western punctuation into its stored form:
// "\" -> "、", "," -> "，", ";" -> "；", "." -> "。" (a point between two digits
// and a point before "《" stay points), a leading CR LF and every lone LF
// dropped, every ASCII space removed, a final "。" added once; a blank text
// becomes one space " ".
QString NormalizeEntryText(const QString& text);

// "SELECT * FROM 中医方剂  WHERE 名称='<name>'": the exact-name lookup, the name
// placed as one literal (quotes doubled). A control character other than TAB, LF
// and CR is written as "'||char(N)||'", because the engine ends a statement at a
// NUL and a file written by an earlier version may hold such characters.
QString nameLookupStatement(const QString& name);

// The search criteria, in record order (position 0 to 7). Each acts as a plain
// "contains" criterion: quotes and the pattern characters * ? # [ match themselves;
// control characters are written as in the lookup. A 名称 or 构成 criterion of Latin letters
// alone is written pinyinlike(名称,'*…*') (or 构成), so that it also finds texts by their pinyin.
QString searchStatement(const EntryRecord& criteria);

// Which characters a stored text may hold: everything but the C0 control characters
// (TAB, LF and CR excepted) and unpaired surrogates, which have no UTF-8 form. Returns
// nothing for a text that may be stored, otherwise the reason, as the end of a
// sentence naming the first offending character: "含有控制字符 U+0000",
// "含有不成对的代理码位 U+D800". Every way in (the entry boxes, fangji-cli add) checks
// its texts with this one rule and refuses them rather than changing them.
std::optional<QString> forbiddenCharacterProblem(const QString& text);

// The question before a composition with forbidden pairs of herbs (十八反, 十九畏) is saved:
// "构成中有配伍禁忌：甘草 反 甘遂。仍要保存吗？", one pair a line; empty when it has none.
QString incompatibilityQuestion(const QString& composition);

// The number of prescriptions as the count label shows it: "12剂", "0剂".
QString countLabel(int count);

// The nine labelled lines of the print text (joined by CR LF, no break after the
// last), each box text trimmed of spaces, the date as yyyy-MM-dd; the whole
// text trimmed once more.
QString printText(const EntryRecord& record, const QDate& date);

// Whether a prescription holds enough to print: 名称, 构成, 来源, 功效, 主治 and
// 用法 each non-empty after trimming.
bool printable(const EntryRecord& record);

} // namespace fangji::entry
