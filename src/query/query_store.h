#pragma once

#include "grid_rows.h"
#include "query_statement.h"

#include "store/database.h"

#include <QStringList>

#include <array>
#include <optional>

// Store operations of the query window. Each takes an open connection and
// returns values; the window opens the file and reports errors.
namespace fangji::query {

// The scratch name every listing and lookup of the window stores its statement under.
inline const QString kScratchQuery = QStringLiteral("000");

// Deletes every stored query, then stores sql under "000".
store::Status storeScratchQuery(store::Database& db, const QString& sql);

// Reads the rows of a stored query (by name) or a statement into the grid's
// five texts: positions 0 to 3 and 6 (应用) of each row, blanks trimmed, a
// null as an empty text. Reading stops at the first error, which is returned.
store::Result<GridRows> readGridRows(store::Database& db, const QString& nameOrSql = kScratchQuery);

// Reads the grid's texts of a stored query (or a statement) a slice at a time, over a
// connection of its own, so that a window can show the first rows and answer between
// slices while the rest arrives.
class GridReader {
public:
    static store::Result<GridReader> open(store::Database db, const QString& nameOrSql = kScratchQuery);

    // Appends rows to into until the end or until budgetMs have passed (at least one row
    // is read). True once every row has been read.
    store::Result<bool> read(GridRows& into, qint64 budgetMs);
    // Reads every remaining row.
    store::Status readAll(GridRows& into);
    store::Database& database() { return m_db; }

private:
    GridReader() = default;

    store::Database m_db;
    store::Statement m_stmt; // declared after m_db: finalized first
    int m_source[GridRows::kColumns] = {};
    bool m_first = true;
    bool m_done = false;
};

// Removes one final "。" from every stored source.
store::Status stripSourceFullStop(store::Database& db);

// The full listing: deletes every stored query, strips one final "。" from the
// sources, stores the listing statement for sortText as "000" and reads it.
store::Result<GridRows> fullListing(store::Database& db, const QString& sortText);
// The same steps up to the reading: the listing is then read from "000".
store::Status prepareFullListing(store::Database& db, const QString& sortText);

// The query: stores the statement built from the criteria as "000" and reads
// its rows. The result's hasContent() is false when nothing matched.
store::Result<GridRows> runQuery(store::Database& db, const Criteria& criteria, const QString& sortText);

// The eight texts of one prescription, positions 0 to 7, a null as an empty text.
using DetailTexts = std::array<QString, 8>;

// Stores the detail lookup for name as "000" and reads its first row; nothing
// when no row has that name.
store::Result<std::optional<DetailTexts>> lookupDetail(store::Database& db, const QString& name);

// The four list sources of the combo boxes.
struct ListSources {
    QStringList effects;     // 方剂功效
    QStringList indications; // 方剂主治
    QStringList sources;     // distinct 来源
    QStringList clinical;    // 临床主治
};

// Reads the first column of every row of a statement; nulls are left out.
store::Result<QStringList> readList(store::Database& db, const QString& sql);
// Reads the four list sources in their order: effects, indications, sources, clinical terms.
store::Result<ListSources> readListSources(store::Database& db);

// Grid column widths, in twips.
using ColumnWidths = std::array<int, 5>;
inline constexpr ColumnWidths kDefaultColumnWidths = {1400, 4500, 2000, 3000, 3000};
// The key of the query grid's row in 系统附表.
inline constexpr int kGridLayoutKey = 104;

// Reads the widths from 系统附表 row 104. Without that row (or when the file
// cannot be read) the defaults; a stored value that is no number leaves the
// width in current.
ColumnWidths readColumnWidths(store::Database& db, const ColumnWidths& current = kDefaultColumnWidths);
// Writes the widths into row 104, adding the row when it is missing.
store::Status writeColumnWidths(store::Database& db, const ColumnWidths& widths);

} // namespace fangji::query
