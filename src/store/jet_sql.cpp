#include "jet_sql.h"

#include "zh_collator.h"

#include "textmatch/aliases.h"
#include "textmatch/fold.h"
#include "textmatch/pinyin.h"
#include "textmatch/utf8.h"

#include <QCollator>
#include <QLocale>
#include <QStringDecoder>

#include <sqlite3.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fangji::store::jet {

namespace {

bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.unicode() > 0x7f;
}

// Case-insensitive match of an ASCII keyword at position i, bounded by non-identifier characters.
bool keywordAt(const QString& s, qsizetype i, QStringView word) {
    if (i + word.size() > s.size()) {
        return false;
    }
    if (i > 0 && isIdentChar(s[i - 1])) {
        return false;
    }
    if (QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0) {
        return false;
    }
    const qsizetype end = i + word.size();
    return end >= s.size() || !isIdentChar(s[end]);
}

qsizetype skipSpaces(const QString& s, qsizetype i) {
    while (i < s.size() && s[i].isSpace()) {
        ++i;
    }
    return i;
}

} // namespace

QString translate(const QString& sql, Mode mode) {
    QString out;
    out.reserve(sql.size() + 16);
    bool first = true; // first keyword of the statement
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            // Copy a quoted literal or identifier untouched.
            const QChar close = (c == u'[') ? QChar(u']') : c;
            qsizetype j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == close) {
                    if (close != u']' && j + 1 < sql.size() && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(sql).mid(i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (isIdentChar(c) && (i == 0 || !isIdentChar(sql[i - 1]))) {
            if (first && keywordAt(sql, i, u"DELETE")) {
                qsizetype j = skipSpaces(sql, i + 6);
                if (j < sql.size() && sql[j] == u'*') {
                    out += QStringLiteral("DELETE");
                    i = j + 1;
                    first = false;
                    continue;
                }
            }
            if (first && mode == Mode::Execute && keywordAt(sql, i, u"INSERT")) {
                out += QStringLiteral("INSERT OR IGNORE");
                i += 6;
                first = false;
                continue;
            }
            if (first && mode == Mode::Execute && keywordAt(sql, i, u"UPDATE")) {
                out += QStringLiteral("UPDATE OR IGNORE");
                i += 6;
                first = false;
                continue;
            }
            for (QStringView fn : {QStringView(u"left"), QStringView(u"right")}) {
                if (keywordAt(sql, i, fn)) {
                    qsizetype j = skipSpaces(sql, i + fn.size());
                    if (j < sql.size() && sql[j] == u'(') {
                        out += u'"' + fn.toString().toLower() + u'"';
                        i += fn.size();
                        goto next;
                    }
                }
            }
            first = false;
            {
                qsizetype j = i;
                while (j < sql.size() && isIdentChar(sql[j])) {
                    ++j;
                }
                out += QStringView(sql).mid(i, j - i);
                i = j;
            }
            continue;
        }
        out += c;
        ++i;
    next:;
    }
    return out;
}

QString escapeLiteral(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\'') {
            out += QStringLiteral("''");
        } else if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') {
            out += QStringLiteral("'||char(%1)||'").arg(static_cast<int>(u));
        } else {
            out += c;
        }
    }
    return out;
}

QString escapePattern(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'*' || c == u'?' || c == u'#' || c == u'[') {
            out += u'[';
            out += c;
            out += u']';
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- LIKE

namespace {

inline unsigned char foldByte(unsigned char b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

using textmatch::utf8::decode;

inline char32_t foldCp(char32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

// Both sides of a comparison are folded: A-Z to a-z, traditional characters to simplified ones.
inline char32_t foldChar(char32_t c) {
    return c < 0x80 ? foldCp(c) : textmatch::foldChar(c);
}

struct Token {
    enum Kind { Literal, AnyRun, AnyChar, Digit, Class } kind;
    std::string literal;                               // folded UTF-8 (Literal)
    std::vector<std::pair<char32_t, char32_t>> ranges; // folded (Class)
    bool negate = false;
};

struct Pattern {
    std::vector<Token> tokens;
    // Fast shapes: "*" alone / "*lit*" / "lit".
    enum Shape { General, MatchAll, Contains, Exact } shape = General;
    std::string needle; // folded literal for Contains/Exact
    bool needleHasLetters = false;
    // Contains/Exact: the characters that fold into a character of the needle ("湯" for a needle
    // holding "汤"), as UTF-8. A text holding none of them matches exactly when its own bytes do.
    std::vector<std::string> variants;
    // A pattern naming a herb of the alias table: the same pattern with every herb in its first
    // name, matched against the text with its herbs in their first names too.
    std::shared_ptr<const Pattern> canonical;
};

// Fills in what follows from the tokens: the shape, the needle and its variants.
void classify(Pattern& p) {
    const auto& t = p.tokens;
    p.shape = Pattern::General;
    p.needle.clear();
    if (t.size() == 1 && t[0].kind == Token::AnyRun) {
        p.shape = Pattern::MatchAll;
    } else if (t.size() == 3 && t[0].kind == Token::AnyRun && t[1].kind == Token::Literal &&
               t[2].kind == Token::AnyRun) {
        p.shape = Pattern::Contains;
        p.needle = t[1].literal;
    } else if (t.empty()) {
        p.shape = Pattern::Exact;
    } else if (t.size() == 1 && t[0].kind == Token::Literal) {
        p.shape = Pattern::Exact;
        p.needle = t[0].literal;
    }
    p.needleHasLetters = false;
    for (unsigned char ch : p.needle) {
        if (ch >= 'a' && ch <= 'z') {
            p.needleHasLetters = true;
        }
    }
    p.variants.clear();
    const auto* q = reinterpret_cast<const unsigned char*>(p.needle.data());
    const auto* end = q + p.needle.size();
    while (q < end) {
        for (char32_t v : textmatch::variantsOf(decode(q, end))) {
            std::string utf8;
            textmatch::utf8::append(utf8, v);
            if (std::find(p.variants.begin(), p.variants.end(), utf8) == p.variants.end()) {
                p.variants.push_back(std::move(utf8));
            }
        }
    }
}

Pattern compile(std::string_view pat) {
    Pattern p;
    auto push = [&](Token t) { p.tokens.push_back(std::move(t)); };
    const auto* s = reinterpret_cast<const unsigned char*>(pat.data());
    const auto* end = s + pat.size();
    // A "[" opens a class only when a "]" follows somewhere; otherwise it stands for
    // itself. Knowing where the last "]" is answers that at once for every "[", so a
    // long run of "[" costs no search per character.
    const unsigned char* lastClose = nullptr;
    for (const unsigned char* q = end; q != s;) {
        if (*--q == ']') {
            lastClose = q;
            break;
        }
    }
    while (s < end) {
        unsigned char b = *s;
        if (b == '*') {
            ++s;
            if (p.tokens.empty() || p.tokens.back().kind != Token::AnyRun) {
                push({Token::AnyRun, {}, {}, false});
            }
        } else if (b == '?') {
            ++s;
            push({Token::AnyChar, {}, {}, false});
        } else if (b == '#') {
            ++s;
            push({Token::Digit, {}, {}, false});
        } else if (b == '[' && lastClose != nullptr && lastClose > s) {
            // The first "]" after the "[" closes the class; the search ends there and the
            // class is consumed, so every character is searched over once.
            const auto* close = static_cast<const unsigned char*>(std::memchr(s + 1, ']', end - s - 1));
            // "[]" matches the empty string: it contributes nothing.
            const unsigned char* q = s + 1;
            Token t{Token::Class, {}, {}, false};
            if (q < close && *q == '!') {
                t.negate = true;
                ++q;
            }
            while (q < close) {
                char32_t lo = foldCp(decode(q, close));
                char32_t hi = lo;
                if (q + 1 < close && *q == '-') {
                    ++q;
                    hi = foldCp(decode(q, close));
                } else {
                    lo = hi = foldChar(lo); // a single character compares folded
                }
                t.ranges.emplace_back(lo, hi);
            }
            s = close + 1;
            if (t.ranges.empty() && !t.negate) {
                continue;
            }
            // A one-character positive class is a literal (the usual escape "[*]").
            if (!t.negate && t.ranges.size() == 1 && t.ranges[0].first == t.ranges[0].second) {
                char32_t cp = t.ranges[0].first;
                std::string utf8 = QString::fromUcs4(&cp, 1).toStdString();
                if (!p.tokens.empty() && p.tokens.back().kind == Token::Literal) {
                    p.tokens.back().literal += utf8;
                } else {
                    push({Token::Literal, utf8, {}, false});
                }
                continue;
            }
            push(std::move(t));
        } else {
            const unsigned char* start = s;
            const char32_t c = decode(s, end);
            std::string utf8;
            if (c < 0x80 || textmatch::foldChar(c) == c) {
                utf8.assign(reinterpret_cast<const char*>(start), s - start);
                for (auto& ch : utf8) {
                    ch = static_cast<char>(foldByte(static_cast<unsigned char>(ch)));
                }
            } else {
                textmatch::utf8::append(utf8, textmatch::foldChar(c));
            }
            if (!p.tokens.empty() && p.tokens.back().kind == Token::Literal) {
                p.tokens.back().literal += utf8;
            } else {
                push({Token::Literal, utf8, {}, false});
            }
        }
    }
    classify(p);
    Pattern canonical;
    canonical.tokens = p.tokens;
    bool aliases = false;
    for (Token& t : canonical.tokens) {
        if (t.kind == Token::Literal && textmatch::mentionsAliasedHerb(t.literal)) {
            std::string herbs;
            textmatch::canonicalHerbs(t.literal, herbs);
            t.literal = std::move(herbs);
            aliases = true;
        }
    }
    if (aliases) {
        classify(canonical);
        p.canonical = std::make_shared<const Pattern>(std::move(canonical));
    }
    return p;
}

// Does the (folded) literal match text at position q? Advances q on success.
inline bool literalAt(const std::string& lit, const unsigned char*& q, const unsigned char* end) {
    if (static_cast<size_t>(end - q) < lit.size()) {
        return false;
    }
    for (size_t k = 0; k < lit.size(); ++k) {
        if (foldByte(q[k]) != static_cast<unsigned char>(lit[k])) {
            return false;
        }
    }
    q += lit.size();
    return true;
}

inline bool singleAt(const Token& t, const unsigned char*& q, const unsigned char* end) {
    if (q >= end) {
        return false;
    }
    char32_t c = foldChar(decode(q, end));
    switch (t.kind) {
    case Token::AnyChar:
        return true;
    case Token::Digit:
        return c >= '0' && c <= '9';
    case Token::Class: {
        bool in = false;
        for (auto [lo, hi] : t.ranges) {
            if (c >= lo && c <= hi) {
                in = true;
                break;
            }
        }
        return in != t.negate;
    }
    default:
        return false;
    }
}

bool matchGeneral(const std::vector<Token>& toks, size_t ti, const unsigned char* q, const unsigned char* end) {
    // Iterative matcher with backtracking to the last "*".
    size_t starTok = SIZE_MAX;
    const unsigned char* starText = nullptr;
    while (true) {
        if (ti == toks.size()) {
            if (q == end) {
                return true;
            }
        } else {
            const Token& t = toks[ti];
            if (t.kind == Token::AnyRun) {
                starTok = ti++;
                starText = q;
                continue;
            }
            const unsigned char* q2 = q;
            bool ok = (t.kind == Token::Literal) ? literalAt(t.literal, q2, end) : singleAt(t, q2, end);
            if (ok) {
                q = q2;
                ++ti;
                continue;
            }
        }
        // Mismatch: let the last "*" swallow one more character.
        if (starTok == SIZE_MAX || starText >= end) {
            return false;
        }
        decode(starText, end);
        q = starText;
        ti = starTok + 1;
    }
}

bool contains(const Pattern& p, const unsigned char* s, size_t n) {
    const std::string& needle = p.needle;
    if (needle.empty()) {
        return true;
    }
    if (!p.needleHasLetters) {
        return std::string_view(reinterpret_cast<const char*>(s), n).find(needle) != std::string_view::npos;
    }
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    for (size_t i = 0; i + needle.size() <= n; ++i) {
        if (foldByte(s[i]) != first) {
            continue;
        }
        const unsigned char* q = s + i;
        if (literalAt(needle, q, s + n)) {
            return true;
        }
    }
    return false;
}

// The text's own bytes, without folding its characters (A-Z still compare as a-z).
bool matchUnfolded(const Pattern& p, const unsigned char* s, size_t n) {
    switch (p.shape) {
    case Pattern::MatchAll:
        return true;
    case Pattern::Contains:
        return contains(p, s, n);
    case Pattern::Exact: {
        const unsigned char* q = s;
        return literalAt(p.needle, q, s + n) && q == s + n;
    }
    case Pattern::General:
        break;
    }
    return matchGeneral(p.tokens, 0, s, s + n);
}

bool holdsAny(const std::vector<std::string>& variants, const unsigned char* s, size_t n) {
    for (const std::string& v : variants) {
        if (memmem(s, n, v.data(), v.size()) != nullptr) {
            return true;
        }
    }
    return false;
}

// The pattern (folded when compiled) against the folded text. The text is folded only where
// folding can change the outcome: a needle is looked for in the text's own bytes first, and
// the text is folded only when it holds a character that folds into the needle.
bool matchFolded(const Pattern& p, const unsigned char* s, size_t n) {
    switch (p.shape) {
    case Pattern::MatchAll:
        return true;
    case Pattern::Contains:
    case Pattern::Exact:
        if (matchUnfolded(p, s, n)) {
            return true;
        }
        if (p.variants.empty() || !holdsAny(p.variants, s, n)) {
            return false;
        }
        break;
    case Pattern::General:
        // Characters are folded as they are read; a literal run needs the text folded first.
        if (!textmatch::containsFoldable(std::string_view(reinterpret_cast<const char*>(s), n))) {
            return matchUnfolded(p, s, n);
        }
        break;
    }
    thread_local std::string folded;
    textmatch::foldUtf8(std::string_view(reinterpret_cast<const char*>(s), n), folded);
    return matchUnfolded(p, reinterpret_cast<const unsigned char*>(folded.data()), folded.size());
}

// Folded, and for a pattern naming a herb of the alias table also with the herbs of both sides in
// their first names (a pattern without such a herb costs nothing more).
bool matchCompiled(const Pattern& p, const unsigned char* s, size_t n) {
    if (matchFolded(p, s, n)) {
        return true;
    }
    if (!p.canonical) {
        return false;
    }
    thread_local std::string folded;
    thread_local std::string herbs;
    textmatch::foldUtf8(std::string_view(reinterpret_cast<const char*>(s), n), folded);
    textmatch::canonicalHerbs(folded, herbs);
    return matchUnfolded(*p.canonical, reinterpret_cast<const unsigned char*>(herbs.data()), herbs.size());
}

void likeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc >= 2 && (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* compiled = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
    if (compiled == nullptr) {
        const auto* pat = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const int plen = sqlite3_value_bytes(argv[0]);
        compiled = new Pattern(compile(std::string_view(pat ? pat : "", plen)));
        sqlite3_set_auxdata(ctx, 0, compiled, [](void* p) { delete static_cast<Pattern*>(p); });
        // SQLite may have freed it at once when the argument is not constant; fetch again.
        compiled = static_cast<Pattern*>(sqlite3_get_auxdata(ctx, 0));
        if (compiled == nullptr) {
            Pattern local = compile(std::string_view(pat ? pat : "", plen));
            const auto* txt = sqlite3_value_text(argv[1]);
            sqlite3_result_int(ctx, matchCompiled(local, txt, sqlite3_value_bytes(argv[1])) ? 1 : 0);
            return;
        }
    }
    const auto* txt = sqlite3_value_text(argv[1]);
    sqlite3_result_int(ctx, matchCompiled(*compiled, txt, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

// pinyinlike(text, pattern): like(), and a "*letters*" pattern of Latin letters alone also finds
// the text by its pinyin. The pattern is compiled once per statement.
struct PinyinPattern {
    Pattern like;
    std::string letters; // the Latin-only criterion, lower-case; empty for any other
};

PinyinPattern compilePinyin(std::string_view pat) {
    PinyinPattern w;
    w.like = compile(pat);
    if (w.like.shape == Pattern::Contains && textmatch::isLatinCriterion(std::string_view(w.like.needle))) {
        w.letters = w.like.needle;
    }
    return w;
}

bool matchPinyin(const PinyinPattern& w, const unsigned char* s, size_t n) {
    if (matchCompiled(w.like, s, n)) {
        return true;
    }
    return !w.letters.empty() &&
           textmatch::pinyinContains(std::string_view(reinterpret_cast<const char*>(s), n), w.letters);
}

void pinyinLikeFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* txt = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    auto* compiled = static_cast<PinyinPattern*>(sqlite3_get_auxdata(ctx, 1));
    if (compiled == nullptr) {
        const auto* pat = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        const std::string_view pattern(pat ? pat : "", sqlite3_value_bytes(argv[1]));
        sqlite3_set_auxdata(ctx, 1, new PinyinPattern(compilePinyin(pattern)),
                            [](void* p) { delete static_cast<PinyinPattern*>(p); });
        compiled = static_cast<PinyinPattern*>(sqlite3_get_auxdata(ctx, 1));
        if (compiled == nullptr) {
            sqlite3_result_int(ctx, matchPinyin(compilePinyin(pattern), txt, n) ? 1 : 0);
            return;
        }
    }
    sqlite3_result_int(ctx, matchPinyin(*compiled, txt, n) ? 1 : 0);
}

void lenFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* s = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if ((s[i] & 0xc0) != 0x80) {
            ++count;
        }
    }
    sqlite3_result_int(ctx, count);
}

// left() and right() walk only over the characters they keep (right() from the end of
// the text), so RIGHT(x,1) costs the same for a short and a long text.
void leftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const sqlite3_int64 want = sqlite3_value_int64(argv[1]);
    if (want < 0) {
        sqlite3_result_error(ctx, "Invalid procedure call or argument", -1);
        return;
    }
    const auto* s = sqlite3_value_text(argv[0]);
    const int n = sqlite3_value_bytes(argv[0]);
    if (left) {
        // The end of the first want characters: the start of character want + 1.
        int at = 0;
        sqlite3_int64 chars = 0;
        while (at < n) {
            if ((s[at] & 0xc0) != 0x80) {
                if (chars == want) {
                    break;
                }
                ++chars;
            }
            ++at;
        }
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(s), at, SQLITE_TRANSIENT);
    } else {
        // The start of the last want characters.
        int from = n;
        sqlite3_int64 chars = 0;
        while (from > 0 && chars < want) {
            --from;
            if ((s[from] & 0xc0) != 0x80) {
                ++chars;
            }
        }
        // Fewer characters than asked: the whole text from its first character on (bytes
        // before it that start no character are no character of it).
        if (chars < want) {
            while (from < n && (s[from] & 0xc0) == 0x80) {
                ++from;
            }
        }
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(s) + from, n - from, SQLITE_TRANSIENT);
    }
}

bool foldEqual(const char* a, int na, const char* b, int nb) {
    if (na != nb) {
        return false;
    }
    for (int i = 0; i < na; ++i) {
        if (foldByte(static_cast<unsigned char>(a[i])) != foldByte(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

int foldCompare(const char* a, int na, const char* b, int nb) {
    const int n = na < nb ? na : nb;
    for (int i = 0; i < n; ++i) {
        const int d = foldByte(static_cast<unsigned char>(a[i])) - foldByte(static_cast<unsigned char>(b[i]));
        if (d != 0) {
            return d;
        }
    }
    return na - nb;
}

bool isPrintableAscii(const char* s, int n) {
    for (int i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x20 || b > 0x7e) {
            return false;
        }
    }
    return true;
}

// Whether s is well-formed UTF-8 (no overlong form, no surrogate, nothing past U+10FFFF,
// no sequence cut short); upper tells whether it holds an ASCII capital A-Z.
bool scanUtf8(const char* s, int n, bool& upper) {
    upper = false;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    const unsigned char* const end = p + n;
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            upper = upper || (b >= 'A' && b <= 'Z');
            ++p;
            continue;
        }
        int extra = 0;
        unsigned char low = 0x80; // bounds of the second byte
        unsigned char high = 0xbf;
        if (b >= 0xc2 && b <= 0xdf) {
            extra = 1;
        } else if (b >= 0xe0 && b <= 0xef) {
            extra = 2;
            low = b == 0xe0 ? 0xa0 : 0x80;
            high = b == 0xed ? 0x9f : 0xbf;
        } else if (b >= 0xf0 && b <= 0xf4) {
            extra = 3;
            low = b == 0xf0 ? 0x90 : 0x80;
            high = b == 0xf4 ? 0x8f : 0xbf;
        } else {
            return false;
        }
        if (end - p <= extra || p[1] < low || p[1] > high) {
            return false;
        }
        for (int k = 2; k <= extra; ++k) {
            if ((p[k] & 0xc0) != 0x80) {
                return false;
            }
        }
        p += extra + 1;
    }
    return true;
}

// The character of three UTF-8 bytes at p (U+0800 to U+FFFF, no surrogate), or 0.
char16_t threeByteCharacter(const char* s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    if (p[0] < 0xe0 || p[0] > 0xef || (p[1] & 0xc0) != 0x80 || (p[2] & 0xc0) != 0x80) {
        return 0;
    }
    if ((p[0] == 0xe0 && p[1] < 0xa0) || (p[0] == 0xed && p[1] > 0x9f)) {
        return 0;
    }
    return static_cast<char16_t>(((p[0] & 0x0f) << 12) | ((p[1] & 0x3f) << 6) | (p[2] & 0x3f));
}

// The order of names: the Chinese (pinyin) order of the texts with A-Z folded to a-z,
// ties broken by the folded bytes. Two names are thus equal exactly when they are
// byte-equal once A-Z are folded (as Jet compares them; full-width letters stay apart),
// and the order is total: the collator's comparison is a total preorder (it agrees with
// its sort keys) and the byte tie-break refines it without ever reversing it.
//
// Pure printable ASCII compares by a table of ranks; other well-formed UTF-8 goes to ICU's
// collator as it stands (folded first only when it holds a capital); a text that is not
// well-formed UTF-8 (only a damaged file holds one) is decoded as QString decodes it and
// compared through QCollator, as every text once was.
class NameOrder {
public:
    NameOrder() {
        // Printable ASCII (A-Z folded away) is ranked by the collator one character at a
        // time: each is a collation element of its own, so a pure-ASCII pair compares as
        // its sequence of ranks, exactly as the collator would compare it.
        std::vector<char16_t> chars;
        for (char16_t c = 0x20; c <= 0x7e; ++c) {
            if (c < u'A' || c > u'Z') {
                chars.push_back(c);
            }
        }
        auto cmp = [this](char16_t x, char16_t y) {
            return m_collator.compare(QStringView(&x, 1), QStringView(&y, 1));
        };
        std::sort(chars.begin(), chars.end(), [&](char16_t x, char16_t y) { return cmp(x, y) < 0; });
        m_asciiRanks = true;
        for (size_t i = 0; i < chars.size(); ++i) {
            // Two characters the collator held equal would need the byte tie-break.
            if (i > 0 && cmp(chars[i - 1], chars[i]) == 0) {
                m_asciiRanks = false;
            }
            m_rank[chars[i]] = static_cast<unsigned char>(i + 1);
        }
        for (char16_t c = u'A'; c <= u'Z'; ++c) {
            m_rank[c] = m_rank[c + 32];
        }
    }

    // same: how many bytes the two texts have in common at their start.
    int compare(const char* a, int na, const char* b, int nb, int same) {
        if (m_asciiRanks && isPrintableAscii(a, na) && isPrintableAscii(b, nb)) {
            const int n = na < nb ? na : nb;
            for (int i = 0; i < n; ++i) {
                const int d = m_rank[static_cast<unsigned char>(a[i])] - m_rank[static_cast<unsigned char>(b[i])];
                if (d != 0) {
                    return d;
                }
            }
            return na - nb;
        }
        if (const int r = byFirstDifference(a, na, b, nb, same); r != 0) {
            return r;
        }
        const int r = collate(a, na, b, nb);
        return r != 0 ? r : foldCompare(a, na, b, nb);
    }

    // The order decided where the two texts first differ, when it is decided there: both
    // texts alike (and well-formed) up to a character each whose primary weight stands
    // on its own and differs from the other's. Their first difference at the first level
    // is then that one, so the collator orders the texts as their primary weights, and no
    // later character matters. 0 when it is not decided there.
    int byFirstDifference(const char* a, int na, const char* b, int nb, int same) {
        const int n = na < nb ? na : nb;
        int i = same;
        if (i == n) {
            return 0; // one text starts the other
        }
        // Back to the start of the character that holds the first differing byte.
        while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xc0) == 0x80) {
            --i;
        }
        if (i + 3 > na || i + 3 > nb) {
            return 0;
        }
        const char16_t ca = threeByteCharacter(a + i);
        const char16_t cb = threeByteCharacter(b + i);
        if (ca == 0 || cb == 0) {
            return 0;
        }
        const quint32 pa = primaryOf(ca);
        const quint32 pb = primaryOf(cb);
        if (pa <= kNoPrimary || pb <= kNoPrimary || pa == pb) {
            return 0;
        }
        // The same bytes before, but as characters only when they are well-formed.
        bool upper = false;
        if (!scanUtf8(a, i, upper)) {
            return 0;
        }
        return pa < pb ? -1 : 1;
    }

    // The collator's comparison of the two texts with A-Z folded to a-z.
    int collate(const char* a, int na, const char* b, int nb) {
        bool upperA = false;
        bool upperB = false;
        if (m_icu && scanUtf8(a, na, upperA) && scanUtf8(b, nb, upperB)) {
            // An empty text comes first, as QCollator has it, even before a text the
            // collator ignores as a whole.
            if (na == 0 || nb == 0) {
                return (na != 0) - (nb != 0);
            }
            const char* fa = upperA ? foldedUtf8(a, na, m_foldedA) : a;
            const char* fb = upperB ? foldedUtf8(b, nb, m_foldedB) : b;
            UErrorCode status = U_ZERO_ERROR;
            const UCollationResult r = ucol_strcollUTF8(m_icu.get(), fa, na, fb, nb, &status);
            if (U_SUCCESS(status)) {
                return r;
            }
        }
        const QStringView ua = foldedUtf16(a, na, m_a);
        const QStringView ub = foldedUtf16(b, nb, m_b);
        return m_collator.compare(ua, ub);
    }

private:
    // Table entries: not yet looked up, and no primary weight of its own.
    static constexpr quint32 kUnknown = 0;
    static constexpr quint32 kNoPrimary = 1;

    // The primary weight of a character (left-aligned in 32 bits, so that weights compare
    // as numbers) when it is one collation element with a weight at the first level that
    // no neighbour can change: no contraction, prefix or expansion, a starter without a
    // canonical decomposition. kNoPrimary otherwise. Looked up once per character.
    quint32 primaryOf(char16_t c) {
        if (m_primary.empty()) {
            m_primary.assign(0x10000, kUnknown);
            if (m_icu) {
                m_builtTableHolds = zh::builtTableHolds(m_icu.get());
                if (!m_builtTableHolds) {
                    m_contextual = zh::contextualCharacters(m_icu.get());
                }
            }
            if (m_builtTableHolds || m_contextual) {
                UErrorCode status = U_ZERO_ERROR;
                m_primaryLevel.reset(ucol_clone(m_icu.get(), &status));
                ucol_setAttribute(m_primaryLevel.get(), UCOL_STRENGTH, UCOL_PRIMARY, &status);
                if (U_FAILURE(status)) {
                    m_primaryLevel.reset();
                }
            }
        }
        quint32& slot = m_primary[c];
        if (slot == kUnknown) {
            slot = lookUpPrimary(c);
        }
        return slot;
    }

    bool contextual(char16_t c) const {
        if (m_builtTableHolds) {
            return (zh::kBuiltContextual[c / 8] >> (c % 8)) & 1;
        }
        return uset_contains(m_contextual.get(), c);
    }

    quint32 lookUpPrimary(char16_t c) {
        if (!m_primaryLevel || contextual(c) || u_getCombiningClass(c) != 0) {
            return kNoPrimary;
        }
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
        UChar decomposition[8];
        if (U_FAILURE(status) || unorm2_getDecomposition(nfd, c, decomposition, 8, &status) >= 0) {
            return kNoPrimary;
        }
        // Exactly one collation element (a long weight comes as one element and its
        // continuation).
        const UChar text[1] = {c};
        status = U_ZERO_ERROR;
        UCollationElements* elements = ucol_openElements(m_icu.get(), text, 1, &status);
        int count = 0;
        for (int32_t ce = 0; U_SUCCESS(status) && (ce = ucol_next(elements, &status)) != UCOL_NULLORDER;) {
            count += (ce & 0xc0) == 0xc0 ? 0 : 1;
        }
        ucol_closeElements(elements);
        if (U_FAILURE(status) || count != 1) {
            return kNoPrimary;
        }
        // Its sort key at the first level alone: the bytes of its primary weight.
        uint8_t key[16];
        const int32_t length = ucol_getSortKey(m_primaryLevel.get(), text, 1, key, sizeof key);
        quint32 weight = 0;
        int bytes = 0;
        while (bytes < length && key[bytes] > 1) {
            if (bytes == 4) {
                return kNoPrimary;
            }
            weight |= quint32(key[bytes]) << (24 - 8 * bytes);
            ++bytes;
        }
        return bytes == 0 || weight <= kNoPrimary ? kNoPrimary : weight;
    }

    static const char* foldedUtf8(const char* s, int n, std::string& buffer) {
        buffer.assign(s, static_cast<size_t>(n));
        for (char& c : buffer) {
            c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
        }
        return buffer.data();
    }

    QStringView foldedUtf16(const char* s, int n, std::vector<QChar>& buffer) {
        buffer.resize(static_cast<size_t>(m_decoder.requiredSpace(n)));
        QChar* end = m_decoder.appendToBuffer(buffer.data(), QByteArrayView(s, n));
        for (QChar* c = buffer.data(); c != end; ++c) {
            if (*c >= u'A' && *c <= u'Z') {
                *c = QChar(c->unicode() + 32);
            }
        }
        return QStringView(buffer.data(), end - buffer.data());
    }

    QCollator m_collator{QLocale(QLocale::Chinese, QLocale::China)};
    zh::Collator m_icu = zh::openChineseCollator();
    zh::Collator m_primaryLevel; // the same at the first level only
    bool m_builtTableHolds = false;
    zh::CharSet m_contextual;       // asked of ICU when the built table does not hold
    std::vector<quint32> m_primary; // by UTF-16 code unit; filled when first needed
    QStringDecoder m_decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    std::vector<QChar> m_a;
    std::vector<QChar> m_b;
    std::string m_foldedA;
    std::string m_foldedB;
    unsigned char m_rank[128] = {};
    bool m_asciiRanks = false;
};

// How many bytes a and b (n bytes each at least) have in common at their start; eight
// bytes are compared at a time.
int commonPrefix(const char* a, const char* b, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) {
            const std::uint64_t differ = x ^ y;
            const int bit =
                std::endian::native == std::endian::little ? std::countr_zero(differ) : std::countl_zero(differ);
            return i + bit / 8;
        }
    }
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return i;
}

int zhCollation(void*, int na, const void* a, int nb, const void* b) {
    const auto* ca = static_cast<const char*>(a);
    const auto* cb = static_cast<const char*>(b);
    const int same = commonPrefix(ca, cb, na < nb ? na : nb);
    // Equal names: the same bytes once A-Z are folded (the common start needs no folding).
    if (na == nb && foldEqual(ca + same, na - same, cb + same, nb - same)) {
        return 0;
    }
    thread_local NameOrder order;
    return order.compare(ca, na, cb, nb, same);
}

} // namespace

bool likeMatch(const QByteArray& pattern, const QByteArray& text) {
    const Pattern p = compile(std::string_view(pattern.constData(), pattern.size()));
    return matchCompiled(p, reinterpret_cast<const unsigned char*>(text.constData()), text.size());
}

bool pinyinLikeMatch(const QByteArray& pattern, const QByteArray& text) {
    const PinyinPattern w = compilePinyin(std::string_view(pattern.constData(), pattern.size()));
    return matchPinyin(w, reinterpret_cast<const unsigned char*>(text.constData()), text.size());
}

QString wordCondition(const QString& column, const QString& criterion, const QString& pattern) {
    if (textmatch::isLatinCriterion(QStringView(criterion))) {
        return QStringLiteral("pinyinlike(") + column + u',' + pattern + u')';
    }
    return column + QStringLiteral(" like ") + pattern;
}

int compareZh(const QString& a, const QString& b) {
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    return zhCollation(nullptr, ua.size(), ua.constData(), ub.size(), ub.constData());
}

int registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    int rc = sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunc, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunc, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function(db, "pinyinlike", 2, flags, nullptr, pinyinLikeFunc, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function(db, "len", 1, flags, nullptr, lenFunc, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function(
            db, "left", 2, flags, nullptr, [](sqlite3_context* c, int, sqlite3_value** v) { leftRight(c, v, true); },
            nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_function(
            db, "right", 2, flags, nullptr, [](sqlite3_context* c, int, sqlite3_value** v) { leftRight(c, v, false); },
            nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_create_collation(db, "zh", SQLITE_UTF8, nullptr, zhCollation);
    }
    return rc;
}

} // namespace fangji::store::jet
