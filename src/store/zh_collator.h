#pragma once

#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <unicode/uversion.h>

#include <cstring>
#include <memory>

// ICU's collator for the Chinese order of names, as QCollator(QLocale(QLocale::Chinese,
// QLocale::China)) sets it up, and the characters whose place in that order depends on
// their neighbours. ICU and the standard library only: the build's table generator
// (tools/make_zh_order_table) compiles this file too.
namespace fangji::store::zh {

struct CollatorClose {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorClose>;

struct SetClose {
    void operator()(USet* set) const { uset_close(set); }
};
using CharSet = std::unique_ptr<USet, SetClose>;

// The collator with QCollator's settings (normalisation on, the default tertiary
// strength, no numeric order, punctuation not ignored); null when ICU cannot open it.
Collator openChineseCollator();

// The characters whose collation elements may depend on their neighbours: those in a
// contraction or a prefix (context) mapping of the collator, those that expand to
// several elements, and those ICU calls unsafe to start a backward walk at. Null on
// failure. Takes ICU some tens of milliseconds: the build keeps the answer for the
// basic plane (below).
CharSet contextualCharacters(const UCollator* collator);

// What the build's ICU gave: its version and the collator's, and the characters U+0000
// to U+FFFF of contextualCharacters as bits (bit c % 8 of byte c / 8).
inline constexpr int kBuiltTableBytes = 0x10000 / 8;
extern const unsigned char kBuiltIcuVersion[U_MAX_VERSION_LENGTH];
extern const unsigned char kBuiltCollatorVersion[U_MAX_VERSION_LENGTH];
extern const unsigned char kBuiltContextual[kBuiltTableBytes];

// Whether the built table holds for this collator: the same ICU and collator versions.
inline bool builtTableHolds(const UCollator* collator) {
    UVersionInfo icu;
    UVersionInfo order;
    u_getVersion(icu);
    ucol_getVersion(collator, order);
    return std::memcmp(icu, kBuiltIcuVersion, sizeof icu) == 0 &&
           std::memcmp(order, kBuiltCollatorVersion, sizeof order) == 0;
}

} // namespace fangji::store::zh
