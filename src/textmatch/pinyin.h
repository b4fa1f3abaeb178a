#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Finding Chinese text by its pinyin, as doctors type it: the initials ("gzt") or the full
// syllables ("guizhitang") of consecutive characters, tones left out, ü typed as v or u.
namespace fangji::textmatch {

// A criterion made only of the Latin letters a-z and A-Z (at least one).
bool isLatinCriterion(QStringView criterion);
bool isLatinCriterion(std::string_view criterion);

// Whether the lower-case letters occur in the UTF-8 text read as pinyin: either as the
// initials of consecutive characters, one letter each, or as their whole readings run
// together, the last of which may be cut short ("guizhit"). A match starts at a character.
// Every reading of a character counts; a Latin letter of the text stands for itself; any other
// character (digits, punctuation) ends a run. A traditional character reads as its simplified form
// when it has no readings of its own.
bool pinyinContains(std::string_view utf8, std::string_view letters);

// The toneless readings of a character, as the matcher knows them (empty for none).
std::vector<std::string> readingsOf(char32_t c);

} // namespace fangji::textmatch
