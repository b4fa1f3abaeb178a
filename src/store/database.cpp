#include "database.h"

#include "jet_sql.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <openssl/evp.h>
#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace fangji::store {

namespace {
// Page size of the files the store writes.
constexpr int kPageSize = 4096;
// Keys of a table's kept statements: the seek, and the inserts and updates, each of
// which also carries one bit per column it writes (tables have far fewer than 62).
constexpr quint64 kSeekStatement = quint64(1) << 63;
constexpr quint64 kInsertStatements = quint64(1) << 62;
constexpr quint64 kUpdateStatements = 0;
} // namespace

QString errorReport(const DbError& error, bool lineBreak) {
    return QStringLiteral("错误号码：") + QString::number(error.number) +
           (lineBreak ? QStringLiteral("\r\n") : QString()) + QStringLiteral("错误内容：") + error.description;
}

QString connectPassword(const QString& connect) {
    for (const QString& part : connect.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (trimmed.startsWith(QStringLiteral("pwd="), Qt::CaseInsensitive)) {
            return trimmed.mid(4);
        }
    }
    return {};
}

QString quoteIdentifier(const QString& name) {
    QString out = name;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

namespace {

DbError errorOf(sqlite3* db) {
    if (db == nullptr) {
        return {SQLITE_MISUSE, QStringLiteral("database is not open")};
    }
    return {sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
}

#if defined(__x86_64__) || defined(__i386__)
// Vector code that ran before (string and text routines compiled for AVX) can leave the
// upper halves of the AVX registers in use; the digest's SSE code then runs with a
// penalty on every instruction on processors that track that state, and the derivation
// takes up to twice its time. Clearing them first costs one instruction.
__attribute__((target("avx"))) void clearUpperVectorHalves() {
    __builtin_ia32_vzeroupper();
}
void beforeDigestCode() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        clearUpperVectorHalves();
    }
}
#else
void beforeDigestCode() {}
#endif

// The raw key SQLCipher derives from a passphrase and a file's salt (PBKDF2-HMAC-SHA1,
// 64,000 rounds, 32 bytes). Deriving it once per salt spares every later open the
// slow derivation.
QByteArray rawKeyFor(const QByteArray& passphrase, const QByteArray& salt) {
    static QHash<QByteArray, QByteArray> cache;
    const QByteArray cacheKey = passphrase + '\0' + salt;
    auto it = cache.constFind(cacheKey);
    if (it != cache.constEnd()) {
        return *it;
    }
    QByteArray key(32, '\0');
    // The benchmarks ask how long the derivations of a run take.
    static const bool report = qEnvironmentVariableIsSet("FANGJI_REPORT_KEY_DERIVATION");
    QElapsedTimer timer;
    timer.start();
    beforeDigestCode();
    if (PKCS5_PBKDF2_HMAC_SHA1(passphrase.constData(), passphrase.size(),
                               reinterpret_cast<const unsigned char*>(salt.constData()), salt.size(), 64000, key.size(),
                               reinterpret_cast<unsigned char*>(key.data())) != 1) {
        return {};
    }
    if (report) {
        std::fprintf(stderr, "key derivation: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    }
    cache.insert(cacheKey, key);
    return key;
}

int applyKey(sqlite3* db, const QString& path, const QString& connect, bool fresh, int pageSize) {
    const QByteArray passphrase = connectPassword(connect).toUtf8();
    QByteArray salt;
    if (!fresh) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            salt = f.read(16);
        }
    }
    int rc = SQLITE_OK;
    const QByteArray key = salt.size() == 16 ? rawKeyFor(passphrase, salt) : QByteArray();
    if (!key.isEmpty()) {
        const QByteArray raw = "x'" + key.toHex() + salt.toHex() + "'";
        rc = sqlite3_key(db, raw.constData(), raw.size());
    } else {
        rc = sqlite3_key(db, passphrase.constData(), passphrase.size());
    }
    if (rc == SQLITE_OK) {
        // Ignored by SQLCipher 3; lets SQLCipher 4 read files of this format.
        sqlite3_exec(db, "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
        const QByteArray pragma = "PRAGMA cipher_page_size = " + QByteArray::number(pageSize);
        rc = sqlite3_exec(db, pragma.constData(), nullptr, nullptr, nullptr);
    }
    return rc;
}

// The page sizes to open an existing file with, most likely first: the store's own, then
// the engine's former 1 KiB. A journal left by an interrupted write names the size of the
// file's pages in its header; that size goes first, so the journal is rolled back with it.
std::vector<int> pageSizesToTry(const QString& path) {
    std::vector<int> sizes{kPageSize, 1024};
    QFile journal(path + QStringLiteral("-journal"));
    if (journal.open(QIODevice::ReadOnly)) {
        static const QByteArray kMagic = QByteArray::fromHex("d9d505f920a163d7");
        const QByteArray header = journal.read(28);
        if (header.size() == 28 && header.startsWith(kMagic)) {
            const auto* b = reinterpret_cast<const unsigned char*>(header.constData()) + 24;
            const int size = (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
            if (size == 1024 && sizes.front() != size) {
                std::swap(sizes[0], sizes[1]);
            }
        }
    }
    return sizes;
}

} // namespace

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

// ------------------------------------------------------------------ Statement

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

Status Statement::reset() {
    if (sqlite3_reset(m_stmt) != SQLITE_OK) {
        return errorOf(m_db);
    }
    return {};
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

namespace {
// A stored text as it stands: QString::fromUtf8 would drop a leading U+FEFF (a byte order
// mark to it, a character of the text to the store).
QString storedText(const char* bytes, int size) {
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        return QChar(0xFEFF) + storedText(bytes + 3, size - 3);
    }
    return QString::fromUtf8(bytes, size);
}
} // namespace

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

// ------------------------------------------------------------------ RecordSet

QVariant RecordSet::field(int column) const {
    if (m_pos < 0 || m_pos >= m_rows || column < 0 || column >= fieldCount()) {
        return {};
    }
    return m_cells[static_cast<size_t>(m_pos) * m_names.size() + column];
}

bool RecordSet::isEmptyTable() const {
    return m_rows == 0 || fieldCount() == 0 || !m_cells[0].isValid();
}

// ------------------------------------------------------------------ Database

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
    if (m_db == nullptr) {
        return errorOf(nullptr);
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size() + 1, &stmt, &tail) != SQLITE_OK) {
        return errorOf(m_db);
    }
    if (!onlySpaceAfter(tail)) {
        sqlite3_finalize(stmt);
        return DbError{SQLITE_ERROR, QStringLiteral("Characters found after end of SQL statement.")};
    }
    if (stmt == nullptr) {
        return DbError{SQLITE_ERROR, QStringLiteral("empty SQL statement")};
    }
    return Statement(stmt, m_db);
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
    t.m_db = this;
    t.m_table = table;
    if (Status s = forEachRow(*stmt, [&](const Statement& row) { t.m_columns << row.text(1); }); !s) {
        return s.error();
    }
    if (t.m_columns.isEmpty()) {
        return DbError{SQLITE_ERROR, QStringLiteral("no such table: ") + table};
    }
    return t;
}

// ------------------------------------------------------------------ Table

Status Table::setIndex(const QString& indexName) {
    auto stmt = m_db->prepareNative(QStringLiteral("PRAGMA index_info(") + quoteIdentifier(indexName) + u')');
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
    auto stmt = m_db->prepareNative(QStringLiteral("SELECT rowid, * FROM ") + quoteIdentifier(m_table) +
                                    QStringLiteral(" ORDER BY rowid LIMIT 1"));
    if (!stmt) {
        return stmt.error();
    }
    return loadRow(*stmt);
}

Result<int> Table::recordCount() {
    auto stmt = m_db->prepareNative(QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(m_table));
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
        m_rowid = sqlite3_last_insert_rowid(m_db->handle());
    }
    m_current = m_buffer;
    m_mode = Mode::None;
    return {};
}

Statement& Table::statement(quint64 key, const std::function<QString()>& sql, Status& status) {
    auto it = m_statements.find(key);
    if (it == m_statements.end()) {
        auto prepared = m_db->prepareNative(sql());
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
    auto stmt = m_db->prepareNative(QStringLiteral("DELETE FROM ") + quoteIdentifier(m_table) +
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
