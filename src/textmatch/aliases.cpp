#include "aliases.h"

#include "fold.h"
#include "utf8.h"

#include <QStringList>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace fangji::textmatch {

// The text of herb_aliases.txt, compiled in.
extern const char kHerbAliasesText[];

namespace {

class AliasTable {
public:
    AliasTable() {
        const QStringList lines = QString::fromUtf8(kHerbAliasesText).split(u'\n');
        for (QString line : lines) {
            if (const qsizetype hash = line.indexOf(u'#'); hash >= 0) {
                line.truncate(hash);
            }
            const QStringList names = line.split(u' ', Qt::SkipEmptyParts);
            if (names.isEmpty()) {
                continue;
            }
            const std::string canonical = fold(names.first()).toStdString();
            // A group whose names all fold to one spelling (朮 and 术) changes nothing here.
            const bool anyOther = std::any_of(
                names.begin(), names.end(), [&](const QString& name) { return fold(name).toStdString() != canonical; });
            if (!anyOther) {
                continue;
            }
            for (const QString& name : names) {
                const std::string key = fold(name).toStdString();
                m_names.emplace(key, canonical);
                const auto* p = reinterpret_cast<const unsigned char*>(key.data());
                m_firsts.insert(utf8::decode(p, p + key.size()));
                m_longest = std::max(m_longest, key.size());
            }
        }
    }

    // The byte length of the longest name at text[at..], and its first name; 0 when none.
    std::size_t nameAt(std::string_view text, std::size_t at, const std::string** canonical) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + at;
        const auto* end = reinterpret_cast<const unsigned char*>(text.data()) + text.size();
        if (m_firsts.count(utf8::decode(p, end)) == 0) {
            return 0;
        }
        // The ends of the characters that could still belong to a name, longest first.
        std::size_t ends[32];
        int count = 0;
        const auto* q = reinterpret_cast<const unsigned char*>(text.data()) + at;
        while (q < end && count < 32) {
            utf8::decode(q, end);
            const auto len = static_cast<std::size_t>(q - (reinterpret_cast<const unsigned char*>(text.data()) + at));
            if (len > m_longest) {
                break;
            }
            ends[count++] = len;
        }
        for (int i = count - 1; i >= 0; --i) {
            const auto it = m_names.find(std::string(text.substr(at, ends[i])));
            if (it != m_names.end()) {
                *canonical = &it->second;
                return ends[i];
            }
        }
        return 0;
    }

private:
    std::unordered_map<std::string, std::string> m_names;
    std::unordered_set<char32_t> m_firsts;
    std::size_t m_longest = 0;
};

const AliasTable& table() {
    static const AliasTable t;
    return t;
}

// The length in bytes of the character at text[at].
std::size_t charLength(std::string_view text, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + at;
    const auto* start = p;
    utf8::decode(p, reinterpret_cast<const unsigned char*>(text.data()) + text.size());
    return static_cast<std::size_t>(p - start);
}

} // namespace

void canonicalHerbs(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size() + 8);
    const AliasTable& t = table();
    std::size_t at = 0;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            out += text[at++];
            continue;
        }
        const std::string* canonical = nullptr;
        if (const std::size_t len = t.nameAt(text, at, &canonical); len > 0) {
            out += *canonical;
            at += len;
            continue;
        }
        const std::size_t len = charLength(text, at);
        out.append(text.substr(at, len));
        at += len;
    }
}

bool mentionsAliasedHerb(std::string_view text) {
    const AliasTable& t = table();
    std::size_t at = 0;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::string* canonical = nullptr;
        if (t.nameAt(text, at, &canonical) > 0) {
            return true;
        }
        at += charLength(text, at);
    }
    return false;
}

QString canonicalHerbs(const QString& text) {
    const std::string folded = fold(text).toStdString();
    std::string out;
    canonicalHerbs(folded, out);
    return QString::fromStdString(out);
}

bool mentionsAliasedHerb(const QString& text) {
    return mentionsAliasedHerb(fold(text).toStdString());
}

} // namespace fangji::textmatch
