#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace fangji::store {

class Database;

// One prepared statement; finalized when it goes out of scope.
class Statement {
public:
    Statement() = default;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Binds a value to the 1-based parameter; a null QVariant binds NULL.
    Status bind(int index, const QVariant& value);
    // Binds UTF-8 text as it is, without a round trip through QString.
    Status bindUtf8(int index, const char* bytes, int size);
    // Advances to the next row: true when a row is there, false at the end.
    Result<bool> step();
    Status reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;   // "" for NULL
    QVariant value(int column) const; // invalid QVariant for NULL
    QByteArray blob(int column) const;
    // Raw UTF-8 of a text column, valid until the next step.
    const char* utf8(int column, int* bytes) const;

private:
    friend class Database;
    Statement(sqlite3_stmt* stmt, sqlite3* db) : m_stmt(stmt), m_db(db) {}
    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
};

// A result read as a whole, as a dynaset: exact record count, free movement,
// fields by ordinal. Null fields read as invalid QVariants.
class RecordSet {
public:
    RecordSet() = default;

    int recordCount() const { return m_rows; }
    int fieldCount() const { return static_cast<int>(m_names.size()); }
    QStringList fieldNames() const { return m_names; }

    bool eof() const { return m_pos >= m_rows; }
    bool bof() const { return m_pos < 0; }
    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = m_rows > 0 ? m_rows - 1 : 0; }
    void moveNext() { ++m_pos; }
    void movePrevious() { --m_pos; }
    int position() const { return m_pos; }

    QVariant field(int column) const;
    bool isNull(int column) const { return !field(column).isValid(); }
    QString text(int column) const { return field(column).toString(); }

    // The empty-table test: no rows, or the first row's first column is null.
    bool isEmptyTable() const;

private:
    friend class Database;
    QStringList m_names;
    std::vector<QVariant> m_cells;
    int m_rows = 0;
    int m_pos = 0;
};

// A table opened for row-level work: index selection, exact seek, add, edit,
// update and delete of the current row.
class Table {
public:
    Table() = default;

    // Selects the index whose first column the seek compares.
    Status setIndex(const QString& indexName);
    // Seeks the row whose indexed column equals key; noMatch() tells the outcome.
    Status seek(const QVariant& key);
    bool noMatch() const { return m_noMatch; }

    // Goes to the table's first row; false when the table is empty.
    Result<bool> moveFirst();
    Result<int> recordCount();
    bool hasCurrent() const { return m_rowid != 0; }

    int fieldCount() const { return static_cast<int>(m_columns.size()); }
    QStringList columnNames() const { return m_columns; }
    QVariant field(int column) const;

    void addNew();
    Status edit();
    void setField(int column, const QVariant& value);
    // Appends bytes to a binary field of the row being added or edited.
    void appendChunk(int column, const QByteArray& chunk);
    Status update();
    Status deleteCurrent();

private:
    friend class Database;
    enum class Mode { None, Add, Edit };
    Result<bool> loadRow(Statement& stmt);

    Database* m_db = nullptr;
    QString m_table;
    QStringList m_columns;
    QString m_indexColumn;
    std::vector<QVariant> m_current;
    std::vector<QVariant> m_buffer;
    std::vector<bool> m_dirty;
    // The seek and the writes, prepared once per table and kept for the next row (a
    // table used for many rows prepares each statement once). The key tells the
    // statement: the seek, or an insert or update of one set of columns; sql makes its
    // text when it is not prepared yet.
    Statement& statement(quint64 key, const std::function<QString()>& sql, Status& status);
    std::map<quint64, Statement> m_statements;
    qint64 m_rowid = 0;
    bool m_noMatch = true;
    Mode m_mode = Mode::None;
};

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

// Steps a statement to its end, calling onRow(stmt) for each row; stops at the first
// engine error, or when onRow returns a failed Status.
template <class F> Status forEachRow(Statement& stmt, F&& onRow) {
    while (true) {
        auto row = stmt.step();
        if (!row) {
            return row.error();
        }
        if (!*row) {
            return {};
        }
        if constexpr (std::is_same_v<decltype(onRow(stmt)), Status>) {
            if (Status s = onRow(stmt); !s) {
                return s;
            }
        } else {
            onRow(stmt);
        }
    }
}

// The password of a connect string such as ";pwd=secret".
QString connectPassword(const QString& connect);

// Quotes an SQL identifier with double quotes.
QString quoteIdentifier(const QString& name);

} // namespace fangji::store
