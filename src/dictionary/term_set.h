#pragma once

#include "term_splitter.h"

#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The distinct terms of a dictionary, gathered before they are inserted.
namespace fangji::dictionary {

// A set of byte strings that keeps them in the order they were first added. Generation
// asks it once for every term of every text (about ten a prescription) and adds only a few
// thousand, so it is made for asking: one hash of the bytes and, in a flat table with
// open addressing, usually one comparison.
class TermSet {
public:
    // Adds term unless the set holds it already; true when it was added.
    bool insert(std::string_view term);
    bool contains(std::string_view term) const;

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    // The index-th term added; the view is valid until the next insert.
    std::string_view at(std::size_t index) const {
        const std::size_t from = index == 0 ? 0 : m_ends[index - 1];
        return std::string_view(m_bytes).substr(from, m_ends[index] - from);
    }

private:
    // A slot of the table holds what a search compares first, so that a term that is not
    // there costs one read of the table and a term that is there one more of its bytes.
    // The table's index comes from the hash's low bits and the tag from its high ones.
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t length = 0;
        std::size_t offset = kUnused; // where the term's bytes start in m_bytes
    };
    static constexpr std::size_t kUnused = ~std::size_t(0);

    static Slot slotFor(std::string_view term, std::uint64_t hash, std::size_t offset);
    // The slot that holds term, or the unused slot where it would go.
    std::size_t slotOf(std::string_view term, std::uint64_t hash) const;
    void grow();

    std::vector<Slot> m_slots;       // a power of two long, at most half used
    std::vector<std::size_t> m_ends; // where each term ends in m_bytes, in the order added
    std::string m_bytes;             // the terms, one after another
};

// The distinct terms of the texts of one dictionary, in the order they first occur.
class TermCollector {
public:
    explicit TermCollector(Dictionary dictionary) : m_dictionary(dictionary) {}

    // Splits a text (trimmed of blanks) and adds the terms not seen before.
    void addText(QStringView text);
    // The same for a text in the engine's UTF-8, split in place. Bytes that are not valid
    // UTF-8 read as replacement characters: such a text is split as the QString the store
    // reads it as (see store::storedText).
    void addTextUtf8(std::string_view text);
    // Adds one term as it is; an empty one is no term.
    void addTerm(std::string_view term) {
        if (!term.empty()) {
            m_terms.insert(term);
        }
    }

    Dictionary dictionary() const { return m_dictionary; }
    const TermSet& terms() const { return m_terms; }

private:
    Dictionary m_dictionary;
    TermSet m_terms;
    std::string m_term; // the term under construction, reused from text to text
};

} // namespace fangji::dictionary
