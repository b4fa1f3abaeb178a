// Backup and restore under faults: a journal left by a killed write, another process
// holding the file, files with 1 KiB pages, temporary copies left by killed copies, a
// database file that is no database, and fangji-cli killed at random points.
#include "test_env.h"

#include "admin/backup_restore.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace fangji;

namespace {

const QStringList kColumns = {QStringLiteral("名称"), QStringLiteral("构成"), QStringLiteral("功效"),
                              QStringLiteral("主治"), QStringLiteral("用法"), QStringLiteral("来源"),
                              QStringLiteral("应用"), QStringLiteral("临床")};

QString binary(const QString& name) {
    return QCoreApplication::applicationDirPath() + u'/' + name;
}

// The content of a database file: every row of every table the system keeps, in order.
using Content = QMap<QString, QList<QStringList>>;

Content content(const QString& path) {
    Content c;
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db) {
        qWarning() << "cannot open" << path << db.error().description;
        return c;
    }
    namespace t = store::table;
    for (const QString& table :
         {t::kPrescriptions, t::kEffects, t::kIndications, t::kClinical, t::kProfile, t::kPasswords, t::kLayout}) {
        c.insert(table, testing::rows(*db, QStringLiteral("SELECT * FROM ") + store::quoteIdentifier(table) +
                                               QStringLiteral(" ORDER BY rowid")));
    }
    return c;
}

QString integrity(const QString& path) {
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db) {
        return db.error().description;
    }
    const auto result = testing::rows(*db, QStringLiteral("PRAGMA integrity_check"));
    return result.isEmpty() ? QString() : result.first().join(u' ');
}

int pageSizeOf(const QString& path) {
    auto db = store::Database::open(path, store::kMainConnect);
    return db ? db->pageSize() : 0;
}

// Files an interrupted write or copy may leave: journals and temporary copies.
QStringList leftovers(const QString& folder) {
    static const QRegularExpression kLeft(QStringLiteral("-journal$|\\.fangji-|\\.mdb\\.[A-Za-z0-9]{6}$"));
    QStringList found;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (kLeft.match(name).hasMatch()) {
            found << name;
        }
    }
    return found;
}

bool addRows(const QString& path, const QString& prefix, int count) {
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db || !db->begin()) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        if (!testing::addPrescription(*db, {prefix + n, QStringLiteral("桂枝9克，芍药9克，甘草6克。") + n,
                                            QStringLiteral("解肌发表，调和营卫。"),
                                            QStringLiteral("外感风寒表虚证。头痛发热，汗出恶风。") + n,
                                            QStringLiteral("水煎服。"), QStringLiteral("《伤寒论》"),
                                            QStringLiteral("感冒，流行性感冒。"), QStringLiteral(" ")})) {
            return false;
        }
    }
    return db->commit().ok();
}

// Rewrites the file with pages of `pageSize` bytes (the cipher's export), as earlier
// versions of the program wrote files with 1 KiB pages.
bool convertPageSize(const QString& path, int pageSize) {
    const QString converted = path + QStringLiteral(".converted");
    QFile::remove(converted);
    // The store's connections create no files: the attached one must exist.
    if (!QFile(converted).open(QIODevice::WriteOnly)) {
        return false;
    }
    {
        auto db = store::Database::open(path, store::kMainConnect);
        if (!db) {
            return false;
        }
        const QString key = store::connectPassword(store::kMainConnect);
        if (!testing::exec(*db, QStringLiteral("ATTACH DATABASE '%1' AS c KEY '%2'").arg(converted, key)) ||
            !testing::exec(*db, QStringLiteral("PRAGMA c.cipher_page_size = %1").arg(pageSize)) ||
            !testing::exec(*db, QStringLiteral("SELECT sqlcipher_export('c')")) ||
            !testing::exec(*db, QStringLiteral("DETACH DATABASE c"))) {
            return false;
        }
    }
    return QFile::remove(path) && QFile::rename(converted, path);
}

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run runCli(const QString& dataDir, const QStringList& args) {
    QProcess p;
    p.start(binary(QStringLiteral("fangji-cli")), QStringList{QStringLiteral("--data-dir"), dataDir} + args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Starts fangji-cli and kills it after `delayMs`; returns whether it was still running then.
bool runCliKilledAfter(const QString& dataDir, const QStringList& args, int delayMs) {
    QProcess p;
    p.start(binary(QStringLiteral("fangji-cli")), QStringList{QStringLiteral("--data-dir"), dataDir} + args);
    p.waitForStarted();
    const bool finished = p.waitForFinished(delayMs);
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    return !finished;
}

// A second process holding the file (db_writer); stopped by a line on its input.
class Holder {
public:
    Holder(const QString& mode, const QString& path) {
        m_p.start(binary(QStringLiteral("db_writer")), {mode, path});
        m_ready = m_p.waitForReadyRead(10000) && m_p.readLine().trimmed() == "ready";
    }
    ~Holder() {
        m_p.kill();
        m_p.waitForFinished();
    }
    bool ready() const { return m_ready; }
    QByteArray finish() {
        m_p.write("\n");
        m_p.closeWriteChannel();
        m_p.waitForFinished(10000);
        return m_p.readAllStandardOutput().trimmed();
    }

private:
    QProcess m_p;
    bool m_ready = false;
};

QByteArray jsonLines(const QString& prefix, int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        QJsonObject o;
        for (int c = 0; c < kColumns.size(); ++c) {
            o.insert(kColumns[c], c == 0 ? prefix + QString::number(i)
                                         : QStringLiteral("麻黄9克，桂枝6克，杏仁9克，甘草3克%1").arg(i));
        }
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

bool writeImportSource(const QString& path, int count) {
    auto db = store::Database::create(path, store::kImportConnect);
    if (!db ||
        !testing::exec(*db, QStringLiteral("CREATE TABLE zyfj (fjmc TEXT, fjgc TEXT, fjgy TEXT, fjzz TEXT, "
                                           "fjyf TEXT, fjly TEXT, fjxd TEXT)")) ||
        !db->begin()) {
        return false;
    }
    auto stmt = db->prepareNative(QStringLiteral("INSERT INTO zyfj VALUES(?1,?2,?3,?4,?5,?6,?7)"));
    for (int i = 0; i < count; ++i) {
        for (int c = 1; c <= 7; ++c) {
            (void)stmt->bind(c, c == 1 ? QStringLiteral("导入方%1").arg(i) : QStringLiteral("清热解毒，凉血%1").arg(i));
        }
        if (!stmt->step()) {
            return false;
        }
        (void)stmt->reset();
    }
    stmt = store::Statement();
    return db->commit().ok();
}

// 1,500 prescriptions and their backup, made by fangji-cli in a folder of its own.
struct BackedUpData {
    testing::TestDataDir data;
    QString folder = data.root() + QStringLiteral("/copies");
    QString backup = folder + QStringLiteral("/b.mdb");
    bool made = addRows(data.databasePath(), QStringLiteral("基"), 1500) && QDir().mkpath(folder) &&
                runCli(data.dataDir(), {QStringLiteral("backup"), backup}).status == 0;
};

} // namespace

class TestCopyFaults : public QObject {
    Q_OBJECT
private slots:
    void restore_afterKilledWrite_leavesBackupExactly_data();
    void restore_afterKilledWrite_leavesBackupExactly();
    void restore_whileAnotherProcessHoldsFile_refusesAndChangesNothing_data();
    void restore_whileAnotherProcessHoldsFile_refusesAndChangesNothing();
    void restore_killedWhileWriting_nextOpenGivesOldContent_data();
    void restore_killedWhileWriting_nextOpenGivesOldContent();
    void restore_ofUnchangedFile_removesAJournalCutShort();
    void restore_fromCommandLineWhileHeld_refused();
    void copies_workWithEveryPageSize_data();
    void copies_workWithEveryPageSize();
    void restore_overMissingOrBrokenFile_data();
    void restore_overMissingOrBrokenFile();
    void copy_ontoItself_refused();
    void backup_refusesSourceThatIsNoDatabase_data();
    void backup_refusesSourceThatIsNoDatabase();
    void leftovers_onlyOwnNamesRemoved();
    void killedWrites_thenRestore_giveBackupExactly();
    void killedCopies_leaveNothingBehind();
};

void TestCopyFaults::restore_afterKilledWrite_leavesBackupExactly_data() {
    QTest::addColumn<int>("pageSize");
    QTest::newRow("4 KiB pages") << 4096;
    QTest::newRow("1 KiB pages") << 1024;
}

void TestCopyFaults::restore_afterKilledWrite_leavesBackupExactly() {
    QFETCH(int, pageSize);
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("方"), 20));
    QVERIFY(convertPageSize(data.databasePath(), pageSize));
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    const Content expected = content(backup);
    QCOMPARE(expected.value(store::table::kPrescriptions).size(), 20);

    // A real write killed inside its transaction: the file keeps its journal.
    QProcess writer;
    writer.start(binary(QStringLiteral("db_writer")), {QStringLiteral("interrupt"), data.databasePath()});
    QVERIFY(writer.waitForFinished(30000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFile::exists(data.databasePath() + QStringLiteral("-journal")));

    const store::Status restored = admin::restoreDatabaseFile(backup, data.databasePath());
    QVERIFY2(restored.ok(), qPrintable(restored.ok() ? QString() : restored.error().description));
    QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
    QCOMPARE(content(data.databasePath()), expected);
    QCOMPARE(leftovers(data.dataDir()), QStringList());
}

void TestCopyFaults::restore_killedWhileWriting_nextOpenGivesOldContent_data() {
    QTest::addColumn<int>("liveRows");
    QTest::addColumn<int>("backupRows");
    QTest::addColumn<int>("percent");    // of the backup's bytes written when the process dies
    QTest::addColumn<bool>("ownBackup"); // the backup is of this file, rows added since
    QTest::newRow("smaller backup, first chunk") << 1500 << 100 << 1 << false;
    QTest::newRow("smaller backup, every byte written") << 1500 << 100 << 100 << false;
    QTest::newRow("larger backup, half written") << 100 << 1500 << 50 << false;
    QTest::newRow("larger backup, every byte written") << 100 << 1500 << 100 << false;
    QTest::newRow("own backup, some pages changed, first page") << 30 << 1500 << 1 << true;
    QTest::newRow("own backup, some pages changed, all written") << 30 << 1500 << 100 << true;
}

// The restore written into the file itself, killed while it writes: the old pages are
// in the journal, so the next open gives the old content, and a restore then succeeds.
void TestCopyFaults::restore_killedWhileWriting_nextOpenGivesOldContent() {
    QFETCH(int, liveRows);
    QFETCH(int, backupRows);
    QFETCH(int, percent);
    QFETCH(bool, ownBackup);
    QTemporaryDir backups;
    const QString backup = backups.filePath(QStringLiteral("b.mdb"));
    if (!ownBackup) {
        // The backup comes from another installation of the same template.
        testing::TestDataDir other;
        QVERIFY(addRows(other.databasePath(), QStringLiteral("备"), backupRows));
        QVERIFY(admin::backupDatabaseFile(other.databasePath(), backup).ok());
    }
    testing::TestDataDir data;
    if (ownBackup) {
        // Most pages stay as the backup has them; the new rows change some.
        QVERIFY(addRows(data.databasePath(), QStringLiteral("备"), backupRows));
        QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    }
    QVERIFY(addRows(data.databasePath(), QStringLiteral("旧"), liveRows));
    const Content before = content(data.databasePath());

    QProcess restorer;
    restorer.start(binary(QStringLiteral("db_writer")),
                   {QStringLiteral("restore-killed"), backup, data.databasePath(), QString::number(percent)});
    QVERIFY(restorer.waitForFinished(30000));
    QVERIFY2(restorer.exitStatus() == QProcess::CrashExit, restorer.readAllStandardError().constData());
    QVERIFY(QFile::exists(data.databasePath() + QStringLiteral("-journal")));

    QCOMPARE(content(data.databasePath()), before);
    QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
    QCOMPARE(leftovers(data.dataDir()), QStringList());
    const store::Status restored = admin::restoreDatabaseFile(backup, data.databasePath());
    QVERIFY2(restored.ok(), qPrintable(restored.ok() ? QString() : restored.error().description));
    QCOMPARE(content(data.databasePath()), content(backup));
    QCOMPARE(content(data.databasePath()).value(store::table::kPrescriptions).size(), backupRows);
}

// A write killed while it began its journal leaves a journal of no use (its header still
// zero); a restore of a backup the file already equals writes nothing and removes it.
void TestCopyFaults::restore_ofUnchangedFile_removesAJournalCutShort() {
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("方"), 20));
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    QVERIFY(testing::writeFile(data.databasePath() + QStringLiteral("-journal"), QByteArray(4096, '\0')));
    const store::Status restored = admin::restoreDatabaseFile(backup, data.databasePath());
    QVERIFY2(restored.ok(), qPrintable(restored.ok() ? QString() : restored.error().description));
    QCOMPARE(testing::readFile(data.databasePath()), testing::readFile(backup));
    QCOMPARE(leftovers(data.dataDir()), QStringList());
}

void TestCopyFaults::restore_whileAnotherProcessHoldsFile_refusesAndChangesNothing_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("rowsAfter"); // rows once the holder has committed
    QTest::newRow("open write") << "hold-write" << 6;
    QTest::newRow("open read") << "hold-read" << 5;
}

void TestCopyFaults::restore_whileAnotherProcessHoldsFile_refusesAndChangesNothing() {
    QFETCH(QString, mode);
    QFETCH(int, rowsAfter);
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("旧"), 2));
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    QVERIFY(addRows(data.databasePath(), QStringLiteral("新"), 3));

    Holder holder(mode, data.databasePath());
    QVERIFY(holder.ready());
    const store::Status restored = admin::restoreDatabaseFile(backup, data.databasePath(), 300);
    QVERIFY(!restored.ok());
    QCOMPARE(restored.error().number, store::kErrorInUse);
    QCOMPARE(restored.error().description, QStringLiteral("数据文件正在使用，不能恢复。"));
    QCOMPARE(holder.finish(), QByteArray("commit ok"));

    // Nothing of the restore arrived, and the other process's write is kept.
    const auto rows = content(data.databasePath()).value(store::table::kPrescriptions);
    QCOMPARE(rows.size(), rowsAfter);
    QCOMPARE(rows.at(2).first(), QStringLiteral("新0"));
    QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
    QCOMPARE(leftovers(data.dataDir()), QStringList());

    // Once the file is free the same restore goes through.
    QVERIFY(admin::restoreDatabaseFile(backup, data.databasePath(), 300).ok());
    QCOMPARE(content(data.databasePath()), content(backup));
}

void TestCopyFaults::restore_fromCommandLineWhileHeld_refused() {
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("方"), 2));
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    Holder holder(QStringLiteral("hold-write"), data.databasePath());
    QVERIFY(holder.ready());
    const Run run = runCli(data.dataDir(), {QStringLiteral("restore"), backup});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("数据文件正在使用，不能恢复。")), qPrintable(run.err));
    QVERIFY(!run.out.contains(QStringLiteral("恢复数据")));
    QCOMPARE(holder.finish(), QByteArray("commit ok"));
    QCOMPARE(content(data.databasePath()).value(store::table::kPrescriptions).size(), 3);
}

void TestCopyFaults::copies_workWithEveryPageSize_data() {
    QTest::addColumn<int>("livePage");
    QTest::addColumn<int>("backupPage");
    QTest::newRow("1 KiB file, 1 KiB backup") << 1024 << 1024;
    QTest::newRow("1 KiB file, 4 KiB backup") << 1024 << 4096;
    QTest::newRow("4 KiB file, 1 KiB backup") << 4096 << 1024;
    QTest::newRow("4 KiB file, 4 KiB backup") << 4096 << 4096;
}

void TestCopyFaults::copies_workWithEveryPageSize() {
    QFETCH(int, livePage);
    QFETCH(int, backupPage);
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("甲"), 30));
    QVERIFY(convertPageSize(data.databasePath(), livePage));
    QCOMPARE(pageSizeOf(data.databasePath()), livePage);

    // A backup of the file keeps its page size and its rows.
    const QString copy = data.root() + QStringLiteral("/copy.mdb");
    const store::Status backedUp = admin::backupDatabaseFile(data.databasePath(), copy);
    QVERIFY2(backedUp.ok(), qPrintable(backedUp.ok() ? QString() : backedUp.error().description));
    QCOMPARE(pageSizeOf(copy), livePage);
    QCOMPARE(content(copy), content(data.databasePath()));

    // A backup of other rows, with its own page size, restores into the file.
    const QString other = data.root() + QStringLiteral("/other.mdb");
    QVERIFY(QFile::copy(copy, other));
    QVERIFY(addRows(other, QStringLiteral("乙"), 7));
    QVERIFY(convertPageSize(other, backupPage));
    const store::Status restored = admin::restoreDatabaseFile(other, data.databasePath());
    QVERIFY2(restored.ok(), qPrintable(restored.ok() ? QString() : restored.error().description));
    QCOMPARE(content(data.databasePath()), content(other));
    QCOMPARE(content(data.databasePath()).value(store::table::kPrescriptions).size(), 37);
    QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
    QCOMPARE(leftovers(data.dataDir()), QStringList());
    QCOMPARE(leftovers(data.root()), QStringList());
}

void TestCopyFaults::restore_overMissingOrBrokenFile_data() {
    QTest::addColumn<QByteArray>("file"); // what stands at the database path; "-" for nothing
    QTest::addColumn<QByteArray>("journal");
    QTest::newRow("missing") << QByteArray("-") << QByteArray();
    QTest::newRow("empty, with a journal") << QByteArray() << QByteArray(4096, 'j');
    QTest::newRow("garbage") << QByteArray(10000, 'x') << QByteArray();
}

void TestCopyFaults::restore_overMissingOrBrokenFile() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, journal);
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("方"), 12));
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    QVERIFY(QFile::remove(data.databasePath()));
    if (file != "-") {
        QVERIFY(testing::writeFile(data.databasePath(), file));
    }
    if (!journal.isEmpty()) {
        QVERIFY(testing::writeFile(data.databasePath() + QStringLiteral("-journal"), journal));
    }
    const store::Status restored = admin::restoreDatabaseFile(backup, data.databasePath());
    QVERIFY2(restored.ok(), qPrintable(restored.ok() ? QString() : restored.error().description));
    QCOMPARE(content(data.databasePath()), content(backup));
    QCOMPARE(leftovers(data.dataDir()), QStringList());
}

void TestCopyFaults::copy_ontoItself_refused() {
    testing::TestDataDir data;
    QVERIFY(addRows(data.databasePath(), QStringLiteral("方"), 3));
    const Content before = content(data.databasePath());
    const QString sameByOtherName = data.dataDir() + QStringLiteral("/../qxdata/vizi.mdb");
    const store::Status backedUp = admin::backupDatabaseFile(data.databasePath(), sameByOtherName);
    QVERIFY(!backedUp.ok());
    QCOMPARE(backedUp.error().number, store::kErrorSameFile);
    const store::Status restored = admin::restoreDatabaseFile(sameByOtherName, data.databasePath());
    QVERIFY(!restored.ok());
    QCOMPARE(restored.error().number, store::kErrorSameFile);
    QCOMPARE(content(data.databasePath()), before);
}

void TestCopyFaults::backup_refusesSourceThatIsNoDatabase_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero length") << QByteArray();
    QTest::newRow("garbage") << QByteArray(8192, '\x5a');
}

void TestCopyFaults::backup_refusesSourceThatIsNoDatabase() {
    QFETCH(QByteArray, bytes);
    testing::TestDataDir data;
    QVERIFY(testing::writeFile(data.databasePath(), bytes));
    // An earlier good backup at the target stays as it was.
    const QString target = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/vizi.mdb"), target));
    const QByteArray before = testing::readFile(target);
    const store::Status s = admin::backupDatabaseFile(data.databasePath(), target);
    QVERIFY(!s.ok());
    QVERIFY2(s.error().description.startsWith(QStringLiteral("系统数据已损坏，不能备份。")),
             qPrintable(s.error().description));
    QCOMPARE(testing::readFile(target), before);
    QCOMPARE(leftovers(data.root()), QStringList());
}

void TestCopyFaults::leftovers_onlyOwnNamesRemoved() {
    testing::TestDataDir data;
    const QString dir = data.root();
    struct File {
        QString name;
        QByteArray bytes;
        bool removed;
    };
    const QList<File> files = {
        {QStringLiteral("b.mdb.fangji-Ab12Cd"), QByteArray(100, 'x'), true},
        {QStringLiteral("b.mdb.fangji-Ab12Cd-journal"), QByteArray(10, 'j'), true},
        {QStringLiteral("b.mdb.Qw12Er"), QByteArray(), true},                // an empty copy of an earlier version
        {QStringLiteral("b.mdb.Zx34Cv"), QByteArray(100, 'x'), true},        // with its journal
        {QStringLiteral("b.mdb.Zx34Cv-journal"), QByteArray(10, 'j'), true}, //
        {QStringLiteral("b.mdb.Lo56Nm-journal"), QByteArray(10, 'j'), true}, // a journal of nothing
        {QStringLiteral("b.mdb.backup"), QByteArray(100, 'u'), false},       // the user's own files
        {QStringLiteral("b.mdb.old"), QByteArray(), false},
        {QStringLiteral("c.mdb.fangji-Ab12Cd"), QByteArray(100, 'x'), false}, // another target's
        {QStringLiteral("b.mdb"), QByteArray(100, 'u'), false},
    };
    for (const File& f : files) {
        QVERIFY(testing::writeFile(dir + u'/' + f.name, f.bytes));
    }
    store::removeCopyLeftovers(dir + QStringLiteral("/b.mdb"));
    for (const File& f : files) {
        QVERIFY2(QFile::exists(dir + u'/' + f.name) != f.removed, qPrintable(f.name));
    }
}

// fangji-cli's add, import and dictionary build killed at random points, a dozen times
// each, and a restore after each kill: the file is then exactly the backup.
void TestCopyFaults::killedWrites_thenRestore_giveBackupExactly() {
    BackedUpData fixture;
    QVERIFY(fixture.made);
    const testing::TestDataDir& data = fixture.data;
    const QString& folder = fixture.folder;
    const QString& backup = fixture.backup;
    const Content expected = content(backup);
    QCOMPARE(expected.value(store::table::kPrescriptions).size(), 1500);

    const QString input = data.root() + QStringLiteral("/add.jsonl");
    QVERIFY(testing::writeFile(input, jsonLines(QStringLiteral("新增方"), 3000)));
    const QString source = data.root() + QStringLiteral("/source.mdb");
    QVERIFY(writeImportSource(source, 3000));

    const quint32 seed = qEnvironmentVariableIsSet("FANGJI_FAULT_SEED")
                             ? qEnvironmentVariable("FANGJI_FAULT_SEED").toUInt()
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (FANGJI_FAULT_SEED repeats it)", seed);
    QRandomGenerator random(seed);
    const QList<QStringList> commands = {{QStringLiteral("add"), input},
                                         {QStringLiteral("import"), source},
                                         {QStringLiteral("dict"), QStringLiteral("build")}};
    int interrupted = 0;
    for (const QStringList& command : commands) {
        // One run to the end tells how long the command takes; the kills fall within it.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(runCli(data.dataDir(), command).status, 0);
        const int span = qMax(20, static_cast<int>(timer.elapsed()));
        for (int round = 0; round <= 12; ++round) {
            if (round > 0) {
                const int delay = static_cast<int>(random.bounded(span + span / 10));
                interrupted += runCliKilledAfter(data.dataDir(), command, delay) ? 1 : 0;
            }
            const Run restore = runCli(data.dataDir(), {QStringLiteral("restore"), backup});
            QVERIFY2(restore.status == 0, qPrintable(command.join(u' ') + u' ' + restore.err));
            QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
            QVERIFY2(content(data.databasePath()) == expected, qPrintable(command.join(u' ')));
            QCOMPARE(leftovers(data.dataDir()), QStringList());
        }
    }
    QVERIFY2(interrupted > 0, "no command was interrupted");
    qInfo("%d of 36 runs killed while running", interrupted);
    QCOMPARE(leftovers(folder), QStringList());
}

// Backups and restores killed at random points leave no temporary copy once the next
// one has run, and the file is always whole: its old content or the backup's.
void TestCopyFaults::killedCopies_leaveNothingBehind() {
    BackedUpData fixture;
    QVERIFY(fixture.made);
    const testing::TestDataDir& data = fixture.data;
    const QString& folder = fixture.folder;
    const QString& backup = fixture.backup;
    const Content backedUp = content(backup);

    QRandomGenerator random(QRandomGenerator::global()->generate());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(runCli(data.dataDir(), {QStringLiteral("backup"), folder + QStringLiteral("/c.mdb")}).status, 0);
    const int span = qMax(20, static_cast<int>(timer.elapsed()));
    for (int round = 0; round < 6; ++round) {
        runCliKilledAfter(data.dataDir(), {QStringLiteral("backup"), backup}, random.bounded(span));
        QCOMPARE(runCli(data.dataDir(), {QStringLiteral("backup"), backup}).status, 0);
        QCOMPARE(leftovers(folder), QStringList());
        QCOMPARE(content(backup), backedUp);
    }
    for (int round = 0; round < 6; ++round) {
        QVERIFY(addRows(data.databasePath(), QStringLiteral("轮%1-").arg(round), 1));
        const Content before = content(data.databasePath());
        runCliKilledAfter(data.dataDir(), {QStringLiteral("restore"), backup}, random.bounded(span));
        const Content now = content(data.databasePath());
        QVERIFY(now == before || now == backedUp);
        QCOMPARE(integrity(data.databasePath()), QStringLiteral("ok"));
        QCOMPARE(runCli(data.dataDir(), {QStringLiteral("restore"), backup}).status, 0);
        QCOMPARE(content(data.databasePath()), backedUp);
        QCOMPARE(leftovers(data.dataDir()), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestCopyFaults)
#include "test_copy_faults.moc"
