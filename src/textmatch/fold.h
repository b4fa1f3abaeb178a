#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Traditional and simplified characters compare alike: both sides are folded to the simplified
// form, one character for one character (OpenCC's character table, compiled in at build time).
namespace fangji::textmatch {

// The simplified form of c; c itself when it has none (also for every non-Han character).
char32_t foldChar(char32_t c);

// The characters other than c that fold to c ("湯" for "汤").
const std::vector<char32_t>& variantsOf(char32_t c);

// Whether some character of the UTF-8 text folds to another.
bool containsFoldable(std::string_view utf8);

// The UTF-8 text with every character folded, into out (replaced); bytes that are not
// characters are copied as they are.
void foldUtf8(std::string_view utf8, std::string& out);

// The text with every character folded.
QString fold(const QString& text);

} // namespace fangji::textmatch
