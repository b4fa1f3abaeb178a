#pragma once

#include "progress.h"
#include "term_set.h"
#include "term_splitter.h"

#include "store/database.h"
#include "store/result.h"

#include <QString>

#include <array>
#include <cstddef>
#include <string_view>

// Filling the three term dictionaries from the prescriptions.
namespace fangji::dictionary {

// One phase of generation: where its texts come from and where its terms go.
struct Phase {
    Dictionary dictionary;
    QString queryName; // the stored query the texts are read through
    QString querySql;  // its statement (with the trailing blank it has always had)
    QString table;     // the dictionary table; its one column has the same name
    QString caption;   // shown in the progress window while the phase runs
    int base;          // progress at the start of the phase
};

// The three phases, in the order they run.
const std::array<Phase, 3>& phases();
const Phase& phaseOf(Dictionary dictionary);

// Inserts the terms of texts into one dictionary table over an open connection,
// through one prepared statement. A term already inserted through this writer is
// not sent again; the table itself refuses a repeated term silently.
class TermWriter {
public:
    static store::Result<TermWriter> open(store::Database& db, Dictionary dictionary);

    TermWriter(TermWriter&&) noexcept = default;
    TermWriter& operator=(TermWriter&&) noexcept = default;

    // Splits text (already trimmed of blanks) and inserts its terms.
    store::Status addTerms(QStringView text);
    // The same for a text in UTF-8, split in place; a text that is not valid UTF-8
    // is read as a QString (as the engine's text would be) and split that way.
    store::Status addTermsUtf8(std::string_view text);
    // Inserts one term as it is (quotes and all).
    store::Status addTerm(const QString& term);
    store::Status addTermUtf8(std::string_view term);

    // Number of distinct terms sent to the table.
    int sent() const { return static_cast<int>(m_sent); }

private:
    TermWriter(store::Statement insert, Dictionary dictionary) : m_insert(std::move(insert)), m_terms(dictionary) {}

    // Sends the terms gathered since the last call.
    store::Status sendNew();

    store::Statement m_insert;
    TermCollector m_terms; // every term met; the first m_sent of them are in the table
    std::size_t m_sent = 0;
};

// The splitters as store operations: each inserts the terms of one text into its
// dictionary table over db. An empty text does nothing.
store::Status AddEffectTerms(store::Database& db, const QString& text);
store::Status AddIndicationTerms(store::Database& db, const QString& text);
store::Status AddClinicalTerms(store::Database& db, const QString& text);

// What generation tells the progress window. Every call comes from the running
// generation on the user-interface thread.
class GenerationObserver {
public:
    virtual ~GenerationObserver() = default;
    // Before the first phase reads its rows: show the window with empty labels and the bar at 0.
    virtual void showProgressWindow() {}
    // A phase with rows begins.
    virtual void setCaption(const QString& caption) { Q_UNUSED(caption); }
    // The shown percentage changes.
    virtual void setProgress(const ProgressStep& step) { Q_UNUSED(step); }
    // Let pending window messages run.
    virtual void processEvents() {}
};

// Empties the three dictionary tables, deletes every stored query, stores the
// queries "000", "001" and "002" and refills the tables from the prescriptions,
// all in one transaction over db. On an error the transaction is rolled back and
// the error returned.
store::Status generateDictionaries(store::Database& db, GenerationObserver* observer = nullptr);

// The same over the database file at path, opened with the system's key.
store::Status generateDictionaries(const QString& path, GenerationObserver* observer = nullptr);

} // namespace fangji::dictionary
