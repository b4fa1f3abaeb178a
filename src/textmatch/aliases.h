#pragma once

#include <QString>

#include <string>
#include <string_view>

// The herb alias table (herb_aliases.txt, compiled in): names of one herb compare alike in herb
// criteria (黄耆 and 黄芪, 栝楼 and 瓜蒌, 芎䓖 and 川芎). Only the table's names, nothing fuzzy.
namespace fangji::textmatch {

// The folded UTF-8 text with every name of the table replaced by its group's first name, taking
// at each place the longest name that stands there; everything else is copied as it is.
void canonicalHerbs(std::string_view folded, std::string& out);

// Whether the folded UTF-8 text holds a name of the table (a first name or an alias).
bool mentionsAliasedHerb(std::string_view folded);

// Both, for texts of the program (folded first).
QString canonicalHerbs(const QString& text);
bool mentionsAliasedHerb(const QString& text);

} // namespace fangji::textmatch
