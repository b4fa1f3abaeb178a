#include "backup.h"

#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace fangji::store {

namespace {

const QString kInUse = QStringLiteral("数据文件正在使用，不能恢复。");

// Temporary copies are named after their target: "<target>.fangji-XXXXXX".
QString temporaryTemplate(const QFileInfo& target) {
    return target.absoluteDir().filePath(target.fileName() + QStringLiteral(".fangji-XXXXXX"));
}

QString journalOf(const QString& path) {
    return path + QStringLiteral("-journal");
}

void removeWithJournal(const QString& path) {
    QFile::remove(journalOf(path));
    QFile::remove(path);
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists()) {
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    }
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

// A new, empty temporary file beside `target`; its name, or an error.
Result<QString> newTemporaryBeside(const QFileInfo& target) {
    QTemporaryFile beside(temporaryTemplate(target));
    beside.setAutoRemove(false);
    if (!beside.open()) {
        return DbError{SQLITE_CANTOPEN, beside.errorString()};
    }
    const QString path = beside.fileName();
    beside.close();
    return path;
}

// Copies every page of `source` into `dest` in one step of the engine's backup facility.
// The step takes the locks it needs within the connections' busy time; when it cannot,
// it gives up and the destination keeps its content.
Status copyPages(Database& source, Database& dest) {
    sqlite3_backup* backup = sqlite3_backup_init(dest.handle(), "main", source.handle(), "main");
    if (backup == nullptr) {
        return dest.lastError();
    }
    const int rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        return DbError{rc, QString::fromUtf8(sqlite3_errstr(rc))};
    }
    if (finished != SQLITE_OK) {
        return dest.lastError();
    }
    return {};
}

Result<QString> singleText(Database& db, const QString& sql) {
    auto value = db.firstValue(sql);
    if (!value) {
        return value.error();
    }
    return value->toString();
}

// The engine's quick integrity check.
Status checkIntegrity(Database& db) {
    auto verdict = singleText(db, QStringLiteral("PRAGMA quick_check"));
    if (!verdict) {
        return verdict.error();
    }
    if (*verdict != QStringLiteral("ok")) {
        return DbError{kErrorNotChecked, *verdict};
    }
    return {};
}

// The number of rows of every table, by name.
Result<QMap<QString, qint64>> rowCounts(Database& db) {
    auto names = db.prepareNative(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    if (!names) {
        return names.error();
    }
    QStringList tables;
    if (Status s = forEachRow(*names, [&](const Statement& row) { tables << row.text(0); }); !s) {
        return s.error();
    }
    names = Statement();
    QMap<QString, qint64> counts;
    for (const QString& table : tables) {
        auto n = singleText(db, QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(table));
        if (!n) {
            return n.error();
        }
        counts.insert(table, n->toLongLong());
    }
    return counts;
}

// Opens the file just written and checks it: the integrity check, and when `expected`
// is given, the same number of rows in every table.
Status verifyCopy(const QString& path, const QString& connect, const QMap<QString, qint64>* expected) {
    auto db = Database::open(path, connect);
    if (!db) {
        return db.error();
    }
    if (Status s = checkIntegrity(*db); !s) {
        return s;
    }
    if (expected != nullptr) {
        auto counts = rowCounts(*db);
        if (!counts) {
            return counts.error();
        }
        if (*counts != *expected) {
            return DbError{kErrorNotChecked, QStringLiteral("恢复后的数据与备份文件不一致")};
        }
    }
    return {};
}

Status renameOver(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(QFileInfo(to).absoluteFilePath().toStdU16String()), ec);
    if (ec) {
        return DbError{SQLITE_IOERR, QString::fromLocal8Bit(ec.message().c_str())};
    }
    return {};
}

// Writes a checked copy of `source` into a new temporary file beside `target`, with
// `pageSize` bytes a page; returns the temporary file's name.
Result<QString> checkedCopyBeside(Database& source, const QFileInfo& target, const QString& connect, int pageSize) {
    auto part = newTemporaryBeside(target);
    if (!part) {
        return part.error();
    }
    {
        auto dest = Database::create(*part, connect, pageSize);
        if (!dest) {
            removeWithJournal(*part);
            return dest.error();
        }
        if (Status s = copyPages(source, *dest); !s) {
            dest->close();
            removeWithJournal(*part);
            return s.error();
        }
    }
    if (Status s = verifyCopy(*part, connect, nullptr); !s) {
        removeWithJournal(*part);
        return s.error();
    }
    return part;
}

// A copy of `source` with pages of `pageSize` bytes, written beside `target` through the
// cipher's export (its page-by-page copy needs equal page sizes on both sides).
Result<QString> convertedCopyBeside(Database& source, const QFileInfo& target, const QString& connect, int pageSize) {
    auto part = newTemporaryBeside(target);
    if (!part) {
        return part.error();
    }
    const QString key = connectPassword(connect).replace(u'\'', QStringLiteral("''"));
    const QString file = QString(*part).replace(u'\'', QStringLiteral("''"));
    auto version = singleText(source, QStringLiteral("PRAGMA user_version"));
    Status s = version ? Status() : Status(version.error());
    if (s) {
        s = source.executeNative(QStringLiteral("ATTACH DATABASE '%1' AS fangji_copy KEY '%2'").arg(file, key));
    }
    if (s) {
        s = source.executeNative(QStringLiteral("PRAGMA fangji_copy.cipher_page_size = %1;"
                                                "SELECT sqlcipher_export('fangji_copy');"
                                                "PRAGMA fangji_copy.user_version = %2")
                                     .arg(pageSize)
                                     .arg(version ? version->toLongLong() : 0));
        (void)source.executeNative(QStringLiteral("DETACH DATABASE fangji_copy"));
    }
    if (s) {
        s = verifyCopy(*part, connect, nullptr);
    }
    if (!s) {
        removeWithJournal(*part);
        return s.error();
    }
    return part;
}

// Writes `bytes` bytes of `file`, the connection's own handle on its file, to `path`
// and makes them durable. The bytes are read through that handle: opening and closing
// a second descriptor on the file would drop the locks the connection holds on it.
Status copyFileBytes(sqlite3_file* file, sqlite3_int64 bytes, const QString& path) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return DbError{SQLITE_CANTOPEN, out.errorString()};
    }
    constexpr sqlite3_int64 kChunk = 1 << 20;
    QByteArray buffer(static_cast<qsizetype>(kChunk), Qt::Uninitialized);
    for (sqlite3_int64 offset = 0; offset < bytes; offset += kChunk) {
        const int amount = static_cast<int>(std::min(kChunk, bytes - offset));
        if (const int rc = file->pMethods->xRead(file, buffer.data(), amount, offset); rc != SQLITE_OK) {
            return DbError{rc, QString::fromUtf8(sqlite3_errstr(rc))};
        }
        if (out.write(buffer.constData(), amount) != amount) {
            return DbError{SQLITE_IOERR, out.errorString()};
        }
    }
    if (!out.flush() || fsync(out.handle()) != 0) {
        return DbError{SQLITE_IOERR, out.errorString()};
    }
    return {};
}

// The connection's own handle on its database file.
Result<sqlite3_file*> fileOf(Database& db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods == nullptr) {
        return DbError{SQLITE_IOERR, QStringLiteral("database file handle not available")};
    }
    return file;
}

DbError ioError(int rc) {
    return DbError{rc, QString::fromUtf8(sqlite3_errstr(rc))};
}

// Whether the file is in one of the rollback-journal modes (its journal is a file of
// the old pages beside it).
Result<bool> inRollbackJournalMode(Database& db) {
    auto mode = singleText(db, QStringLiteral("PRAGMA journal_mode"));
    if (!mode) {
        return mode.error();
    }
    return (mode->compare(QStringLiteral("delete"), Qt::CaseInsensitive) == 0 ||
            mode->compare(QStringLiteral("truncate"), Qt::CaseInsensitive) == 0 ||
            mode->compare(QStringLiteral("persist"), Qt::CaseInsensitive) == 0);
}

// Copies the file of `source` as it stands on disk into a new temporary file beside
// `target`. The source's read transaction stays open throughout: in the rollback-journal
// mode no other connection can write the file meanwhile, and a journal an interrupted
// write left has been rolled back when the transaction began, so the bytes are one
// consistent state. The copy keeps the salt, so it opens with the key already derived.
// Returns nothing (not an error) when the file is not in that mode; then the caller
// copies page by page.
Result<std::optional<QString>> byteCopyBeside(Database& source, const QFileInfo& target) {
    auto rollbackMode = inRollbackJournalMode(source);
    if (!rollbackMode) {
        return rollbackMode.error();
    }
    if (!*rollbackMode) {
        return std::optional<QString>();
    }
    if (Status s = source.begin(); !s) {
        return s.error();
    }
    // The first read takes the shared lock, which the transaction keeps.
    Status s = source.firstValue(QStringLiteral("SELECT count(*) FROM sqlite_master")).status();
    auto handle = s ? fileOf(source) : Result<sqlite3_file*>(s.error());
    sqlite3_file* file = handle ? *handle : nullptr;
    sqlite3_int64 bytes = 0;
    if (!handle) {
        s = handle.error();
    } else if (const int rc = file->pMethods->xFileSize(file, &bytes); rc != SQLITE_OK) {
        s = ioError(rc);
    }
    Result<QString> part = s ? newTemporaryBeside(target) : Result<QString>(s.error());
    if (part) {
        s = copyFileBytes(file, bytes, *part);
    } else {
        s = part.error();
    }
    (void)source.rollback();
    if (!s) {
        if (part) {
            removeWithJournal(*part);
        }
        return s.error();
    }
    return std::optional<QString>(*part);
}

void put32(char* at, quint32 v) {
    at[0] = static_cast<char>(v >> 24);
    at[1] = static_cast<char>(v >> 16);
    at[2] = static_cast<char>(v >> 8);
    at[3] = static_cast<char>(v);
}

Status syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return DbError{SQLITE_IOERR, QStringLiteral("cannot open folder ") + QFileInfo(path).absolutePath()};
    }
    const int rc = fsync(fd);
    ::close(fd);
    return rc == 0 ? Status() : Status(DbError{SQLITE_IOERR, QStringLiteral("cannot sync folder")});
}

// Writes the engine's rollback journal of the given pages of `file` as they stand (the file
// has `originalPages` pages): the header the engine reads back (magic, record count,
// checksum nonce, original page count, sector and page size) and one record a page (number,
// bytes, checksum). The
// records go first under a header whose magic is still zero, so that a journal cut off
// while it was written is no journal at all; the header follows once they are durable.
constexpr int kJournalSector = 4096;
Status writeRollbackJournal(sqlite3_file* file, const std::vector<quint32>& pages, quint32 originalPages, int pageSize,
                            const QString& journal) {
    QFile out(journal);
    if (!out.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        return DbError{SQLITE_CANTOPEN, out.errorString()};
    }
    quint32 nonce = 0;
    sqlite3_randomness(sizeof nonce, &nonce);
    QByteArray header(kJournalSector, '\0');
    if (out.write(header) != header.size()) {
        return DbError{SQLITE_IOERR, out.errorString()};
    }
    constexpr quint32 kBatch = 256;
    const int record = pageSize + 8;
    QByteArray batch(static_cast<qsizetype>(kBatch) * record, Qt::Uninitialized);
    for (std::size_t first = 0; first < pages.size(); first += kBatch) {
        const auto count = static_cast<quint32>(std::min<std::size_t>(kBatch, pages.size() - first));
        for (quint32 i = 0; i < count; ++i) {
            char* at = batch.data() + static_cast<qsizetype>(i) * record;
            const quint32 pgno = pages[first + i];
            put32(at, pgno);
            const int rc = file->pMethods->xRead(file, at + 4, pageSize, sqlite3_int64(pgno - 1) * pageSize);
            if (rc != SQLITE_OK) {
                return ioError(rc);
            }
            quint32 sum = nonce;
            for (int x = pageSize - 200; x > 0; x -= 200) {
                sum += static_cast<unsigned char>(at[4 + x]);
            }
            put32(at + 4 + pageSize, sum);
        }
        const qsizetype bytes = static_cast<qsizetype>(count) * record;
        if (out.write(batch.constData(), bytes) != bytes) {
            return DbError{SQLITE_IOERR, out.errorString()};
        }
    }
    if (!out.flush() || fsync(out.handle()) != 0) {
        return DbError{SQLITE_IOERR, out.errorString()};
    }
    static constexpr unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
    std::copy(std::begin(kMagic), std::end(kMagic), header.begin());
    put32(header.data() + 8, static_cast<quint32>(pages.size()));
    put32(header.data() + 12, nonce);
    put32(header.data() + 16, originalPages);
    put32(header.data() + 20, kJournalSector);
    put32(header.data() + 24, static_cast<quint32>(pageSize));
    if (!out.seek(0) || out.write(header) != header.size() || !out.flush() || fsync(out.handle()) != 0) {
        return DbError{SQLITE_IOERR, out.errorString()};
    }
    out.close();
    return syncFolderOf(journal);
}

// Puts the bytes of `source`'s file into `live`'s file as they stand, under the
// engine's own locking and journal: an exclusive transaction on `live` keeps every other
// connection out, the old pages go into a rollback journal first (a restore killed
// before the journal is removed is rolled back by the next open, as any interrupted
// write is), then the new bytes are written and made durable, and removing the journal
// commits. Only the pages whose bytes differ are journaled and written. Nothing is
// decrypted or encrypted: this serves when both files were keyed with the same salt (a
// backup this installation made) and have one page size, and when the first page differs
// wherever another does; it returns false, having changed nothing, otherwise.
Result<bool> restoreBytes(Database& source, Database& live, int waitMs, const CopyProgress& progress) {
    const int pageSize = live.pageSize();
    const Result<bool> liveMode = inRollbackJournalMode(live);
    const Result<bool> sourceMode = inRollbackJournalMode(source);
    if (!liveMode.ok() || !*liveMode || !sourceMode.ok() || !*sourceMode || source.pageSize() != pageSize) {
        return false;
    }
    if (Status s = source.begin(); !s) {
        return s.error();
    }
    // The first read takes the shared lock on the backup, which the transaction keeps.
    Status s = source.firstValue(QStringLiteral("SELECT count(*) FROM sqlite_master")).status();
    sqlite3_busy_timeout(live.handle(), waitMs);
    bool locked = false;
    if (s) {
        s = live.executeNative(QStringLiteral("BEGIN EXCLUSIVE"));
        locked = s.ok();
    }
    auto from = s ? fileOf(source) : Result<sqlite3_file*>(s.error());
    auto to = from ? fileOf(live) : Result<sqlite3_file*>(from.error());
    sqlite3_int64 newBytes = 0;
    sqlite3_int64 oldBytes = 0;
    bool applicable = false;
    if (to) {
        char saltFrom[16] = {};
        char saltTo[16] = {};
        int rc = (*from)->pMethods->xFileSize(*from, &newBytes);
        if (rc == SQLITE_OK) {
            rc = (*to)->pMethods->xFileSize(*to, &oldBytes);
        }
        if (rc == SQLITE_OK && (newBytes < pageSize || oldBytes < pageSize)) {
            rc = SQLITE_DONE;
        }
        if (rc == SQLITE_OK) {
            rc = (*from)->pMethods->xRead(*from, saltFrom, sizeof saltFrom, 0);
        }
        if (rc == SQLITE_OK) {
            rc = (*to)->pMethods->xRead(*to, saltTo, sizeof saltTo, 0);
        }
        s = rc == SQLITE_OK || rc == SQLITE_DONE ? Status() : Status(ioError(rc));
        applicable = rc == SQLITE_OK && std::equal(std::begin(saltFrom), std::end(saltFrom), std::begin(saltTo)) &&
                     newBytes % pageSize == 0 && oldBytes % pageSize == 0 && newBytes > 0 && oldBytes > 0;
    } else {
        s = to.error();
    }
    // Only the pages whose bytes differ are journaled and written: a page the backup left
    // unchanged is the same bytes in both files. The first page always differs between two
    // states of a file (it carries the change counter); other connections notice a change by
    // it, so when it is the same while another page differs, the cipher's copy is used.
    const auto oldPages = static_cast<quint32>(oldBytes / pageSize);
    const auto newPages = static_cast<quint32>(newBytes / pageSize);
    std::vector<quint32> changed;
    if (s && applicable) {
        QByteArray a(pageSize, Qt::Uninitialized);
        QByteArray b(pageSize, Qt::Uninitialized);
        int rc = SQLITE_OK;
        for (quint32 pgno = 1; rc == SQLITE_OK && pgno <= std::min(oldPages, newPages); ++pgno) {
            const sqlite3_int64 at = sqlite3_int64(pgno - 1) * pageSize;
            rc = (*to)->pMethods->xRead(*to, a.data(), pageSize, at);
            if (rc == SQLITE_OK) {
                rc = (*from)->pMethods->xRead(*from, b.data(), pageSize, at);
            }
            if (rc == SQLITE_OK && a != b) {
                changed.push_back(pgno);
            }
        }
        s = rc == SQLITE_OK ? Status() : Status(ioError(rc));
        const bool same = changed.empty() && oldPages == newPages;
        // The same bytes throughout: nothing to write.
        applicable = same || (!changed.empty() && changed.front() == 1);
    }
    std::vector<quint32> keep = changed;  // the old pages to journal
    std::vector<quint32> write = changed; // the backup's pages to write
    for (quint32 pgno = newPages + 1; pgno <= oldPages; ++pgno) {
        keep.push_back(pgno);
    }
    for (quint32 pgno = oldPages + 1; pgno <= newPages; ++pgno) {
        write.push_back(pgno);
    }
    const QString journal = journalOf(QString::fromUtf8(sqlite3_db_filename(live.handle(), "main")));
    bool journalWritten = false;
    const bool work = !write.empty() || newPages != oldPages;
    if (s && applicable && !work && QFile::exists(journal)) {
        // A journal a write cut short before it was of any use (one the open did not play
        // back); the exclusive lock keeps every other connection from it.
        QFile::remove(journal);
    }
    if (s && applicable && work) {
        s = writeRollbackJournal(*to, keep, oldPages, pageSize, journal);
        journalWritten = true;
    }
    if (s && applicable && work) {
        QByteArray page(pageSize, Qt::Uninitialized);
        int rc = SQLITE_OK;
        const qint64 total = static_cast<qint64>(write.size()) * pageSize;
        qint64 done = 0;
        for (std::size_t i = 0; rc == SQLITE_OK && i < write.size(); ++i) {
            const sqlite3_int64 at = sqlite3_int64(write[i] - 1) * pageSize;
            rc = (*from)->pMethods->xRead(*from, page.data(), pageSize, at);
            if (rc == SQLITE_OK) {
                rc = (*to)->pMethods->xWrite(*to, page.constData(), pageSize, at);
            }
            done += pageSize;
            if (rc == SQLITE_OK && progress) {
                progress(done, total);
            }
        }
        if (rc == SQLITE_OK && newBytes < oldBytes) {
            rc = (*to)->pMethods->xTruncate(*to, newBytes);
        }
        if (rc == SQLITE_OK) {
            rc = (*to)->pMethods->xSync(*to, SQLITE_SYNC_NORMAL);
        }
        s = rc == SQLITE_OK ? Status() : Status(ioError(rc));
        // Removing the journal commits; while it stays, the next open rolls the old pages
        // back in.
        if (s && !QFile::remove(journal)) {
            s = DbError{SQLITE_IOERR, QStringLiteral("不能删除日志文件 ") + journal};
        }
        if (s) {
            s = syncFolderOf(journal);
        }
        journalWritten = !s;
    }
    if (!s && journalWritten) {
        // The old pages are in the journal: play them back now, while the lock is held.
        live.close();
    } else if (locked) {
        (void)live.rollback();
    }
    (void)source.rollback();
    if (!s) {
        return s.error();
    }
    return applicable;
}

// A busy or locked file is reported as in use; other errors as they are.
DbError inUseOr(const DbError& e) {
    const int primary = e.number & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? DbError{kErrorInUse, kInUse} : e;
}

bool isNotADatabase(const DbError& e) {
    const int primary = e.number & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

} // namespace

void removeCopyLeftovers(const QString& target) {
    const QFileInfo info(target);
    const QDir dir = info.absoluteDir();
    const QString base = QRegularExpression::escape(info.fileName());
    // The store's own temporary names, and the names earlier versions used
    // ("<target>.XXXXXX"), which are taken only where they cannot be a file of the
    // user's: an empty file, or one with a journal beside it (an interrupted copy).
    static const QString kOwn = QStringLiteral("^%1\\.fangji-[A-Za-z0-9]{6}(-journal)?$");
    static const QString kEarlier = QStringLiteral("^%1\\.[A-Za-z0-9]{6}$");
    const QRegularExpression own(kOwn.arg(base));
    const QRegularExpression earlier(kEarlier.arg(base));
    const QRegularExpression earlierJournal(kEarlier.arg(base).chopped(1) + QStringLiteral("-journal$"));
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QString name = entry.fileName();
        if (own.match(name).hasMatch()) {
            QFile::remove(entry.absoluteFilePath());
        } else if (earlier.match(name).hasMatch()) {
            const QString journal = journalOf(entry.absoluteFilePath());
            if (entry.size() == 0 || QFileInfo::exists(journal)) {
                removeWithJournal(entry.absoluteFilePath());
            }
        } else if (earlierJournal.match(name).hasMatch()) {
            // A journal whose copy is gone belongs to nothing.
            if (!QFileInfo::exists(entry.absoluteFilePath().chopped(8))) {
                QFile::remove(entry.absoluteFilePath());
            }
        }
    }
}

Status backupDatabase(const QString& from, const QString& to, const QString& connect) {
    const QFileInfo target(to);
    if (target.isDir()) {
        return DbError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file")};
    }
    if (sameFile(from, to)) {
        return DbError{kErrorSameFile, QStringLiteral("备份文件不能是数据文件本身。")};
    }
    removeCopyLeftovers(to);
    auto source = Database::open(from, connect);
    if (!source) {
        return source.error();
    }
    QString copied;
    auto bytes = byteCopyBeside(*source, target);
    if (!bytes) {
        return bytes.error();
    }
    if (bytes->has_value()) {
        source->close();
        copied = **bytes;
        // The bytes are one consistent state of a file that opened; the open checks them.
        if (auto opened = Database::open(copied, connect); !opened) {
            removeWithJournal(copied);
            return opened.error();
        }
    } else {
        // The copy keeps the source's page size: the cipher copies page by page.
        auto part = checkedCopyBeside(*source, target, connect, source->pageSize());
        source->close();
        if (!part) {
            return part.error();
        }
        copied = *part;
    }
    if (Status s = renameOver(copied, to); !s) {
        removeWithJournal(copied);
        return s;
    }
    return {};
}

Status restoreDatabase(const QString& from, const QString& to, const QString& connect, int waitMs,
                       const CopyProgress& progress) {
    const QFileInfo target(to);
    if (target.isDir()) {
        return DbError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file")};
    }
    if (sameFile(from, to)) {
        return DbError{kErrorSameFile, QStringLiteral("不能用数据文件本身恢复。")};
    }
    removeCopyLeftovers(to);
    auto source = Database::open(from, connect);
    if (!source) {
        return source.error();
    }

    // Opening the database file rolls back whatever an interrupted write left in its journal.
    auto live = target.exists() ? Database::open(to, connect) : Result<Database>(DbError{SQLITE_NOTADB, QString()});
    if (!live && !isNotADatabase(live.error())) {
        return inUseOr(live.error());
    }
    if (live) {
        auto inPlace = restoreBytes(*source, *live, waitMs, progress);
        if (!inPlace || *inPlace) {
            live->close();
            source->close();
            if (!inPlace) {
                // A journal left by a failed write is rolled back by this open.
                (void)Database::open(to, connect);
                return inUseOr(inPlace.error());
            }
            // The bytes are the backup's own; the open checks key and schema.
            auto restored = Database::open(to, connect);
            return restored ? Status() : Status(restored.error());
        }
    }

    if (Status s = checkIntegrity(*source); !s) {
        return s;
    }
    auto expected = rowCounts(*source);
    if (!expected) {
        return expected.error();
    }
    if (!live) {
        // Missing, or no database at all: nothing else can be using its content, so it
        // is replaced as a whole. Its journal goes first, so that it can never be played
        // into the restored file.
        auto part = checkedCopyBeside(*source, target, connect, source->pageSize());
        source->close();
        if (!part) {
            return part.error();
        }
        if (QFile::exists(journalOf(to)) && !QFile::remove(journalOf(to))) {
            removeWithJournal(*part);
            return DbError{SQLITE_IOERR, QStringLiteral("不能删除日志文件 ") + journalOf(to)};
        }
        if (Status s = renameOver(*part, to); !s) {
            removeWithJournal(*part);
            return s;
        }
        return verifyCopy(to, connect, &*expected);
    }

    // The cipher copies page by page between files of one page size only.
    QString converted;
    if (live->pageSize() != source->pageSize()) {
        auto part = convertedCopyBeside(*source, target, connect, live->pageSize());
        if (!part) {
            return part.error();
        }
        converted = *part;
        source->close();
        auto reopened = Database::open(converted, connect);
        if (!reopened) {
            removeWithJournal(converted);
            return reopened.error();
        }
        source = std::move(reopened);
    }
    sqlite3_busy_timeout(live->handle(), waitMs);
    Status copied = copyPages(*source, *live);
    live->close();
    source->close();
    if (!converted.isEmpty()) {
        removeWithJournal(converted);
    }
    if (!copied) {
        return inUseOr(copied.error());
    }
    return verifyCopy(to, connect, &*expected);
}

} // namespace fangji::store
