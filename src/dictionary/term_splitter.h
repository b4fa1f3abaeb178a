#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// Term splitting: how the texts of the prescriptions are cut into the terms of
// the three dictionaries.
namespace fangji::dictionary {

// Which dictionary a text feeds; each has its own splitting rules.
enum class Dictionary {
    Effects,     // 功效 -> 方剂功效: "治" is a delimiter too
    Indications, // 主治 -> 方剂主治
    Clinical,    // 应用 -> 临床主治: only the first line counts; either bracket kind opens a part
};

// Calls sink for every term of text, in order, repeats included. A term is a run of
// characters closed by a delimiter ("。", "，", "；", "*", "：", "、", and "治" for
// effects), with blanks (U+0020) removed and bracketed parts cut out; a term still
// open when the text ends is dropped. Only U+0020 counts as a blank.
void forEachTerm(Dictionary dictionary, QStringView text, const std::function<void(const QString&)>& sink);

// The terms of text, in order, repeats included.
QStringList splitTerms(Dictionary dictionary, QStringView text);

// The three splitters as pure functions.
inline QStringList effectTerms(QStringView text) {
    return splitTerms(Dictionary::Effects, text);
}
inline QStringList indicationTerms(QStringView text) {
    return splitTerms(Dictionary::Indications, text);
}
inline QStringList clinicalTerms(QStringView text) {
    return splitTerms(Dictionary::Clinical, text);
}

// Removes leading and trailing blanks (U+0020 only, as the texts are trimmed
// before splitting; line breaks are kept).
QStringView trimBlanks(QStringView text);

} // namespace fangji::dictionary
