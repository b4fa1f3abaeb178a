#pragma once

#include "store/result.h"

#include <QString>

#include <functional>

namespace fangji::admin {

// The statement that reads a source file's prescriptions, in the order they are stored.
inline const QString kImportSelect = QStringLiteral("select fjmc,fjgc,fjgy,fjzz,fjyf,fjly,fjxd FROM zyfj");

// Error numbers of an import that fails on the source's content rather than in the engine.
inline constexpr int kImportNoRecord = 3021; // zyfj holds no row, or its first name is Null
inline constexpr int kImportNullValue = 94;  // a row holds a Null value

// Rows the import reads from the source in one go, ahead of the inserts.
inline constexpr int kImportBatchRows = 256;

// What an import did.
struct ImportCounts {
    int added = 0;   // prescriptions added to 中医方剂
    int present = 0; // rows refused because their name is already there
};

// Appends the prescriptions of table zyfj of the file at `sourcePath` (opened with the
// import key, read only) to 中医方剂 of the database at `databasePath`: fjmc, fjgc,
// fjgy, fjzz, fjyf and fjly into 名称 … 来源, a single blank into 应用, fjxd into 临床.
// Values arrive exactly as stored (quotes and line breaks intact); a name already
// present is refused by the table's unique index and counted as present. Everything
// runs on one connection in one transaction, while a thread of the import's own reads
// the source a few batches ahead; `letEventsRun` is called every few hundred rows. A
// row with a Null value ends the import with an error; the rows before it stay imported.
store::Result<ImportCounts> importPrescriptions(const QString& databasePath, const QString& sourcePath,
                                                const std::function<void()>& letEventsRun = {});

} // namespace fangji::admin
