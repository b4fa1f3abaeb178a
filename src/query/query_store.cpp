#include "query_store.h"

#include "store/schema.h"

#include <QElapsedTimer>

#include <cmath>
#include <limits>

namespace fangji::query {

namespace {

// Grid column -> position in a row of 中医方剂: the fifth column shows 应用.
constexpr int kGridSource[GridRows::kColumns] = {store::ColName, store::ColComposition, store::ColEffects,
                                                 store::ColIndications, store::ColClinical};

store::Result<store::Statement> openRows(store::Database& db, const QString& nameOrSql) {
    // A stored query is opened by its name; anything with a blank is a statement.
    if (!nameOrSql.contains(u' ')) {
        return db.prepareNative(QStringLiteral("SELECT * FROM ") + store::quoteIdentifier(nameOrSql));
    }
    return db.prepare(nameOrSql);
}

// The layout table: every error is ignored by the callers, so this only finds the row.
store::Result<store::Table> seekLayoutRow(store::Database& db) {
    (void)db.deleteAllQueryDefs();
    auto table = db.openTable(store::table::kLayout);
    if (!table) {
        return table.error();
    }
    if (store::Status s = table->setIndex(store::kLayoutIndex); !s) {
        return s.error();
    }
    if (store::Status s = table->seek(kGridLayoutKey); !s) {
        return s.error();
    }
    return std::move(table).value();
}

} // namespace

store::Status storeScratchQuery(store::Database& db, const QString& sql) {
    return db.inOneTransaction([&]() -> store::Status {
        if (store::Status s = db.deleteAllQueryDefs(); !s) {
            return s;
        }
        return db.createQueryDef(kScratchQuery, sql);
    });
}

namespace {

// A stored query of this window lists whole rows of 中医方剂: reading only the five
// shown columns spares the engine the texts after 应用 (临床, often long).
store::Result<store::Statement> prepareGridRows(store::Database& db, const QString& nameOrSql,
                                                int (&source)[GridRows::kColumns]) {
    const bool isName = !nameOrSql.contains(u' ');
    auto stmt = isName ? db.prepareNative(QStringLiteral("SELECT 名称, 构成, 功效, 主治, 应用 FROM ") +
                                          store::quoteIdentifier(nameOrSql))
                       : db.prepare(nameOrSql);
    if (!stmt) {
        return stmt.error();
    }
    for (int c = 0; c < GridRows::kColumns; ++c) {
        source[c] = isName ? c : kGridSource[c];
    }
    if (stmt->columnCount() <= source[GridRows::kColumns - 1]) {
        return store::DbError{1, QStringLiteral("the statement does not list the prescription's columns")};
    }
    return stmt;
}

void appendGridRow(GridRows& rows, const store::Statement& row, const int (&source)[GridRows::kColumns]) {
    const char* cells[GridRows::kColumns];
    int sizes[GridRows::kColumns];
    for (int c = 0; c < GridRows::kColumns; ++c) {
        cells[c] = row.utf8(source[c], &sizes[c]);
    }
    rows.appendUtf8(cells, sizes);
}

// Appends the rows of stmt to into until the statement ends (true) or budgetMs have
// passed (false; at least one row is read). first: no row has been read yet, so the
// next one tells whether the first name is Null.
store::Result<bool> readGridSlice(store::Statement& stmt, const int (&source)[GridRows::kColumns], bool& first,
                                  GridRows& into, qint64 budgetMs) {
    QElapsedTimer clock;
    clock.start();
    // The clock is looked at every few rows only.
    constexpr int kRowsPerLook = 64;
    int sinceLook = 0;
    while (true) {
        auto row = stmt.step();
        if (!row) {
            return row.error();
        }
        if (!*row) {
            return true;
        }
        if (first) {
            into.setFirstNameNull(stmt.isNull(0));
            first = false;
        }
        appendGridRow(into, stmt, source);
        if (++sinceLook == kRowsPerLook) {
            sinceLook = 0;
            if (clock.elapsed() >= budgetMs) {
                return false;
            }
        }
    }
}

} // namespace

store::Result<GridRows> readGridRows(store::Database& db, const QString& nameOrSql) {
    int source[GridRows::kColumns];
    auto stmt = prepareGridRows(db, nameOrSql, source);
    if (!stmt) {
        return stmt.error();
    }
    GridRows rows;
    bool first = true;
    auto done = readGridSlice(*stmt, source, first, rows, std::numeric_limits<qint64>::max());
    if (!done) {
        return done.error();
    }
    return rows;
}

store::Result<GridReader> GridReader::open(store::Database db, const QString& nameOrSql) {
    GridReader reader;
    reader.m_db = std::move(db);
    auto stmt = prepareGridRows(reader.m_db, nameOrSql, reader.m_source);
    if (!stmt) {
        return stmt.error();
    }
    reader.m_stmt = std::move(stmt).value();
    return reader;
}

store::Result<bool> GridReader::read(GridRows& into, qint64 budgetMs) {
    if (m_done) {
        return true;
    }
    auto done = readGridSlice(m_stmt, m_source, m_first, into, budgetMs);
    if (!done) {
        return done.error();
    }
    if (*done) {
        m_done = true;
        // The statement ends its read at once; the connection stays for nothing.
        m_stmt = store::Statement();
    }
    return m_done;
}

store::Status GridReader::readAll(GridRows& into) {
    while (true) {
        auto done = read(into, std::numeric_limits<qint64>::max());
        if (!done) {
            return done.error();
        }
        if (*done) {
            return {};
        }
    }
}

store::Status stripSourceFullStop(store::Database& db) {
    return db.execute(kStripSourceByIndexStatement);
}

store::Status prepareFullListing(store::Database& db, const QString& sortText) {
    return db.inOneTransaction([&]() -> store::Status {
        if (store::Status s = db.deleteAllQueryDefs(); !s) {
            return s;
        }
        if (store::Status s = stripSourceFullStop(db); !s) {
            return s;
        }
        return db.createQueryDef(kScratchQuery, fullListingStatement(sortText));
    });
}

store::Result<GridRows> fullListing(store::Database& db, const QString& sortText) {
    if (store::Status s = prepareFullListing(db, sortText); !s) {
        return s.error();
    }
    return readGridRows(db, kScratchQuery);
}

store::Result<GridRows> runQuery(store::Database& db, const Criteria& criteria, const QString& sortText) {
    if (store::Status s = storeScratchQuery(db, buildQueryStatement(criteria, sortText)); !s) {
        return s.error();
    }
    return readGridRows(db, readingStatement(criteria, sortText));
}

store::Result<std::optional<DetailTexts>> lookupDetail(store::Database& db, const QString& name) {
    if (store::Status s = storeScratchQuery(db, detailStatement(name)); !s) {
        return s.error();
    }
    auto stmt = openRows(db, kScratchQuery);
    if (!stmt) {
        return stmt.error();
    }
    auto row = stmt->step();
    if (!row) {
        return row.error();
    }
    if (!*row || stmt->isNull(store::ColName)) {
        return std::optional<DetailTexts>();
    }
    DetailTexts texts;
    for (int c = 0; c < store::PrescriptionColumnCount && c < stmt->columnCount(); ++c) {
        texts[c] = stmt->text(c);
    }
    return std::optional<DetailTexts>(texts);
}

store::Result<QStringList> readList(store::Database& db, const QString& sql) {
    auto stmt = db.prepare(sql);
    if (!stmt) {
        return stmt.error();
    }
    QStringList list;
    const store::Status read = store::forEachRow(*stmt, [&](const store::Statement& row) {
        if (!row.isNull(0)) {
            list << row.text(0);
        }
    });
    if (!read) {
        return read.error();
    }
    return list;
}

store::Result<ListSources> readListSources(store::Database& db) {
    ListSources lists;
    const std::pair<const QString*, QStringList*> order[] = {
        {&kEffectsListStatement, &lists.effects},
        {&kIndicationsListStatement, &lists.indications},
        {&kSourcesListStatement, &lists.sources},
        {&kClinicalListStatement, &lists.clinical},
    };
    for (const auto& [sql, target] : order) {
        auto list = readList(db, *sql);
        if (!list) {
            return list.error();
        }
        *target = std::move(list).value();
    }
    return lists;
}

ColumnWidths readColumnWidths(store::Database& db, const ColumnWidths& current) {
    auto table = seekLayoutRow(db);
    if (!table || table->noMatch()) {
        return kDefaultColumnWidths;
    }
    ColumnWidths widths = current;
    for (int i = 1; i <= static_cast<int>(widths.size()); ++i) {
        const QVariant value = table->field(i);
        bool ok = false;
        const double number = value.isValid() ? value.toDouble(&ok) : 0.0;
        // A whole number, rounding halves to even; a value that is no number changes nothing.
        if (ok && std::isfinite(number) && std::fabs(number) < 2147483647.0) {
            widths[i - 1] = static_cast<int>(std::nearbyint(number));
        }
    }
    return widths;
}

store::Status writeColumnWidths(store::Database& db, const ColumnWidths& widths) {
    auto table = seekLayoutRow(db);
    if (!table) {
        return table.error();
    }
    const int fields = table->fieldCount();
    if (table->noMatch()) {
        table->addNew();
        table->setField(0, kGridLayoutKey);
        // Value 6 stays unset: the grid has no sixth column.
        for (int i = 7; i < fields; ++i) {
            table->setField(i, 0);
        }
    } else {
        if (store::Status s = table->edit(); !s) {
            return s;
        }
        // Values 6 and 7 keep what they hold.
        for (int i = 8; i < fields; ++i) {
            table->setField(i, 0);
        }
    }
    for (int i = 1; i <= static_cast<int>(widths.size()) && i < fields; ++i) {
        table->setField(i, widths[i - 1]);
    }
    return table->update();
}

} // namespace fangji::query
