#pragma once

#include "result.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

namespace fangji::store {

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
    // The same without a copy: the bytes must stay as they are until the statement has
    // been stepped, and clearBindings() (or another bind) must come before they go.
    Status bindUtf8Unowned(int index, const char* bytes, int size);
    // Sets every parameter back to NULL.
    void clearBindings();
    // Advances to the next row: true when a row is there, false at the end.
    Result<bool> step();
    Status reset();
    // Steps once and resets at once, so that the statement lets go of the table as a finished
    // one would: whether a row was there. A failed step is reported before a failed reset.
    Result<bool> stepAndReset();
    // Rows the connection's last finished insert, update or delete changed.
    int changes() const;

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;   // "" for NULL
    QVariant value(int column) const; // invalid QVariant for NULL
    QByteArray blob(int column) const;
    // Raw UTF-8 of a text column, valid until the next step.
    const char* utf8(int column, int* bytes) const;

private:
    friend Result<Statement> prepareOn(sqlite3* connection, const QString& sql);
    Statement(sqlite3_stmt* stmt, sqlite3* db) : m_stmt(stmt), m_db(db) {}
    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
};

// Prepares one statement of SQLite's own SQL on an open connection; text after the
// statement other than blanks and semicolons is refused.
Result<Statement> prepareOn(sqlite3* connection, const QString& sql);

// A stored text as the store reads it from the engine's UTF-8: bytes that are no valid
// UTF-8 become replacement characters, and a leading U+FEFF stays a character of the text.
QString storedText(const char* bytes, int size);

// The connection's last error (a closed connection reports that it is not open).
DbError errorOf(sqlite3* connection);

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

// Quotes an SQL identifier with double quotes.
QString quoteIdentifier(const QString& name);

} // namespace fangji::store
