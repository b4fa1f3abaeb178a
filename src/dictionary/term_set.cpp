#include "term_set.h"

#include "store/statement.h"

#include <QString>

#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace fangji::dictionary {

namespace {

constexpr std::size_t kFirstSlots = 256;

std::uint64_t hashOf(std::string_view term) {
    return XXH3_64bits(term.data(), term.size());
}

std::uint64_t load64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t load32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Whether the n bytes at a and b are the same. Most terms are a few characters, 6 to 16
// bytes: two overlapping word compares instead of a call.
bool sameBytes(const char* a, const char* b, std::size_t n) {
    if (n > 16) {
        return std::memcmp(a, b, n) == 0;
    }
    if (n >= 8) {
        return load64(a) == load64(b) && load64(a + n - 8) == load64(b + n - 8);
    }
    if (n >= 4) {
        return load32(a) == load32(b) && load32(a + n - 4) == load32(b + n - 4);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

std::uint32_t tagOf(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}

} // namespace

TermSet::Slot TermSet::slotFor(std::string_view term, std::uint64_t hash, std::size_t offset) {
    // A term of 4 GiB or more (longer than any text the engine holds) would never be found
    // again and so be sent to the table again, which refuses it.
    return {tagOf(hash), static_cast<std::uint32_t>(term.size()), offset};
}

std::size_t TermSet::slotOf(std::string_view term, std::uint64_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
        const Slot& held = m_slots[slot];
        if (held.offset == kUnused || (held.tag == tagOf(hash) && held.length == term.size() &&
                                       sameBytes(m_bytes.data() + held.offset, term.data(), term.size()))) {
            return slot;
        }
    }
}

bool TermSet::contains(std::string_view term) const {
    return !m_slots.empty() && m_slots[slotOf(term, hashOf(term))].offset != kUnused;
}

bool TermSet::insert(std::string_view term) {
    if (m_slots.empty()) {
        m_slots.resize(kFirstSlots);
    }
    const std::uint64_t hash = hashOf(term);
    std::size_t slot = slotOf(term, hash);
    if (m_slots[slot].offset != kUnused) {
        return false;
    }
    if (2 * (size() + 1) > m_slots.size()) {
        grow();
        slot = slotOf(term, hash);
    }
    m_slots[slot] = slotFor(term, hash, m_bytes.size());
    m_bytes.append(term);
    m_ends.push_back(m_bytes.size());
    return true;
}

void TermSet::grow() {
    std::vector<Slot> table(2 * m_slots.size());
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = 0; i < size(); ++i) {
        const std::string_view term = at(i);
        const std::uint64_t hash = hashOf(term);
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (table[slot].offset != kUnused) {
            slot = (slot + 1) & mask;
        }
        table[slot] = slotFor(term, hash, static_cast<std::size_t>(term.data() - m_bytes.data()));
    }
    m_slots = std::move(table);
}

void TermCollector::addText(QStringView text) {
    forEachTerm(m_dictionary, text, [this](const QString& term) {
        const QByteArray utf8 = term.toUtf8();
        addTerm(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    });
}

void TermCollector::addTextUtf8(std::string_view text) {
    const bool valid = forEachTermUtf8(m_dictionary, text, m_term, [this](std::string_view term) { addTerm(term); });
    if (!valid) {
        // The terms before the first invalid byte are the same either way and are already in.
        addText(store::storedText(text.data(), static_cast<int>(text.size())));
    }
}

} // namespace fangji::dictionary
