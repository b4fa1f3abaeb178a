#pragma once

#include <string>

// UTF-8 one code point at a time, for the matchers that walk the engine's texts.
namespace fangji::textmatch::utf8 {

// Decodes the code point at p (p < end) and advances p past it. A broken sequence yields what
// its bytes give and never reads beyond end.
inline char32_t decode(const unsigned char*& p, const unsigned char* end) {
    const unsigned char b = *p++;
    if (b < 0x80) {
        return b;
    }
    int extra = (b >= 0xf0) ? 3 : (b >= 0xe0) ? 2 : (b >= 0xc0) ? 1 : 0;
    char32_t cp = b & (0x3f >> extra);
    while (extra-- > 0 && p < end && (*p & 0xc0) == 0x80) {
        cp = (cp << 6) | (*p++ & 0x3f);
    }
    return cp;
}

inline void append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

} // namespace fangji::textmatch::utf8
