#pragma once

#include "record_set.h"
#include "result.h"
#include "statement.h"
#include "table.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

struct sqlite3;

namespace fangji::store {

// One connection to a database file, opened with its key.
class Database {
public:
    Database() = default;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // Opens an existing file with the key in the connect string (";pwd=...").
    static Result<Database> open(const QString& path, const QString& connect);
    // Creates a new, empty file keyed with the connect string's password, with pages of
    // pageSize bytes (0: the size the store writes).
    static Result<Database> create(const QString& path, const QString& connect, int pageSize = 0);

    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }
    // The size of the file's pages in bytes.
    int pageSize();
    // The first column of the first row of SQLite's own SQL (a pragma, a count); an
    // invalid QVariant when there is no row.
    Result<QVariant> firstValue(const QString& sql);

    // Jet statements: translated, then prepared or run.
    Result<Statement> prepare(const QString& jetSql);
    // Runs one statement without fail-on-error: rows the table refuses are dropped silently.
    Status execute(const QString& jetSql);
    // SQLite's own SQL, untranslated; may hold several statements (never user text).
    Status executeNative(const QString& sql);
    Result<Statement> prepareNative(const QString& sql);
    // Number of rows changed by the last statement.
    int changes() const;

    Status begin();
    Status commit();
    Status rollback();
    // Runs work as one transaction: one commit (one sync of the journal and the file) for all
    // it writes, and nothing of it kept when it fails. Inside a transaction already begun,
    // work simply runs in it.
    Status inOneTransaction(const std::function<Status()>& work);

    // Stored queries (views).
    Result<QStringList> queryDefNames();
    // Deletes every stored query, in whole passes until none is left.
    Status deleteAllQueryDefs();
    Status deleteQueryDef(const QString& name);
    Status createQueryDef(const QString& name, const QString& jetSql);

    // Opens a stored query by name, or a Jet statement, as a dynaset.
    Result<RecordSet> openRecordSet(const QString& nameOrSql);
    Result<Table> openTable(const QString& table);

    // Whether the named table exists.
    Result<bool> hasTable(const QString& table);

    DbError lastError() const;

private:
    explicit Database(sqlite3* db) : m_db(db) {}
    static Result<Database> openFile(const QString& path, const QString& connect, bool create, int pageSize);
    sqlite3* m_db = nullptr;
};

// The password of a connect string such as ";pwd=secret".
QString connectPassword(const QString& connect);

} // namespace fangji::store
