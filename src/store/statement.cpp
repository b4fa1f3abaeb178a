#include "statement.h"

#include <sqlite3.h>

namespace fangji::store {

QString quoteIdentifier(const QString& name) {
    QString out = name;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

DbError errorOf(sqlite3* db) {
    if (db == nullptr) {
        return {SQLITE_MISUSE, QStringLiteral("database is not open")};
    }
    return {sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
}

namespace {

bool onlySpaceAfter(const char* tail) {
    for (; tail != nullptr && *tail != '\0'; ++tail) {
        if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';') {
            return false;
        }
    }
    return true;
}

} // namespace

Result<Statement> prepareOn(sqlite3* connection, const QString& sql) {
    if (connection == nullptr) {
        return errorOf(nullptr);
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(connection, utf8.constData(), utf8.size() + 1, &stmt, &tail) != SQLITE_OK) {
        return errorOf(connection);
    }
    if (!onlySpaceAfter(tail)) {
        sqlite3_finalize(stmt);
        return DbError{SQLITE_ERROR, QStringLiteral("Characters found after end of SQL statement.")};
    }
    if (stmt == nullptr) {
        return DbError{SQLITE_ERROR, QStringLiteral("empty SQL statement")};
    }
    return Statement(stmt, connection);
}

Statement::Statement(Statement&& other) noexcept : m_stmt(other.m_stmt), m_db(other.m_db) {
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        m_db = other.m_db;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

Status Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(m_stmt, index, b.constData(), b.size(), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), t.size(), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
}

Status Statement::bindUtf8(int index, const char* bytes, int size) {
    if (sqlite3_bind_text(m_stmt, index, bytes != nullptr ? bytes : "", size, SQLITE_TRANSIENT) != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
}

Status Statement::bindUtf8Unowned(int index, const char* bytes, int size) {
    if (sqlite3_bind_text(m_stmt, index, bytes != nullptr ? bytes : "", size, SQLITE_STATIC) != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
}

void Statement::clearBindings() {
    sqlite3_clear_bindings(m_stmt);
}

Result<bool> Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    DbError e = errorOf(m_db);
    sqlite3_reset(m_stmt);
    return e;
}

Result<bool> Statement::stepAndReset() {
    auto row = step();
    const Status reset = this->reset();
    if (!row) {
        return row.error();
    }
    if (!reset) {
        return reset.error();
    }
    return row;
}

Status Statement::reset() {
    if (sqlite3_reset(m_stmt) != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
}

int Statement::changes() const {
    return m_db != nullptr ? sqlite3_changes(m_db) : 0;
}

int Statement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

// QString::fromUtf8 would drop a leading U+FEFF (a byte order mark to it, a character of
// the text to the store).
QString storedText(const char* bytes, int size) {
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        return QChar(0xFEFF) + storedText(bytes + 3, size - 3);
    }
    return QString::fromUtf8(bytes, size);
}

QString Statement::text(int column) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return t ? storedText(t, sqlite3_column_bytes(m_stmt, column)) : QString();
}

const char* Statement::utf8(int column, int* bytes) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    *bytes = sqlite3_column_bytes(m_stmt, column);
    return t;
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_BLOB:
        return QVariant(blob(column));
    default:
        return QVariant(text(column));
    }
}

QByteArray Statement::blob(int column) const {
    const void* b = sqlite3_column_blob(m_stmt, column);
    return b ? QByteArray(static_cast<const char*>(b), sqlite3_column_bytes(m_stmt, column)) : QByteArray();
}

} // namespace fangji::store
