#include "pinyin.h"

#include "fold.h"
#include "tables.h"
#include "utf8.h"

#include <algorithm>
#include <cstdint>

namespace fangji::textmatch {

namespace {

// The reading set of a character (0: none).
std::uint16_t readingSet(char32_t c) {
    if (c >= tables::kDenseFirst && c <= tables::kDenseLast) {
        return tables::kDenseReadings[c - tables::kDenseFirst];
    }
    const char32_t* end = tables::kSparseReadingCps + tables::kSparseReadingCount;
    const char32_t* it = std::lower_bound(tables::kSparseReadingCps, end, c);
    return (it != end && *it == c) ? tables::kSparseReadingSets[it - tables::kSparseReadingCps] : 0;
}

std::uint16_t readingSetFolded(char32_t c) {
    const std::uint16_t set = readingSet(c);
    if (set != 0) {
        return set;
    }
    const char32_t f = foldChar(c);
    return f != c ? readingSet(f) : 0;
}

// One character of the text as the matcher sees it.
struct Unit {
    std::uint32_t initials = 0; // bit (c - 'a') for each letter a reading starts with
    std::uint16_t set = 0;      // reading set (0: none)
    char letter = 0;            // a Latin letter of the text, lower-case
};

constexpr std::uint32_t bit(char c) {
    return 1u << (c - 'a');
}

void readUnits(std::string_view text, std::vector<Unit>& units) {
    units.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        Unit u;
        if (*p < 0x80) {
            char c = static_cast<char>(*p++);
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
            if (c >= 'a' && c <= 'z') {
                u.letter = c;
                u.initials = bit(c);
            }
        } else {
            u.set = readingSetFolded(utf8::decode(p, end));
            if (u.set != 0) {
                u.initials = tables::kSetInitials[u.set - 1];
            }
        }
        units.push_back(u);
    }
}

bool initialsAt(const std::vector<Unit>& units, std::size_t from, std::string_view letters) {
    if (from + letters.size() > units.size()) {
        return false;
    }
    for (std::size_t k = 0; k < letters.size(); ++k) {
        if ((units[from + k].initials & bit(letters[k])) == 0) {
            return false;
        }
    }
    return true;
}

// Whole readings from units[from] on; the last one may be cut short. The offsets into the
// letters reached before each character are kept as a set, so a character of many readings
// costs no more than its readings.
bool syllablesAt(const std::vector<Unit>& units, std::size_t from, std::string_view letters, std::vector<char>& reached,
                 std::vector<char>& next) {
    const std::size_t m = letters.size();
    reached.assign(m + 1, 0);
    reached[0] = 1;
    for (std::size_t i = from; i < units.size(); ++i) {
        const Unit& u = units[i];
        next.assign(m + 1, 0);
        bool any = false;
        for (std::size_t off = 0; off < m; ++off) {
            if (!reached[off] || (u.initials & bit(letters[off])) == 0) {
                continue;
            }
            if (u.letter != 0) {
                if (off + 1 == m) {
                    return true;
                }
                next[off + 1] = any = true;
                continue;
            }
            const std::string_view rest = letters.substr(off);
            for (std::uint32_t s = tables::kSetOffsets[u.set - 1]; s < tables::kSetOffsets[u.set]; ++s) {
                const std::string_view syllable = tables::kSyllables[tables::kSetSyllables[s]];
                if (rest.size() <= syllable.size()) {
                    if (syllable.substr(0, rest.size()) == rest) {
                        return true;
                    }
                } else if (rest.substr(0, syllable.size()) == syllable) {
                    next[off + syllable.size()] = any = true;
                }
            }
        }
        if (!any) {
            return false;
        }
        reached.swap(next);
    }
    return false;
}

} // namespace

bool isLatinCriterion(QStringView criterion) {
    if (criterion.isEmpty()) {
        return false;
    }
    for (QChar c : criterion) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            return false;
        }
    }
    return true;
}

bool isLatinCriterion(std::string_view criterion) {
    if (criterion.empty()) {
        return false;
    }
    for (char c : criterion) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

bool pinyinContains(std::string_view text, std::string_view letters) {
    if (letters.empty()) {
        return true;
    }
    for (char c : letters) {
        if (c < 'a' || c > 'z') {
            return false;
        }
    }
    thread_local std::vector<Unit> units;
    thread_local std::vector<char> reached;
    thread_local std::vector<char> next;
    readUnits(text, units);
    const std::uint32_t first = bit(letters[0]);
    for (std::size_t i = 0; i < units.size(); ++i) {
        if ((units[i].initials & first) == 0) {
            continue;
        }
        if (initialsAt(units, i, letters) || syllablesAt(units, i, letters, reached, next)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> readingsOf(char32_t c) {
    std::vector<std::string> out;
    const std::uint16_t set = readingSetFolded(c);
    if (set == 0) {
        return out;
    }
    for (std::uint32_t s = tables::kSetOffsets[set - 1]; s < tables::kSetOffsets[set]; ++s) {
        out.emplace_back(tables::kSyllables[tables::kSetSyllables[s]]);
    }
    return out;
}

} // namespace fangji::textmatch
