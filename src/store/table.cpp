#include "table.h"

#include <sqlite3.h>

namespace fangji::store {

namespace {
// Keys of a table's kept statements: the seek, and the inserts and updates, each of
// which also carries one bit per column it writes (tables have far fewer than 62).
constexpr quint64 kSeekStatement = quint64(1) << 63;
constexpr quint64 kInsertStatements = quint64(1) << 62;
constexpr quint64 kUpdateStatements = 0;
} // namespace

Status Table::setIndex(const QString& indexName) {
    auto stmt = prepareOn(m_connection, QStringLiteral("PRAGMA index_info(") + quoteIdentifier(indexName) + u')');
    if (!stmt) {
        return stmt.error();
    }
    auto row = stmt->step();
    if (!row) {
        return row.error();
    }
    if (!*row) {
        return DbError{SQLITE_ERROR, QStringLiteral("no such index: ") + indexName};
    }
    m_indexColumn = stmt->text(2);
    m_statements.erase(kSeekStatement); // it seeks on another column now
    return {};
}

Result<bool> Table::loadRow(Statement& stmt) {
    auto row = stmt.step();
    if (!row) {
        return row.error();
    }
    m_mode = Mode::None;
    if (!*row) {
        m_rowid = 0;
        m_current.assign(m_columns.size(), QVariant());
        return false;
    }
    m_rowid = stmt.value(0).toLongLong();
    m_current.clear();
    for (int c = 0; c < m_columns.size(); ++c) {
        m_current.push_back(stmt.value(c + 1));
    }
    return true;
}

Status Table::seek(const QVariant& key) {
    if (m_indexColumn.isEmpty()) {
        return DbError{SQLITE_ERROR, QStringLiteral("no current index")};
    }
    Status prepared;
    Statement& stmt = statement(
        kSeekStatement,
        [this] {
            return QStringLiteral("SELECT rowid, * FROM ") + quoteIdentifier(m_table) + QStringLiteral(" WHERE ") +
                   quoteIdentifier(m_indexColumn) + QStringLiteral(" = ?1 LIMIT 1");
        },
        prepared);
    if (!prepared) {
        return prepared;
    }
    if (Status s = stmt.bind(1, key); !s) {
        return s;
    }
    auto found = loadRow(stmt);
    // The statement lets go of the table at once, as a finished one would.
    const Status reset = stmt.reset();
    if (!found) {
        return found.error();
    }
    if (!reset) {
        return reset;
    }
    m_noMatch = !*found;
    return {};
}

Result<bool> Table::moveFirst() {
    auto stmt = prepareOn(m_connection, QStringLiteral("SELECT rowid, * FROM ") + quoteIdentifier(m_table) +
                                            QStringLiteral(" ORDER BY rowid LIMIT 1"));
    if (!stmt) {
        return stmt.error();
    }
    return loadRow(*stmt);
}

Result<int> Table::recordCount() {
    auto stmt = prepareOn(m_connection, QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(m_table));
    if (!stmt) {
        return stmt.error();
    }
    auto row = stmt->step();
    if (!row) {
        return row.error();
    }
    return stmt->value(0).toInt();
}

QVariant Table::field(int column) const {
    const auto& values = (m_mode == Mode::None) ? m_current : m_buffer;
    if (column < 0 || static_cast<size_t>(column) >= values.size()) {
        return {};
    }
    return values[column];
}

void Table::addNew() {
    m_mode = Mode::Add;
    m_buffer.assign(m_columns.size(), QVariant());
    m_dirty.assign(m_columns.size(), false);
}

Status Table::edit() {
    if (m_rowid == 0) {
        return DbError{SQLITE_ERROR, QStringLiteral("No current record.")};
    }
    m_mode = Mode::Edit;
    m_buffer = m_current;
    m_dirty.assign(m_columns.size(), false);
    return {};
}

void Table::setField(int column, const QVariant& value) {
    if (m_mode == Mode::None || column < 0 || column >= m_columns.size()) {
        return;
    }
    m_buffer[column] = value;
    m_dirty[column] = true;
}

void Table::appendChunk(int column, const QByteArray& chunk) {
    if (m_mode == Mode::None || column < 0 || column >= m_columns.size()) {
        return;
    }
    // The bytes grow in place inside the buffer: the field's QByteArray is its data's
    // only owner after the first piece, so appending a file piece by piece costs time
    // in proportion to the file, not to the square of its pieces.
    QVariant& field = m_buffer[column];
    if (field.typeId() != QMetaType::QByteArray) {
        field = QVariant(field.isValid() ? field.toByteArray() : QByteArray());
    }
    static_cast<QByteArray*>(field.data())->append(chunk);
    m_dirty[column] = true;
}

Status Table::update() {
    if (m_mode == Mode::None) {
        return DbError{SQLITE_ERROR, QStringLiteral("Update without AddNew or Edit.")};
    }
    std::vector<int> dirty;
    quint64 key = m_mode == Mode::Add ? kInsertStatements : kUpdateStatements;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_dirty[c]) {
            dirty.push_back(c);
            key |= quint64(1) << c;
        }
    }
    if (m_mode == Mode::Edit && dirty.empty()) {
        m_mode = Mode::None;
        return {};
    }
    const auto sql = [this, &dirty] {
        QStringList names;
        QStringList marks;
        for (size_t i = 0; i < dirty.size(); ++i) {
            names << quoteIdentifier(m_columns[dirty[i]]);
            marks << QStringLiteral("?%1").arg(i + 1);
        }
        if (m_mode == Mode::Add) {
            if (names.isEmpty()) {
                return QStringLiteral("INSERT INTO ") + quoteIdentifier(m_table) + QStringLiteral(" DEFAULT VALUES");
            }
            return QStringLiteral("INSERT INTO ") + quoteIdentifier(m_table) + u'(' + names.join(u',') +
                   QStringLiteral(") VALUES(") + marks.join(u',') + u')';
        }
        QStringList sets;
        for (int i = 0; i < names.size(); ++i) {
            sets << names[i] + QStringLiteral(" = ") + marks[i];
        }
        return QStringLiteral("UPDATE ") + quoteIdentifier(m_table) + QStringLiteral(" SET ") + sets.join(u',') +
               QStringLiteral(" WHERE rowid = ?%1").arg(names.size() + 1);
    };
    std::vector<QVariant> values;
    for (int c : dirty) {
        values.push_back(m_buffer[c]);
    }
    Status prepared;
    Statement& stmt = statement(key, sql, prepared);
    if (!prepared) {
        return prepared;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        if (Status s = stmt.bind(static_cast<int>(i) + 1, values[i]); !s) {
            return s;
        }
    }
    if (m_mode == Mode::Edit) {
        if (Status s = stmt.bind(static_cast<int>(values.size()) + 1, QVariant(m_rowid)); !s) {
            return s;
        }
    }
    auto done = stmt.step();
    if (!done) {
        return done.error();
    }
    if (Status s = stmt.reset(); !s) {
        return s;
    }
    if (m_mode == Mode::Add) {
        m_rowid = sqlite3_last_insert_rowid(m_connection);
    }
    m_current = m_buffer;
    m_mode = Mode::None;
    return {};
}

Statement& Table::statement(quint64 key, const std::function<QString()>& sql, Status& status) {
    auto it = m_statements.find(key);
    if (it == m_statements.end()) {
        auto prepared = prepareOn(m_connection, sql());
        if (!prepared) {
            status = prepared.error();
            static Statement none;
            return none;
        }
        it = m_statements.emplace(key, std::move(prepared).value()).first;
    }
    return it->second;
}

Status Table::deleteCurrent() {
    if (m_rowid == 0) {
        return DbError{SQLITE_ERROR, QStringLiteral("No current record.")};
    }
    auto stmt = prepareOn(m_connection, QStringLiteral("DELETE FROM ") + quoteIdentifier(m_table) +
                                            QStringLiteral(" WHERE rowid = ?1"));
    if (!stmt) {
        return stmt.error();
    }
    if (Status s = stmt->bind(1, QVariant(m_rowid)); !s) {
        return s;
    }
    auto done = stmt->step();
    if (!done) {
        return done.error();
    }
    m_rowid = 0;
    m_current.assign(m_columns.size(), QVariant());
    return {};
}

} // namespace fangji::store
