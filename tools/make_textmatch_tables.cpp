// Build-time tool: writes the character tables of the text matcher as C++ source.
//   make_textmatch_tables TSCharacters.ocd2 Unihan_Readings.txt.bz2 herb_readings.txt OUTPUT.cpp
//
// - Folding: OpenCC's character table from traditional to simplified characters (the first,
//   most common simplified form of each character), closed so that folding twice changes
//   nothing more.
// - Readings: every Mandarin reading Unihan gives a character (kHanyuPinyin, kXHC1983,
//   kMandarin), tones removed, ü written both as v and as u; then the herb readings of the
//   hand-kept list added to the characters of each herb name.
// Anything unexpected in the data stops the build with a message rather than dropping readings.
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char32_t kDenseFirst = 0x3400;
constexpr char32_t kDenseLast = 0x9FFF;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "make_textmatch_tables: %s\n", message.c_str());
    std::exit(1);
}

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80 ? 0 : b >= 0xf0 ? 3 : b >= 0xe0 ? 2 : b >= 0xc0 ? 1 : -1;
        if (extra < 0 || i + extra >= s.size()) {
            fail("invalid UTF-8 in \"" + s + "\"");
        }
        char32_t cp = extra == 0 ? b : (b & (0x3f >> extra));
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xc0) != 0x80) {
                fail("invalid UTF-8 in \"" + s + "\"");
            }
            cp = (cp << 6) | (next & 0x3f);
        }
        out += cp;
        i += extra + 1;
    }
    return out;
}

std::string hex(char32_t cp) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
    return buffer;
}

// A toneless reading in lower-case letters, ü as "v"; fails on a letter it does not know.
std::string toneless(const std::string& reading) {
    static const std::map<char32_t, std::string> kLetters = {
        {U'ā', "a"},  {U'á', "a"},  {U'ǎ', "a"},  {U'à', "a"},  {U'ē', "e"}, {U'é', "e"}, {U'ě', "e"}, {U'è', "e"},
        {U'ê', "e"},  {U'ế', "e"},  {U'ề', "e"},  {U'ī', "i"},  {U'í', "i"}, {U'ǐ', "i"}, {U'ì', "i"}, {U'ō', "o"},
        {U'ó', "o"},  {U'ǒ', "o"},  {U'ò', "o"},  {U'ū', "u"},  {U'ú', "u"}, {U'ǔ', "u"}, {U'ù', "u"}, {U'ü', "v"},
        {U'ǖ', "v"},  {U'ǘ', "v"},  {U'ǚ', "v"},  {U'ǜ', "v"},  {U'ḿ', "m"}, {U'ń', "n"}, {U'ň', "n"}, {U'ǹ', "n"},
        {U'ẑ', "zh"}, {U'ĉ', "ch"}, {U'ŝ', "sh"}, {U'ŋ', "ng"},
    };
    std::string out;
    for (char32_t c : decodeUtf8(reading)) {
        if (c >= U'a' && c <= U'z') {
            out += static_cast<char>(c);
        } else if (c >= U'A' && c <= U'Z') {
            out += static_cast<char>(c + 32);
        } else if (c >= 0x300 && c <= 0x36f) {
            continue; // a combining tone mark
        } else if (auto it = kLetters.find(c); it != kLetters.end()) {
            out += it->second;
        } else {
            fail("unknown letter " + hex(c) + " in the reading \"" + reading + "\"");
        }
    }
    return out;
}

using Readings = std::map<char32_t, std::set<std::string>>;

void addReading(Readings& readings, char32_t cp, const std::string& written) {
    const std::string r = toneless(written);
    if (r.empty()) {
        return;
    }
    readings[cp].insert(r);
    // ü may be typed as v or as u.
    if (r.find('v') != std::string::npos) {
        std::string u = r;
        std::replace(u.begin(), u.end(), 'v', 'u');
        readings[cp].insert(u);
    }
}

// One value of kHanyuPinyin or kXHC1983 ("10019.020:tiàn,diàn 1234.5:..."), or kMandarin ("shù zhú").
void addField(Readings& readings, char32_t cp, const std::string& value) {
    std::istringstream words(value);
    std::string word;
    while (words >> word) {
        const size_t colon = word.find(':');
        const std::string list = colon == std::string::npos ? word : word.substr(colon + 1);
        size_t from = 0;
        while (from <= list.size()) {
            size_t comma = list.find(',', from);
            if (comma == std::string::npos) {
                comma = list.size();
            }
            addReading(readings, cp, list.substr(from, comma - from));
            from = comma + 1;
        }
    }
}

void readUnihan(const std::string& path, Readings& readings) {
    const std::string command = "bzip2 -dc '" + path + "'";
    FILE* in = popen(command.c_str(), "r");
    if (in == nullptr) {
        fail("cannot run " + command);
    }
    std::string line;
    char buffer[4096];
    size_t lines = 0;
    while (std::fgets(buffer, sizeof buffer, in) != nullptr) {
        line += buffer;
        if (line.empty() || line.back() != '\n') {
            continue;
        }
        line.pop_back();
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("U+", 0) == 0) {
            const size_t tab1 = line.find('\t');
            const size_t tab2 = line.find('\t', tab1 + 1);
            if (tab1 == std::string::npos || tab2 == std::string::npos) {
                fail("unexpected line: " + line);
            }
            const std::string field = line.substr(tab1 + 1, tab2 - tab1 - 1);
            if (field == "kHanyuPinyin" || field == "kXHC1983" || field == "kMandarin") {
                const auto cp = static_cast<char32_t>(std::stoul(line.substr(2, tab1 - 2), nullptr, 16));
                addField(readings, cp, line.substr(tab2 + 1));
                ++lines;
            }
        }
        line.clear();
    }
    if (pclose(in) != 0) {
        fail("reading " + path + " failed");
    }
    if (lines < 10000) {
        fail("too few readings in " + path);
    }
}

// Lines "名称 pīn yīn" (one reading per character); "#" starts a comment.
void readOverrides(const std::string& path, Readings& readings) {
    std::ifstream in(path);
    if (!in) {
        fail("cannot read " + path);
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
        }
        std::istringstream words(line);
        std::string name;
        if (!(words >> name)) {
            continue;
        }
        const std::u32string chars = decodeUtf8(name);
        std::vector<std::string> syllables;
        std::string s;
        while (words >> s) {
            syllables.push_back(s);
        }
        if (syllables.size() != chars.size()) {
            fail(path + ":" + std::to_string(number) + ": one reading per character expected");
        }
        for (size_t i = 0; i < chars.size(); ++i) {
            addReading(readings, chars[i], syllables[i]);
        }
    }
}

std::map<char32_t, char32_t> readFolding(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        fail("cannot read " + path);
    }
    const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(f);
    std::fclose(f);
    std::map<char32_t, char32_t> fold;
    for (const auto& entry : *dict->GetLexicon()) {
        const std::u32string key = decodeUtf8(entry->Key());
        const std::u32string value = decodeUtf8(entry->GetDefault());
        if (key.size() != 1 || value.size() != 1) {
            fail("not a character entry: " + entry->Key());
        }
        if (key[0] != value[0]) {
            fold[key[0]] = value[0];
        }
    }
    // Close the table: a character whose simplified form folds further goes all the way.
    for (auto& [from, to] : fold) {
        char32_t target = to;
        for (int step = 0; step < 8; ++step) {
            auto next = fold.find(target);
            if (next == fold.end() || next->second == target || next->first == from) {
                break;
            }
            target = next->second;
        }
        to = target;
    }
    if (fold.size() < 1000) {
        fail("too few characters in " + path);
    }
    return fold;
}

// An empty table still has one element (C++ has no empty arrays); its count says 0.
void writeArray(std::ostream& out, const char* decl, std::vector<std::uint32_t> values) {
    if (values.empty()) {
        values.push_back(0);
    }
    out << decl << " = {";
    for (size_t i = 0; i < values.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << values[i] << ',';
    }
    out << "\n};\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_textmatch_tables TSCharacters.ocd2 Unihan_Readings.txt.bz2 "
                             "herb_readings.txt OUTPUT.cpp\n");
        return 2;
    }
    const std::map<char32_t, char32_t> fold = readFolding(argv[1]);
    Readings readings;
    readUnihan(argv[2], readings);
    readOverrides(argv[3], readings);

    // Syllables by name, reading sets shared between characters that read alike.
    std::map<std::string, std::uint32_t> syllableIds;
    for (const auto& [cp, set] : readings) {
        for (const std::string& r : set) {
            syllableIds.emplace(r, 0);
        }
    }
    std::vector<std::string> syllables;
    for (auto& [name, id] : syllableIds) {
        id = static_cast<std::uint32_t>(syllables.size());
        syllables.push_back(name);
    }
    std::map<std::set<std::string>, std::uint32_t> setIds;
    std::vector<std::uint32_t> setOffsets{0};
    std::vector<std::uint32_t> setSyllables;
    std::vector<std::uint32_t> setInitials;
    std::vector<std::uint32_t> dense(kDenseLast - kDenseFirst + 1, 0);
    std::vector<std::uint32_t> sparseCps;
    std::vector<std::uint32_t> sparseSets;
    for (const auto& [cp, set] : readings) {
        auto [it, added] = setIds.emplace(set, static_cast<std::uint32_t>(setIds.size() + 1));
        if (added) {
            std::uint32_t initials = 0;
            for (const std::string& r : set) {
                setSyllables.push_back(syllableIds.at(r));
                initials |= 1u << (r[0] - 'a');
            }
            setOffsets.push_back(static_cast<std::uint32_t>(setSyllables.size()));
            setInitials.push_back(initials);
        }
        if (cp >= kDenseFirst && cp <= kDenseLast) {
            dense[cp - kDenseFirst] = it->second;
        } else {
            sparseCps.push_back(cp);
            sparseSets.push_back(it->second);
        }
    }
    if (setIds.size() >= 0xffff || syllables.size() >= 0xffff) {
        fail("the tables outgrow 16-bit indices");
    }
    std::vector<std::uint32_t> denseFold(kDenseLast - kDenseFirst + 1, 0);
    std::vector<std::uint32_t> sparseFoldFrom;
    std::vector<std::uint32_t> sparseFoldTo;
    for (const auto& [from, to] : fold) {
        if (from >= kDenseFirst && from <= kDenseLast && to <= 0xffff) {
            denseFold[from - kDenseFirst] = to;
        } else {
            sparseFoldFrom.push_back(from);
            sparseFoldTo.push_back(to);
        }
    }

    std::ostringstream out;
    out << "// Generated by make_textmatch_tables from OpenCC's TSCharacters, Unihan's readings and\n"
           "// the herb readings list. Do not edit.\n"
           "#include \"textmatch/tables.h\"\n\n"
           "namespace fangji::textmatch::tables {\n\n";
    out << "const char* const kSyllables[] = {";
    for (size_t i = 0; i < syllables.size(); ++i) {
        out << (i % 12 == 0 ? "\n    " : " ") << '"' << syllables[i] << "\",";
    }
    out << "\n};\nconst std::size_t kSyllableCount = " << syllables.size() << ";\n\n";
    writeArray(out, "const std::uint32_t kSetOffsets[]", setOffsets);
    writeArray(out, "const std::uint16_t kSetSyllables[]", setSyllables);
    writeArray(out, "const std::uint32_t kSetInitials[]", setInitials);
    out << "const std::size_t kSetCount = " << setInitials.size() << ";\n\n";
    writeArray(out, "const std::uint16_t kDenseReadings[kDenseLast - kDenseFirst + 1]", dense);
    writeArray(out, "const char32_t kSparseReadingCps[]", sparseCps);
    writeArray(out, "const std::uint16_t kSparseReadingSets[]", sparseSets);
    out << "const std::size_t kSparseReadingCount = " << sparseCps.size() << ";\n\n";
    writeArray(out, "const char16_t kDenseFold[kDenseLast - kDenseFirst + 1]", denseFold);
    writeArray(out, "const char32_t kSparseFoldFrom[]", sparseFoldFrom);
    writeArray(out, "const char32_t kSparseFoldTo[]", sparseFoldTo);
    out << "const std::size_t kSparseFoldCount = " << sparseFoldFrom.size() << ";\n\n";
    out << "} // namespace fangji::textmatch::tables\n";

    // Written only when changed, so that an unchanged table compiles nothing again.
    const std::string text = out.str();
    {
        std::ifstream old(argv[4], std::ios::binary);
        std::stringstream existing;
        existing << old.rdbuf();
        if (old && existing.str() == text) {
            return 0;
        }
    }
    std::ofstream file(argv[4], std::ios::binary | std::ios::trunc);
    file << text;
    if (!file) {
        fail(std::string("cannot write ") + argv[4]);
    }
    std::fprintf(stderr, "make_textmatch_tables: %zu folded characters, %zu characters with readings, %zu syllables\n",
                 fold.size(), readings.size(), syllables.size());
    return 0;
}
