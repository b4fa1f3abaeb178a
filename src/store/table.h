#pragma once

#include "result.h"
#include "statement.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <vector>

struct sqlite3;

namespace fangji::store {

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

    // The connection's handle, which stays the same when the Database that owns it is
    // moved; a table, like a statement, is used while its connection is open.
    sqlite3* m_connection = nullptr;
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

} // namespace fangji::store
