#pragma once

#include <cstddef>
#include <cstdint>

// The character tables of the text matcher, generated at build time (tools/make_textmatch_tables)
// from OpenCC's traditional-to-simplified characters, Unihan's Mandarin readings and the herb
// readings list beside this file.
namespace fangji::textmatch::tables {

// Code points of the CJK blocks (Extension A and the Unified Ideographs) are looked up directly;
// every other one in a sorted list.
constexpr char32_t kDenseFirst = 0x3400;
constexpr char32_t kDenseLast = 0x9FFF;

// Toneless readings in lower-case letters ("zhi", "lv" and "lu" for lǜ).
extern const char* const kSyllables[];
extern const std::size_t kSyllableCount;

// Reading sets: set s (1-based) holds kSetSyllables[kSetOffsets[s - 1] .. kSetOffsets[s]), and
// kSetInitials[s - 1] has bit (c - 'a') for each first letter c of its readings.
extern const std::uint32_t kSetOffsets[];
extern const std::uint16_t kSetSyllables[];
extern const std::uint32_t kSetInitials[];
extern const std::size_t kSetCount;

// The reading set of each character (0: no reading).
extern const std::uint16_t kDenseReadings[kDenseLast - kDenseFirst + 1];
extern const char32_t kSparseReadingCps[];
extern const std::uint16_t kSparseReadingSets[];
extern const std::size_t kSparseReadingCount;

// The simplified form of each traditional character (0: the character itself).
extern const char16_t kDenseFold[kDenseLast - kDenseFirst + 1];
extern const char32_t kSparseFoldFrom[];
extern const char32_t kSparseFoldTo[];
extern const std::size_t kSparseFoldCount;

} // namespace fangji::textmatch::tables
