#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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

// The same splitting over UTF-8: calls sink(std::string_view) for every term, in order,
// repeats included, each term as the UTF-8 of the term forEachTerm gives. Every
// character the rules look at is ASCII or a three-byte sequence, so the bytes are walked
// in place and a term that is one run of the text is handed over without a copy; term is
// the caller's buffer for the others, reused from text to text. Returns false, having
// stopped, at the first byte that is not valid UTF-8: the terms given so far are those
// before it, and the caller splits the text as a QString instead.
template <class Sink>
bool forEachTermUtf8(Dictionary dictionary, std::string_view text, std::string& term, Sink&& sink);

// Removes leading and trailing blanks (U+0020 only, as the texts are trimmed
// before splitting; line breaks are kept).
QStringView trimBlanks(QStringView text);

namespace utf8 {

// The three-byte sequences the splitter looks at, as 24-bit numbers.
inline constexpr unsigned kOpenParen = 0xEFBC88;  // （
inline constexpr unsigned kCloseParen = 0xEFBC89; // ）
inline constexpr unsigned kFullStop = 0xE38082;   // 。
inline constexpr unsigned kComma = 0xEFBC8C;      // ，
inline constexpr unsigned kSemicolon = 0xEFBC9B;  // ；
inline constexpr unsigned kColon = 0xEFBC9A;      // ：
inline constexpr unsigned kEnumComma = 0xE38081;  // 、
inline constexpr unsigned kTreat = 0xE6B2BB;      // 治

// What the first byte of a character tells the walk.
enum Lead : unsigned char {
    kBad,       // a continuation byte, C0, C1 or F5 to FF: no valid UTF-8 starts with it
    kAscii,     // an ASCII character the rules pass over
    kAsciiMark, // blank, "(", "*" or carriage return
    kTwo,       // C2 to DF
    kThree,     // E1 to EC and EE, other than the marked ones: any two continuation bytes follow
    kThreeMark, // E3, EF (and E6 for the effects): the first byte of every delimiter and bracket beyond ASCII
    kThreeLow,  // E0: the second byte is A0 to BF (no overlong form)
    kThreeHigh, // ED: the second byte is 80 to 9F (no surrogate)
    kFour,      // F1 to F3
    kFourLow,   // F0: the second byte is 90 to BF
    kFourHigh,  // F4: the second byte is 80 to 8F (nothing above U+10FFFF)
};

constexpr std::array<Lead, 256> leadsMarking(bool treat) {
    std::array<Lead, 256> leads{};
    for (unsigned b = 0; b < 0x80; ++b) {
        leads[b] = kAscii;
    }
    for (const unsigned char b : {' ', '(', '*', '\r'}) {
        leads[b] = kAsciiMark;
    }
    for (unsigned b = 0xC2; b < 0xE0; ++b) {
        leads[b] = kTwo;
    }
    for (unsigned b = 0xE1; b < 0xF0; ++b) {
        leads[b] = kThree;
    }
    leads[0xE0] = kThreeLow;
    leads[0xED] = kThreeHigh;
    leads[0xE3] = leads[0xEF] = kThreeMark;
    if (treat) {
        leads[0xE6] = kThreeMark;
    }
    leads[0xF0] = kFourLow;
    leads[0xF1] = leads[0xF2] = leads[0xF3] = kFour;
    leads[0xF4] = kFourHigh;
    return leads;
}

// The leads as the effects see them, where "治" (E6 B2 BB) delimits too, and as the others do.
inline constexpr std::array<Lead, 256> kLeads = leadsMarking(true);
inline constexpr std::array<Lead, 256> kLeadsWithoutTreat = leadsMarking(false);

inline bool isTail(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Whether p[0] and p[1] are both continuation bytes.
inline bool twoTails(const unsigned char* p) {
    return ((p[0] ^ 0x80u) | (p[1] ^ 0x80u)) < 0x40u;
}

// Length of the valid sequence at p (before end), or 0 when the bytes there are no
// valid UTF-8 (a stray or missing continuation byte, an overlong form, a surrogate,
// a code point above U+10FFFF).
inline std::size_t validSequence(const unsigned char* p, const unsigned char* end) {
    const std::ptrdiff_t left = end - p;
    switch (kLeads[p[0]]) {
    case kBad:
        return 0;
    case kAscii:
    case kAsciiMark:
        return 1;
    case kTwo:
        return left >= 2 && isTail(p[1]) ? 2 : 0;
    case kThree:
    case kThreeMark:
        return left >= 3 && isTail(p[1]) && isTail(p[2]) ? 3 : 0;
    case kThreeLow:
        return left >= 3 && p[1] >= 0xA0 && isTail(p[1]) && isTail(p[2]) ? 3 : 0;
    case kThreeHigh:
        return left >= 3 && p[1] < 0xA0 && isTail(p[1]) && isTail(p[2]) ? 3 : 0;
    case kFour:
        return left >= 4 && isTail(p[1]) && isTail(p[2]) && isTail(p[3]) ? 4 : 0;
    case kFourLow:
        return left >= 4 && p[1] >= 0x90 && isTail(p[1]) && isTail(p[2]) && isTail(p[3]) ? 4 : 0;
    case kFourHigh:
        return left >= 4 && p[1] < 0x90 && isTail(p[1]) && isTail(p[2]) && isTail(p[3]) ? 4 : 0;
    }
    return 0;
}

inline unsigned threeBytes(const unsigned char* p) {
    return (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | unsigned(p[2]);
}

// Position just after the first closer of a bracketed part whose content starts at from,
// or end when none follows; 0 when invalid UTF-8 comes first. Clinical parts close at
// either ")" or "）"; otherwise "(" closes at ")" and "（" at "）".
inline std::size_t skipBracketed(const unsigned char* s, std::size_t from, std::size_t end, bool ascii, bool clinical) {
    for (std::size_t q = from; q < end;) {
        const std::size_t length = validSequence(s + q, s + end);
        if (length == 0) {
            return 0;
        }
        if (length == 1 && s[q] == ')' && (ascii || clinical)) {
            return q + 1;
        }
        if (length == 3 && threeBytes(s + q) == kCloseParen && (!ascii || clinical)) {
            return q + 3;
        }
        q += length;
    }
    return end;
}

} // namespace utf8

template <class Sink>
bool forEachTermUtf8(Dictionary dictionary, std::string_view text, std::string& term, Sink&& sink) {
    const bool clinical = dictionary == Dictionary::Clinical;
    const bool effects = dictionary == Dictionary::Effects;
    if (clinical) {
        while (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        }
        while (!text.empty() && text.back() == ' ') {
            text.remove_suffix(1);
        }
    }
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    term.clear();
    // The term is term followed by the run text[run, pos): characters are copied only
    // when a blank or a bracketed part interrupts the run.
    std::size_t run = 0;
    std::size_t pos = 0;
    auto keepRun = [&](std::size_t upto) {
        if (upto > run) {
            term.append(text.data() + run, upto - run);
        }
    };
    auto closeTerm = [&](std::size_t upto) {
        if (term.empty()) {
            if (upto > run) {
                sink(text.substr(run, upto - run));
            }
        } else {
            keepRun(upto);
            sink(std::string_view(term));
            term.clear();
        }
    };
    const std::array<utf8::Lead, 256>& leads = effects ? utf8::kLeads : utf8::kLeadsWithoutTreat;
    while (pos < n) {
        // Most characters of a text are three bytes long and none of the marked ones: a run
        // of them is passed over in a loop of its own.
        while (pos + 2 < n && leads[s[pos]] == utf8::kThree && utf8::twoTails(s + pos + 1)) {
            pos += 3;
        }
        if (pos == n) {
            break;
        }
        const utf8::Lead lead = leads[s[pos]];
        if (lead == utf8::kAscii) {
            ++pos;
            continue;
        }
        if (lead == utf8::kAsciiMark) {
            const unsigned char b = s[pos];
            if (b == '\r') {
                if (clinical) {
                    // Only the first line of a clinical text gives terms; the open term is dropped.
                    return true;
                }
                ++pos;
            } else if (b == '(') {
                // A bracketed part neither ends nor changes the term: the text around it joins up.
                keepRun(pos);
                pos = utf8::skipBracketed(s, pos + 1, n, true, clinical);
                if (pos == 0) {
                    return false;
                }
                run = pos;
            } else if (b == ' ') {
                keepRun(pos);
                run = ++pos;
            } else {
                closeTerm(pos); // "*"
                run = ++pos;
            }
            continue;
        }
        if (lead == utf8::kThreeMark) {
            if (pos + 2 >= n || !utf8::twoTails(s + pos + 1)) {
                return false;
            }
            const unsigned c = utf8::threeBytes(s + pos);
            if (c == utf8::kOpenParen) {
                keepRun(pos);
                pos = utf8::skipBracketed(s, pos + 3, n, false, clinical);
                if (pos == 0) {
                    return false;
                }
                run = pos;
            } else if (c == utf8::kFullStop || c == utf8::kComma || c == utf8::kSemicolon || c == utf8::kColon ||
                       c == utf8::kEnumComma || (effects && c == utf8::kTreat)) {
                closeTerm(pos);
                pos += 3;
                run = pos;
            } else {
                pos += 3;
            }
            continue;
        }
        const std::size_t length = utf8::validSequence(s + pos, s + n);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    // A term still open at the end of the text is not stored.
    return true;
}

} // namespace fangji::dictionary
