#include "database.h"

#include "cipher_key.h"
#include "jet_sql.h"
#include "name_order.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <vector>

namespace fangji::store {

Result<Database> Database::openFile(const QString& path, const QString& connect, bool create, int pageSize) {
    if (!create) {
        QFileInfo info(path);
        if (!info.exists() || info.isDir()) {
            return DbError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file")};
        }
    }
    // Files are written with 4 KiB pages (a quarter of the pages to decrypt on every
    // full read); a file with the engine's former 1 KiB pages still opens.
    const std::vector<int> pageSizes =
        create ? std::vector<int>{pageSize > 0 ? pageSize : kPageSize} : pageSizesToTry(path);
    DbError failure;
    for (const int size : pageSizes) {
        sqlite3* db = nullptr;
        const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_FULLMUTEX;
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            DbError e = errorOf(db);
            sqlite3_close(db);
            return e;
        }
        rc = applyKey(db, path, connect, create, size);
        if (rc == SQLITE_OK) {
            rc = jet::registerFunctions(db);
        }
        if (rc == SQLITE_OK) {
            // The probe: a wrong key fails here with "file is encrypted or is not a database".
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, 5000);
            sqlite3_exec(db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
            Database opened(db);
            // Indexes built with an earlier build's order of names are rebuilt (one pragma
            // read when the file is current); a file that cannot be brought up to date now,
            // read-only or busy, opens as it is and is checked again at the next open.
            (void)checkNameOrder(opened, create);
            return opened;
        }
        failure = errorOf(db);
        sqlite3_close(db);
        if (rc != SQLITE_NOTADB) {
            break;
        }
    }
    return failure;
}

Database::Database(Database&& other) noexcept : m_db(other.m_db) {
    other.m_db = nullptr;
}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        m_db = other.m_db;
        other.m_db = nullptr;
    }
    return *this;
}

Database::~Database() {
    close();
}

void Database::close() {
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

Result<Database> Database::open(const QString& path, const QString& connect) {
    return openFile(path, connect, false, 0);
}

Result<Database> Database::create(const QString& path, const QString& connect, int pageSize) {
    return openFile(path, connect, true, pageSize);
}

int Database::pageSize() {
    auto size = firstValue(QStringLiteral("PRAGMA page_size"));
    return size ? size->toInt() : 0;
}

Result<QVariant> Database::firstValue(const QString& sql) {
    auto stmt = prepareNative(sql);
    if (!stmt) {
        return stmt.error();
    }
    auto row = stmt->step();
    if (!row) {
        return row.error();
    }
    return *row ? stmt->value(0) : QVariant();
}

DbError Database::lastError() const {
    return errorOf(m_db);
}

int Database::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

Result<Statement> Database::prepareNative(const QString& sql) {
    return prepareOn(m_db, sql);
}

Result<Statement> Database::prepare(const QString& jetSql) {
    return prepareNative(jet::translate(jetSql));
}

namespace {
Status runToEnd(Result<Statement> stmt) {
    if (!stmt) {
        return stmt.error();
    }
    return forEachRow(*stmt, [](const Statement&) {});
}
} // namespace

Status Database::execute(const QString& jetSql) {
    return runToEnd(prepareNative(jet::translate(jetSql, jet::Mode::Execute)));
}

Status Database::executeNative(const QString& sql) {
    if (m_db == nullptr) {
        return errorOf(nullptr);
    }
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
}

Status Database::begin() {
    return executeNative(QStringLiteral("BEGIN"));
}
Status Database::commit() {
    return executeNative(QStringLiteral("COMMIT"));
}
Status Database::rollback() {
    return executeNative(QStringLiteral("ROLLBACK"));
}

Status Database::inOneTransaction(const std::function<Status()>& work) {
    if (sqlite3_get_autocommit(m_db) == 0) {
        return work();
    }
    if (Status s = begin(); !s) {
        return s;
    }
    Status s = work();
    if (s) {
        s = commit();
    }
    if (!s && sqlite3_get_autocommit(m_db) == 0) {
        (void)rollback();
    }
    return s;
}

Result<QStringList> Database::queryDefNames() {
    auto stmt = prepareNative(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name"));
    if (!stmt) {
        return stmt.error();
    }
    QStringList names;
    if (Status s = forEachRow(*stmt, [&](const Statement& row) { names << row.text(0); }); !s) {
        return s.error();
    }
    return names;
}

Status Database::deleteQueryDef(const QString& name) {
    return runToEnd(prepareNative(QStringLiteral("DROP VIEW ") + quoteIdentifier(name)));
}

Status Database::deleteAllQueryDefs() {
    // Whole passes until the file holds no stored query.
    for (int pass = 0; pass < 100; ++pass) {
        auto names = queryDefNames();
        if (!names) {
            return names.error();
        }
        if (names->isEmpty()) {
            return {};
        }
        for (const QString& name : *names) {
            if (Status s = deleteQueryDef(name); !s) {
                return s;
            }
        }
    }
    return DbError{SQLITE_ERROR, QStringLiteral("stored queries could not be deleted")};
}

Status Database::createQueryDef(const QString& name, const QString& jetSql) {
    return runToEnd(prepareNative(QStringLiteral("CREATE VIEW ") + quoteIdentifier(name) + QStringLiteral(" AS ") +
                                  jet::translate(jetSql)));
}

Result<RecordSet> Database::openRecordSet(const QString& nameOrSql) {
    const bool isName = !nameOrSql.contains(u' ');
    auto stmt =
        isName ? prepareNative(QStringLiteral("SELECT * FROM ") + quoteIdentifier(nameOrSql)) : prepare(nameOrSql);
    if (!stmt) {
        return stmt.error();
    }
    RecordSet rs;
    const int columns = stmt->columnCount();
    for (int c = 0; c < columns; ++c) {
        rs.m_names << stmt->columnName(c);
    }
    const Status read = forEachRow(*stmt, [&](const Statement& row) {
        for (int c = 0; c < columns; ++c) {
            rs.m_cells.push_back(row.value(c));
        }
        ++rs.m_rows;
    });
    if (!read) {
        return read.error();
    }
    return rs;
}

Result<bool> Database::hasTable(const QString& table) {
    auto stmt = prepareNative(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    if (!stmt) {
        return stmt.error();
    }
    if (Status s = stmt->bind(1, table); !s) {
        return s.error();
    }
    auto row = stmt->step();
    if (!row) {
        return row.error();
    }
    return stmt->value(0).toInt() > 0;
}

Result<Table> Database::openTable(const QString& table) {
    auto stmt = prepareNative(QStringLiteral("PRAGMA table_info(") + quoteIdentifier(table) + u')');
    if (!stmt) {
        return stmt.error();
    }
    Table t;
    t.m_connection = m_db;
    t.m_table = table;
    if (Status s = forEachRow(*stmt, [&](const Statement& row) { t.m_columns << row.text(1); }); !s) {
        return s.error();
    }
    if (t.m_columns.isEmpty()) {
        return DbError{SQLITE_ERROR, QStringLiteral("no such table: ") + table};
    }
    return t;
}

} // namespace fangji::store
