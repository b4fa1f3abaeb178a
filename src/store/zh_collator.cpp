#include "zh_collator.h"

#include <vector>

namespace fangji::store::zh {

Collator openChineseCollator() {
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open("zh_CN", &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return U_FAILURE(status) ? nullptr : std::move(collator);
}

CharSet contextualCharacters(const UCollator* collator) {
    UErrorCode status = U_ZERO_ERROR;
    CharSet found(uset_openEmpty());
    CharSet mappings(uset_openEmpty());
    ucol_getContractionsAndExpansions(collator, mappings.get(), mappings.get(), true, &status);
    ucol_getUnsafeSet(collator, found.get(), &status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    // The strings of contractions and prefixes: every character in one is contextual.
    const int32_t items = uset_getItemCount(mappings.get());
    std::vector<UChar> text(64);
    for (int32_t i = 0; i < items; ++i) {
        UChar32 start = 0;
        UChar32 end = 0;
        UErrorCode itemStatus = U_ZERO_ERROR;
        int32_t length =
            uset_getItem(mappings.get(), i, &start, &end, text.data(), static_cast<int32_t>(text.size()), &itemStatus);
        if (itemStatus == U_BUFFER_OVERFLOW_ERROR) {
            text.resize(static_cast<size_t>(length) + 1);
            itemStatus = U_ZERO_ERROR;
            length = uset_getItem(mappings.get(), i, &start, &end, text.data(), static_cast<int32_t>(text.size()),
                                  &itemStatus);
        }
        if (U_FAILURE(itemStatus)) {
            return nullptr;
        }
        if (length == 0) {
            uset_addRange(found.get(), start, end);
            continue;
        }
        for (int32_t k = 0; k < length; ++k) {
            uset_add(found.get(), text[static_cast<size_t>(k)]); // surrogate halves stand for themselves
        }
    }
    return found;
}

} // namespace fangji::store::zh
