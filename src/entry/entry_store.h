#pragma once

#include "entry_text.h"

#include "store/database.h"
#include "store/result.h"
#include "store/schema.h"

#include <QStringList>

#include <array>
#include <optional>

// Store operations of the entry window. Each takes an open connection to the
// database file and returns values; the window opens and closes the file.
namespace fangji::entry {

// The statement that lists every prescription, in the order the file holds them.
inline const QString kAllPrescriptions = QStringLiteral("SELECT * FROM 中医方剂");

// What the name list shows: the names of a record source's rows, and how many.
struct NameList {
    QStringList names;
    int count() const { return static_cast<int>(names.size()); }
};

// Runs a record source (a SELECT of whole 中医方剂 rows) and keeps the name of each row.
store::Result<NameList> readNames(store::Database& db, const QString& recordSource);

// The row whose name equals name exactly, through the index fjmci; nullopt when none.
store::Result<std::optional<EntryRecord>> seekByName(store::Database& db, const QString& name);

// The lookup on Enter in the name box: clears the stored queries, stores the
// exact-name statement as "000" and reads its first row; nullopt when none.
store::Result<std::optional<EntryRecord>> lookupByName(store::Database& db, const QString& name);

// Adds the row unless a row with its name (position 0) exists. true: added.
// The record is written as given; the caller normalises it.
store::Result<bool> addIfNew(store::Database& db, const EntryRecord& record);

// A row's texts as the engine stores them, UTF-8; nothing for a null text (bound as NULL).
using StoredTexts = std::array<std::optional<QByteArray>, store::PrescriptionColumnCount>;
using StoredTextViews = std::array<std::optional<QByteArrayView>, store::PrescriptionColumnCount>;
StoredTexts storedTexts(const EntryRecord& record);

// Adds rows one after another on one connection, each as addIfNew does (the row is
// written unless a row with its name exists), with its statements prepared once and
// texts already in UTF-8 handed to the engine as they are. Where the index fjmci refuses
// equal names itself, the insert is the seek; otherwise (a file that holds equal names
// from an earlier build) each row is sought on fjmci first.
class PrescriptionAdder {
public:
    static store::Result<PrescriptionAdder> prepare(store::Database& db);
    // true: added; false: a row with this name (position 0) exists, nothing written.
    store::Result<bool> addIfNew(const EntryRecord& record);
    store::Result<bool> addIfNew(const StoredTextViews& record);

private:
    bool m_seeks = false; // false: the insert refuses an equal name itself
    store::Statement m_seek;
    store::Statement m_insert;
};

// Rewrites positions 1 to 7 of the row named record[0], leaving the name as
// stored. true: the row existed and was written.
store::Result<bool> updateExisting(store::Database& db, const EntryRecord& record);

// Deletes the row with this name. true: a row was deleted.
store::Result<bool> deleteByName(store::Database& db, const QString& name);

// The stored form of the boxes: the trimmed name, and every other text through
// NormalizeEntryText.
EntryRecord storedForm(const EntryRecord& boxes);

} // namespace fangji::entry
