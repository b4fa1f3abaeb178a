#include "fold.h"

#include "tables.h"
#include "utf8.h"

#include <algorithm>
#include <unordered_map>

namespace fangji::textmatch {

namespace {

char32_t sparseFold(char32_t c) {
    const char32_t* end = tables::kSparseFoldFrom + tables::kSparseFoldCount;
    const char32_t* it = std::lower_bound(tables::kSparseFoldFrom, end, c);
    return (it != end && *it == c) ? tables::kSparseFoldTo[it - tables::kSparseFoldFrom] : c;
}

// Characters below this fold to themselves: Latin, punctuation and the like are passed at once.
char32_t firstFoldable() {
    static const char32_t first =
        tables::kSparseFoldCount > 0 ? std::min(tables::kSparseFoldFrom[0], tables::kDenseFirst) : tables::kDenseFirst;
    return first;
}

} // namespace

char32_t foldChar(char32_t c) {
    if (c >= tables::kDenseFirst && c <= tables::kDenseLast) {
        const char16_t to = tables::kDenseFold[c - tables::kDenseFirst];
        return to != 0 ? to : c;
    }
    if (c < firstFoldable()) {
        return c;
    }
    return sparseFold(c);
}

const std::vector<char32_t>& variantsOf(char32_t c) {
    static const std::unordered_map<char32_t, std::vector<char32_t>> variants = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> map;
        for (char32_t from = tables::kDenseFirst; from <= tables::kDenseLast; ++from) {
            if (const char16_t to = tables::kDenseFold[from - tables::kDenseFirst]; to != 0) {
                map[to].push_back(from);
            }
        }
        for (std::size_t i = 0; i < tables::kSparseFoldCount; ++i) {
            map[tables::kSparseFoldTo[i]].push_back(tables::kSparseFoldFrom[i]);
        }
        return map;
    }();
    static const std::vector<char32_t> none;
    const auto it = variants.find(c);
    return it == variants.end() ? none : it->second;
}

bool containsFoldable(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    const char32_t first = firstFoldable();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const char32_t c = utf8::decode(p, end);
        if (c >= first && foldChar(c) != c) {
            return true;
        }
    }
    return false;
}

void foldUtf8(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            out += static_cast<char>(*p++);
            continue;
        }
        const unsigned char* start = p;
        const char32_t c = utf8::decode(p, end);
        const char32_t f = foldChar(c);
        if (f != c) {
            utf8::append(out, f);
        } else {
            out.append(reinterpret_cast<const char*>(start), p - start);
        }
    }
}

QString fold(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        char32_t cp = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, text[i + 1]);
            units = 2;
        } else if (c.isSurrogate()) {
            out += c; // an unpaired half stays as it is
            continue;
        }
        const char32_t f = foldChar(cp);
        if (f == cp) {
            out += QStringView(text).mid(i, units);
        } else {
            out += QString::fromUcs4(&f, 1);
        }
        i += units - 1;
    }
    return out;
}

} // namespace fangji::textmatch
