// Backup and restore, the background picture and the import: the store operations
// without windows, then the windows Frmcopy, FrmJczl and FrmLinkDb driven by name.

#include "admin/background_form.h"
#include "admin/backup_form.h"
#include "admin/backup_restore.h"
#include "admin/import_form.h"
#include "admin/picture_store.h"
#include "admin/prescription_import.h"
#include "admin/stored_picture.h"

#include "platform/busy.h"
#include "platform/kept_size.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/schema.h"

#include "fake_clock.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMovie>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <set>

using namespace fangji;
using fangji::testing::child;
using fangji::testing::randomBytes;
using fangji::testing::ScriptedPrompts;
using fangji::testing::TestDataDir;
using fangji::testing::writeFile;
using platform::Icon;

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QList<QStringList> prescriptions(const QString& dbPath) {
    auto db = store::Database::open(dbPath, store::kMainConnect);
    if (!db) {
        return {{QStringLiteral("<cannot open>"), store::errorReport(db.error(), store::ReportLines::One)}};
    }
    return testing::rows(*db, QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid"));
}

QStringList prescription(const QString& name) {
    return {name,
            name + QStringLiteral("构成"),
            QStringLiteral("补气"),
            QStringLiteral("气虚"),
            QStringLiteral("水煎服"),
            QStringLiteral("《方剂学》"),
            QStringLiteral("临床"),
            QStringLiteral("心得")};
}

// An import source: table zyfj with the seven columns (a null QString stores NULL),
// and a stored query of its own that must survive the import.
bool makeSource(const QString& path, const QList<QStringList>& rows, const QString& connect = store::kImportConnect,
                bool withTable = true) {
    auto db = store::Database::create(path, connect);
    if (!db) {
        return false;
    }
    if (!testing::exec(*db, QStringLiteral("CREATE TABLE other (x TEXT)")) ||
        !testing::exec(*db, QStringLiteral("CREATE VIEW mine AS SELECT x FROM other"))) {
        return false;
    }
    if (!withTable) {
        return true;
    }
    if (!testing::exec(*db, QStringLiteral("CREATE TABLE zyfj (fjmc TEXT, fjgc TEXT, fjgy TEXT, fjzz TEXT, "
                                           "fjyf TEXT, fjly TEXT, fjxd TEXT)"))) {
        return false;
    }
    if (!db->begin()) {
        return false;
    }
    for (const QStringList& row : rows) {
        auto stmt = db->prepareNative(QStringLiteral("INSERT INTO zyfj VALUES(?1,?2,?3,?4,?5,?6,?7)"));
        if (!stmt) {
            return false;
        }
        for (int c = 0; c < 7; ++c) {
            const QString v = c < row.size() ? row[c] : QStringLiteral("x");
            (void)stmt->bind(c + 1, v.isNull() ? QVariant() : QVariant(v));
        }
        if (!stmt->step()) {
            return false;
        }
    }
    return db->commit().ok();
}

QStringList sourceRow(const QString& name, const QString& notes = QStringLiteral("心得")) {
    return {name,
            QStringLiteral("人参 9g"),
            QStringLiteral("益气"),
            QStringLiteral("气虚证"),
            QStringLiteral("水煎服"),
            QStringLiteral("《伤寒论》"),
            notes};
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    // ---- window sizes and keys
    void windows_resizableAndKeepTheirSize_escLeaves_data();
    void windows_resizableAndKeepTheirSize_escLeaves();

    // ---- store operations
    void backup_replacesExistingFile_copyOpensWithKey();
    void backup_whileHeldOpen_copiesCommittedState();
    void restore_bringsRowsBack();
    void restore_refusesForeignFiles_data();
    void restore_refusesForeignFiles();
    void storePictureFile_chunks_data();
    void storePictureFile_chunks();
    void import_keepsValuesIntact_blankInClinical();
    void import_twice_addsNothingSecondTime();
    void import_failures_data();
    void import_failures();
    void import_letsEventsRunThrottled();
    void import_manyBatches_sameRowsAndCounts_nullEndsIt_data();
    void import_manyBatches_sameRowsAndCounts_nullEndsIt();

    // ---- Frmcopy
    void copyWindow_modesChangeCaptionsAndEmptyPath_data();
    void copyWindow_modesChangeCaptionsAndEmptyPath();
    void fileFilters_showPatternsOnce_data();
    void fileFilters_showPatternsOnce();
    void copyWindow_backupName_proposedAndCompleted_data();
    void copyWindow_backupName_proposedAndCompleted();
    void copyWindow_emptyPathRefused();
    void copyWindow_missingDatabaseRefused();
    void copyWindow_backupPausesFiveSecondsWithButtonsHidden();
    void copyWindow_restoreBringsRowsBack();
    void copyWindow_restoreRefusesForeignFile();
    void copyWindow_restoreWhileFileInUse_refusedChangingNothing();
    void copyWindow_copyErrorReported();
    void animationIsPlayable();

    // ---- FrmJczl / FrmPict
    void pictureWindow_storesChosenPicture_showsAtOnceAndAfterRestart();
    void pictureWindow_zeroLengthFileReported();
    void pictureWindow_notAPictureReportedAndNotStored();
    void pictureWindow_confirmWithoutChoice_storesNothing();

    // ---- FrmLinkDb
    void importWindow_popupMenuKinds();
    void importWindow_emptyPathDoesNothing();
    void importWindow_importReportsCounts_buttonsDisabledMeanwhile();
    void importWindow_errorReported_buttonsEnabledAgain();
    void backup_whileAnotherConnectionWrites_isTheCommittedFileAsItStands();

private:
    void cleanup() { platform::setArrowPointer(); }
};

// ----------------------------------------------------------------- store operations

void TestFiles::backup_replacesExistingFile_copyOpensWithKey() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("四君子汤"))));
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("O'Brien's 汤"))));
    }
    const QString target = data.root() + QStringLiteral("/备份.mdb");
    QVERIFY(writeFile(target, "an older file that must be replaced"));

    const store::Status s = admin::backupDatabaseFile(data.databasePath(), target);
    QVERIFY2(s.ok(), s.ok() ? "" : qPrintable(s.error().description));
    QCOMPARE(prescriptions(target), prescriptions(data.databasePath()));
    QCOMPARE(prescriptions(target).size(), 2);
    QVERIFY(admin::checkSystemDatabase(target, store::kMainConnect).ok());
    // Nothing is left beside the target.
    QCOMPARE(QDir(data.root()).entryList(QDir::Files), QStringList{QStringLiteral("备份.mdb")});
}

void TestFiles::backup_whileHeldOpen_copiesCommittedState() {
    TestDataDir data;
    auto writer = data.open();
    QVERIFY(testing::addPrescription(writer, prescription(QStringLiteral("已提交"))));
    QVERIFY(writer.begin().ok());
    QVERIFY(testing::addPrescription(writer, prescription(QStringLiteral("未提交"))));

    const QString target = data.root() + QStringLiteral("/copy.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), target).ok());
    QVERIFY(writer.commit().ok());

    const auto copied = prescriptions(target);
    QCOMPARE(copied.size(), 1);
    QCOMPARE(copied.first().first(), QStringLiteral("已提交"));
}

void TestFiles::restore_bringsRowsBack() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("六味地黄丸"))));
    }
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    const auto saved = prescriptions(data.databasePath());
    {
        auto db = data.open();
        QVERIFY(testing::exec(db, QStringLiteral("DELETE FROM 中医方剂")));
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("后来的"))));
    }
    QVERIFY(admin::restoreDatabaseFile(backup, data.databasePath()).ok());
    QCOMPARE(prescriptions(data.databasePath()), saved);
    QVERIFY(QFile::exists(backup));
}

void TestFiles::restore_refusesForeignFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file") << "text";
    QTest::newRow("database with another key") << "otherKey";
    QTest::newRow("database without the system's tables") << "noTables";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("empty file") << "empty";
}

void TestFiles::restore_refusesForeignFiles() {
    QFETCH(QString, kind);
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("保留"))));
    }
    const QString source = data.root() + QStringLiteral("/source.mdb");
    if (kind == QStringLiteral("text")) {
        QVERIFY(writeFile(source, QByteArray("not a database at all\n").repeated(100)));
    } else if (kind == QStringLiteral("otherKey")) {
        // Every table of the system, but under another key.
        auto main = data.open();
        auto other = store::Database::create(source, store::kImportConnect);
        QVERIFY(other.ok());
        const auto tables = testing::rows(main, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table'"));
        QCOMPARE(tables.size(), 8);
        for (const QStringList& t : tables) {
            QVERIFY(testing::exec(*other, t.first()));
        }
    } else if (kind == QStringLiteral("noTables")) {
        auto db = store::Database::create(source, store::kMainConnect);
        QVERIFY(db.ok());
        QVERIFY(testing::exec(*db, QStringLiteral("CREATE TABLE 中医方剂 (名称 TEXT)")));
    } else if (kind == QStringLiteral("empty")) {
        QVERIFY(writeFile(source, QByteArray()));
    }
    const QByteArray before = fileHash(data.databasePath());

    QVERIFY(!admin::checkSystemDatabase(source, store::kMainConnect).ok());
    QVERIFY(!admin::restoreDatabaseFile(source, data.databasePath()).ok());
    QCOMPARE(fileHash(data.databasePath()), before);
    QCOMPARE(prescriptions(data.databasePath()).size(), 1);
}

void TestFiles::storePictureFile_chunks_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<qsizetype>>("chunks");
    QTest::newRow("10,000 bytes") << 10000 << QList<qsizetype>{4096, 4096, 1808};
    QTest::newRow("8,192 bytes") << 8192 << QList<qsizetype>{4096, 4096};
    QTest::newRow("one byte") << 1 << QList<qsizetype>{1};
    QTest::newRow("one short of a piece") << 4095 << QList<qsizetype>{4095};
    QTest::newRow("one over a piece") << 4097 << QList<qsizetype>{4096, 1};
}

void TestFiles::storePictureFile_chunks() {
    QFETCH(int, size);
    QFETCH(QList<qsizetype>, chunks);
    TestDataDir data;
    {
        // An older picture is replaced, not appended to.
        auto db = data.open();
        QVERIFY(testing::exec(db, QStringLiteral("DELETE FROM 系统资料")));
        QVERIFY(testing::exec(db, QStringLiteral("INSERT INTO 系统资料 (\"00\", \"03\") VALUES ('keep', x'0102')")));
    }
    const QString file = data.root() + QStringLiteral("/pic.bin");
    const QByteArray bytes = randomBytes(size, static_cast<quint32>(size));
    QVERIFY(writeFile(file, bytes));

    auto stored = admin::saveBackgroundPicture(data.databasePath(), file);
    QVERIFY2(stored.ok(), stored.ok() ? "" : qPrintable(stored.error().description));
    QCOMPARE(stored->emptyFile, false);
    QCOMPARE(stored->chunks, chunks);

    auto read = admin::readStoredPictureBytes(data.databasePath());
    QVERIFY(read.ok());
    QCOMPARE(read->size(), bytes.size());
    QVERIFY(*read == bytes);
    auto db = data.open();
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT \"00\" FROM 系统资料")), QList<QStringList>{{"keep"}});
}

void TestFiles::import_keepsValuesIntact_blankInClinical() {
    TestDataDir data;
    const QString source = data.root() + QStringLiteral("/src.mdb");
    const QList<QStringList> rows{
        {QStringLiteral("O'Neil's 方"), QStringLiteral("a'b''c"), QStringLiteral("line1\r\nline2"),
         QStringLiteral("'); DROP TABLE 中医方剂; --"), QStringLiteral("100%_*?[#]"), QStringLiteral("  padded  "),
         QStringLiteral("末'")},
        sourceRow(QStringLiteral("桂枝汤"), QStringLiteral("多行\n心得")),
        sourceRow(QStringLiteral("")),
    };
    QVERIFY(makeSource(source, rows));
    const QByteArray sourceBefore = fileHash(source);

    auto counts = admin::importPrescriptions(data.databasePath(), source);
    QVERIFY2(counts.ok(), counts.ok() ? "" : qPrintable(counts.error().description));
    QCOMPARE(counts->added, 3);
    QCOMPARE(counts->present, 0);

    const auto stored = prescriptions(data.databasePath());
    QCOMPARE(stored.size(), rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList expected{rows[r][0], rows[r][1], rows[r][2],          rows[r][3],
                                   rows[r][4], rows[r][5], QStringLiteral(" "), rows[r][6]};
        QCOMPARE(stored[r], expected);
    }
    // The source is read, never written: its own stored query survives.
    QCOMPARE(fileHash(source), sourceBefore);
    auto db = store::Database::open(source, store::kImportConnect);
    QVERIFY(db.ok());
    QCOMPARE(*db->queryDefNames(), QStringList{QStringLiteral("mine")});
}

void TestFiles::import_twice_addsNothingSecondTime() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("桂枝汤"))));
    }
    const QString source = data.root() + QStringLiteral("/src.mdb");
    QVERIFY(makeSource(source, {sourceRow(QStringLiteral("麻黄汤")), sourceRow(QStringLiteral("桂枝汤")),
                                sourceRow(QStringLiteral("小柴胡汤"))}));

    auto first = admin::importPrescriptions(data.databasePath(), source);
    QVERIFY(first.ok());
    QCOMPARE(first->added, 2);
    QCOMPARE(first->present, 1);
    const auto afterFirst = prescriptions(data.databasePath());
    QCOMPARE(afterFirst.size(), 3);

    auto second = admin::importPrescriptions(data.databasePath(), source);
    QVERIFY(second.ok());
    QCOMPARE(second->added, 0);
    QCOMPARE(second->present, 3);
    QCOMPARE(prescriptions(data.databasePath()), afterFirst);
}

void TestFiles::import_failures_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("imported");
    QTest::newRow("no table zyfj") << "noTable" << 1 << 0;
    QTest::newRow("wrong key") << "wrongKey" << 26 << 0;
    QTest::newRow("not a database") << "text" << 26 << 0;
    QTest::newRow("missing file") << "missing" << 14 << 0;
    QTest::newRow("empty zyfj") << "empty" << admin::kImportNoRecord << 0;
    QTest::newRow("null first name") << "nullFirst" << admin::kImportNoRecord << 0;
    QTest::newRow("null in second row") << "nullLater" << admin::kImportNullValue << 1;
    QTest::newRow("missing column") << "missingColumn" << 1 << 0;
}

void TestFiles::import_failures() {
    QFETCH(QString, kind);
    QFETCH(int, number);
    QFETCH(int, imported);
    TestDataDir data;
    const QString source = data.root() + QStringLiteral("/src.mdb");
    if (kind == QStringLiteral("noTable")) {
        QVERIFY(makeSource(source, {}, store::kImportConnect, false));
    } else if (kind == QStringLiteral("wrongKey")) {
        QVERIFY(makeSource(source, {sourceRow(QStringLiteral("甲"))}, store::kMainConnect));
    } else if (kind == QStringLiteral("text")) {
        QVERIFY(writeFile(source, QByteArray(4096, 'x')));
    } else if (kind == QStringLiteral("empty")) {
        QVERIFY(makeSource(source, {}));
    } else if (kind == QStringLiteral("nullFirst")) {
        QVERIFY(makeSource(source, {{QString(), "b", "c", "d", "e", "f", "g"}, sourceRow(QStringLiteral("乙"))}));
    } else if (kind == QStringLiteral("nullLater")) {
        QVERIFY(makeSource(source, {sourceRow(QStringLiteral("甲")),
                                    {"乙", "b", "c", "d", "e", "f", QString()},
                                    sourceRow(QStringLiteral("丙"))}));
    } else if (kind == QStringLiteral("missingColumn")) {
        auto db = store::Database::create(source, store::kImportConnect);
        QVERIFY(db.ok());
        QVERIFY(testing::exec(*db, QStringLiteral("CREATE TABLE zyfj (fjmc TEXT, fjgc TEXT)")));
        QVERIFY(testing::exec(*db, QStringLiteral("INSERT INTO zyfj VALUES ('a', 'b')")));
    }
    auto counts = admin::importPrescriptions(data.databasePath(), source);
    QVERIFY(!counts.ok());
    QCOMPARE(counts.error().number, number);
    QVERIFY(!counts.error().description.isEmpty());
    const auto stored = prescriptions(data.databasePath());
    QCOMPARE(stored.size(), imported);
    if (imported > 0) {
        QCOMPARE(stored.first().first(), QStringLiteral("甲"));
    }
}

void TestFiles::import_letsEventsRunThrottled() {
    TestDataDir data;
    const QString source = data.root() + QStringLiteral("/src.mdb");
    QList<QStringList> rows;
    for (int i = 0; i < 600; ++i) {
        rows << sourceRow(QStringLiteral("方%1").arg(i));
    }
    QVERIFY(makeSource(source, rows));
    int calls = 0;
    auto counts = admin::importPrescriptions(data.databasePath(), source, [&calls] { ++calls; });
    QVERIFY(counts.ok());
    QCOMPARE(counts->added, 600);
    // Once at the start and once every 256 rows: never once per row.
    QCOMPARE(calls, 3);
}

// The source is read ahead in batches while rows are inserted: every row arrives once and
// in order, the counts and a Null's row number are those of the rows themselves, and the
// rows before a Null stay imported, wherever the batches end.
void TestFiles::import_manyBatches_sameRowsAndCounts_nullEndsIt_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("nullAt"); // -1: none
    const int batch = admin::kImportBatchRows;
    QTest::newRow("one batch exactly") << batch << -1;
    QTest::newRow("two batches and one row") << 2 * batch + 1 << -1;
    QTest::newRow("null last of the first batch") << 2 * batch << batch - 1;
    QTest::newRow("null first of the second batch") << 2 * batch << batch;
    QTest::newRow("null in the last row") << 2 * batch + 1 << 2 * batch;
    QTest::newRow("null in the second row") << batch + 5 << 1;
}

void TestFiles::import_manyBatches_sameRowsAndCounts_nullEndsIt() {
    QFETCH(int, rows);
    QFETCH(int, nullAt);
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("方7"))));
    }
    // Every hundredth row repeats a name before it, and row 300 the stored one.
    QList<QStringList> source;
    for (int i = 0; i < rows; ++i) {
        const int number = i == 300 ? 7 : (i % 100 == 99 ? i - 50 : 1000 + i);
        QStringList row = sourceRow(QStringLiteral("方%1").arg(number), QStringLiteral("心得%1").arg(i));
        if (i == nullAt) {
            row[6] = QString();
        }
        source << row;
    }
    const QString path = data.root() + QStringLiteral("/src.mdb");
    QVERIFY(makeSource(path, source));

    QList<QStringList> expected = prescriptions(data.databasePath());
    std::set<QString> names{QStringLiteral("方7")};
    int added = 0;
    int present = 0;
    for (int i = 0; i < (nullAt < 0 ? rows : nullAt); ++i) {
        const QStringList& r = source[i];
        if (names.insert(r[0]).second) {
            expected << QStringList{r[0], r[1], r[2], r[3], r[4], r[5], QStringLiteral(" "), r[6]};
            ++added;
        } else {
            ++present;
        }
    }
    auto counts = admin::importPrescriptions(data.databasePath(), path);
    if (nullAt < 0) {
        QVERIFY2(counts.ok(), counts.ok() ? "" : qPrintable(counts.error().description));
        QCOMPARE(counts->added, added);
        QCOMPARE(counts->present, present);
    } else {
        QVERIFY(!counts.ok());
        QCOMPARE(counts.error().number, admin::kImportNullValue);
        QCOMPARE(counts.error().description,
                 QStringLiteral("源数据第 %1 条记录的 fjxd 为空值（Null）。").arg(nullAt + 1));
    }
    QCOMPARE(prescriptions(data.databasePath()), expected);
}

// ----------------------------------------------------------------- Frmcopy

void TestFiles::copyWindow_modesChangeCaptionsAndEmptyPath_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("caption");
    QTest::newRow("restore") << "Optcove"
                             << "数据恢复";
    QTest::newRow("backup") << "Optsave"
                            << "数据备份";
}

void TestFiles::copyWindow_modesChangeCaptionsAndEmptyPath() {
    QFETCH(QString, option);
    QFETCH(QString, caption);
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    auto* copy = child<QPushButton>(form, "Cmdcopy");
    QCOMPARE(copy->text(), QStringLiteral("保存数据&B"));
    QVERIFY(child<QRadioButton>(form, "Optsave")->isChecked());
    QVERIFY(!child<QLabel>(form, "Aniplay")->isVisible());
    auto* path = child<QLineEdit>(form, "Txtpath");
    path->setText(QStringLiteral("/tmp/x.mdb"));

    QTest::mouseClick(child<QRadioButton>(form, option), Qt::LeftButton);
    QCOMPARE(copy->text(), caption);
    QCOMPARE(path->text(), QString());
    QCOMPARE(child<QPushButton>(form, "CmdPath")->text(), QStringLiteral("选择名称及路径"));
    QVERIFY(child<QRadioButton>(form, option)->isChecked());

    // The dialog fits the mode: save for a backup, open for a restore; the name is trimmed.
    if (option == QStringLiteral("Optsave")) {
        prompts.expectSaveFile(QStringLiteral("  /tmp/备份.mdb "));
    } else {
        prompts.expectOpenFile(QStringLiteral("  /tmp/备份.mdb "));
    }
    QTest::mouseClick(child<QPushButton>(form, "CmdPath"), Qt::LeftButton);
    QCOMPARE(path->text(), QStringLiteral("/tmp/备份.mdb"));
    QCOMPARE(prompts.lastDialogFilter(), QStringLiteral("数据库文件(*.mdb)|*.mdb|所有文件(*)|*"));
    FANGJI_VERIFY_PROMPTS(prompts);
    // Closing by the frame gives the menus back as 退出 does.
    QVERIFY(form->close());
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

void TestFiles::fileFilters_showPatternsOnce_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shown");
    QTest::newRow("database") << "数据库文件(*.mdb)|*.mdb|所有文件(*)|*"
                              << "数据库文件 (*.mdb);;所有文件 (*)";
    QTest::newRow("pictures") << "图片文件(*.bmp,*.jpg)|*.jpg;*.bmp"
                              << "图片文件 (*.jpg *.bmp)";
    QTest::newRow("no patterns in the description") << "文本|*.txt"
                                                    << "文本 (*.txt)";
}

void TestFiles::fileFilters_showPatternsOnce() {
    QFETCH(QString, filter);
    QFETCH(QString, shown);
    QCOMPARE(platform::qtFilter(filter), shown);
}

void TestFiles::copyWindow_backupName_proposedAndCompleted_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("path");
    QTest::newRow("no extension gains .mdb") << "/tmp/周一备份"
                                             << "/tmp/周一备份.mdb";
    QTest::newRow(".mdb kept") << "/tmp/周一备份.mdb"
                               << "/tmp/周一备份.mdb";
    QTest::newRow("another extension kept") << "/tmp/周一备份.bak"
                                            << "/tmp/周一备份.bak";
    QTest::newRow("cancelled") << ""
                               << "";
}

void TestFiles::copyWindow_backupName_proposedAndCompleted() {
    QFETCH(QString, typed);
    QFETCH(QString, path);
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeClock clock;
    clock.setNow(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    prompts.expectSaveFile(typed);
    QTest::mouseClick(child<QPushButton>(form, "CmdPath"), Qt::LeftButton);
    FANGJI_VERIFY_PROMPTS(prompts);
    QCOMPARE(QFileInfo(prompts.lastDialogFolder()).fileName(), QStringLiteral("vizi-2026-12-08.mdb"));
    QCOMPARE(child<QLineEdit>(form, "Txtpath")->text(), path);
    delete form.data();
}

void TestFiles::copyWindow_emptyPathRefused() {
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    child<QLineEdit>(form, "Txtpath")->setText(QStringLiteral("   "));
    prompts.expectMessage(QStringLiteral("选择要备份或恢复的文件"), Icon::None);
    const QByteArray before = fileHash(data.databasePath());
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QTRY_VERIFY(child<QPushButton>(form, "CmdPath")->hasFocus());
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    QCOMPARE(fileHash(data.databasePath()), before);
    delete form.data();
}

void TestFiles::copyWindow_missingDatabaseRefused() {
    TestDataDir data;
    QVERIFY(QFile::remove(data.databasePath()));
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    const QString target = data.root() + QStringLiteral("/copy.mdb");
    child<QLineEdit>(form, "Txtpath")->setText(target);
    prompts.expectMessage(QStringLiteral("系统数据丢失，不能备份。"), Icon::Information);
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    QVERIFY(child<QPushButton>(form, "Cmdexit")->isVisible());
    QVERIFY(!child<QLabel>(form, "Aniplay")->isVisible());
    QVERIFY(!QFile::exists(target));
    QVERIFY(!form->isCopying());
    child<QPushButton>(form, "Cmdexit")->click();
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

void TestFiles::copyWindow_backupPausesFiveSecondsWithButtonsHidden() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("四物汤"))));
    }
    ScriptedPrompts prompts;
    testing::FakeClock clock;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    const QString target = data.root() + QStringLiteral("/copy.mdb");
    QVERIFY(writeFile(target, "old"));
    child<QLineEdit>(form, "Txtpath")->setText(target);

    auto* copy = child<QPushButton>(form, "Cmdcopy");
    auto* exit = child<QPushButton>(form, "Cmdexit");
    auto* ani = child<QLabel>(form, "Aniplay");
    // While the animation shows, fake time moves on by a second at each look.
    struct Look {
        qint64 ms;
        bool buttonsShown;
        bool running;
    };
    QList<Look> looks;
    bool closeRefused = false;
    QTimer observer;
    observer.setInterval(0);
    connect(&observer, &QTimer::timeout, this, [&] {
        if (!ani->isVisible()) {
            return;
        }
        looks << Look{clock.monotonicMs(), copy->isVisible() || exit->isVisible(),
                      ani->movie() && ani->movie()->state() == QMovie::Running};
        if (looks.size() == 1) {
            // The frame's close box is refused while the copy runs.
            closeRefused = !form->close();
        }
        clock.advance(1000);
    });
    const qint64 start = clock.monotonicMs();
    observer.start();
    copy->click();
    observer.stop();

    // Hidden buttons and a running animation through the whole five seconds, buttons back only after.
    QList<qint64> hiddenSeconds;
    for (const Look& look : looks) {
        const qint64 elapsed = look.ms - start;
        if (elapsed < 5000) {
            QVERIFY2(!look.buttonsShown, qPrintable(QString::number(elapsed)));
            QVERIFY2(look.running, qPrintable(QString::number(elapsed)));
            hiddenSeconds << elapsed;
        }
    }
    QCOMPARE(hiddenSeconds, (QList<qint64>{0, 1000, 2000, 3000, 4000}));
    QVERIFY(closeRefused);
    QCOMPARE(session.unlockCount, 0);
    QVERIFY(copy->isVisible());
    QVERIFY(exit->isVisible());
    QVERIFY(!ani->isVisible());
    QCOMPARE(child<QLineEdit>(form, "Txtpath")->text(), QString());
    QCOMPARE(prescriptions(target), prescriptions(data.databasePath()));
    QCOMPARE(prescriptions(target).size(), 1);
    FANGJI_VERIFY_PROMPTS(prompts);
    delete form.data();
}

void TestFiles::copyWindow_restoreBringsRowsBack() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("逍遥散"))));
    }
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    const auto saved = prescriptions(data.databasePath());
    {
        auto db = data.open();
        QVERIFY(testing::exec(db, QStringLiteral("DELETE FROM 中医方剂")));
    }
    ScriptedPrompts prompts;
    testing::FakeClock clock;
    clock.setAutoStep(100);
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    QTest::mouseClick(child<QRadioButton>(form, "Optcove"), Qt::LeftButton);
    prompts.expectOpenFile(backup);
    QTest::mouseClick(child<QPushButton>(form, "CmdPath"), Qt::LeftButton);
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QCOMPARE(prescriptions(data.databasePath()), saved);
    QCOMPARE(child<QLineEdit>(form, "Txtpath")->text(), QString());
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    delete form.data();
}

void TestFiles::copyWindow_restoreRefusesForeignFile() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("保留"))));
    }
    const QString source = data.root() + QStringLiteral("/source.mdb");
    QVERIFY(writeFile(source, QByteArray("plain text, not a database").repeated(50)));
    const QByteArray before = fileHash(data.databasePath());
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    QTest::mouseClick(child<QRadioButton>(form, "Optcove"), Qt::LeftButton);
    child<QLineEdit>(form, "Txtpath")->setText(source);
    prompts.expectMessage(admin::BackupForm::kNotOurDatabase, Icon::Exclamation);
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QCOMPARE(fileHash(data.databasePath()), before);
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    QVERIFY(child<QPushButton>(form, "Cmdexit")->isVisible());
    QVERIFY(!child<QLabel>(form, "Aniplay")->isVisible());
    delete form.data();
}

void TestFiles::copyWindow_restoreWhileFileInUse_refusedChangingNothing() {
    TestDataDir data;
    const QString backup = data.root() + QStringLiteral("/b.mdb");
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), backup).ok());
    // Another connection's open write: the restore waits for it, then gives up.
    auto writer = data.open();
    QVERIFY(testing::exec(writer, QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(testing::addPrescription(writer, prescription(QStringLiteral("写入中"))));
    ScriptedPrompts prompts;
    testing::FakeClock clock;
    clock.setAutoStep(100);
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    QTest::mouseClick(child<QRadioButton>(form, "Optcove"), Qt::LeftButton);
    child<QLineEdit>(form, "Txtpath")->setText(backup);
    prompts.expectMessage(QStringLiteral("数据文件正在使用，不能恢复。"), Icon::Exclamation);
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    QVERIFY(!child<QLabel>(form, "Aniplay")->isVisible());
    QVERIFY(writer.commit().ok());
    writer.close();
    const auto names = prescriptions(data.databasePath());
    QCOMPARE(names.size(), 1);
    QCOMPARE(names.first().first(), QStringLiteral("写入中"));
    delete form.data();
}

void TestFiles::copyWindow_copyErrorReported() {
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackupForm> form = new admin::BackupForm(session);
    form->show();
    const QString target = data.root() + QStringLiteral("/missing/folder/copy.mdb");
    child<QLineEdit>(form, "Txtpath")->setText(target);
    const store::Status expected = admin::backupDatabaseFile(data.databasePath(), target);
    QVERIFY(!expected.ok());
    prompts.expectMessage(store::errorReport(expected.error(), store::ReportLines::Two), Icon::None);
    child<QPushButton>(form, "Cmdcopy")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(prompts.shown().first().contains(QStringLiteral("\r\n错误内容：")));
    QVERIFY(child<QPushButton>(form, "Cmdcopy")->isVisible());
    QVERIFY(child<QPushButton>(form, "Cmdexit")->isVisible());
    QVERIFY(!child<QLabel>(form, "Aniplay")->isVisible());
    QCOMPARE(child<QLineEdit>(form, "Txtpath")->text(), target);
    delete form.data();
}

void TestFiles::animationIsPlayable() {
    const QString path = platform::shippedFile(QStringLiteral("working.gif"));
    QMovie movie(path);
    QVERIFY(movie.isValid());
    QImageReader reader(path);
    QVERIFY(reader.supportsAnimation());
    QList<QImage> frames;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        frames << frame;
    }
    QVERIFY(frames.size() > 1);
    QCOMPARE(frames.size(), movie.frameCount());
    // The frames differ: the clip moves.
    QVERIFY(frames.first() != frames.last());
}

// ----------------------------------------------------------------- FrmJczl / FrmPict

void TestFiles::pictureWindow_storesChosenPicture_showsAtOnceAndAfterRestart() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::exec(db, QStringLiteral("DELETE FROM 系统资料")));
    }
    QVERIFY(admin::readStoredPicture().isNull());
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 120, 200));
    const QString file = data.root() + QStringLiteral("/背景.bmp");
    QVERIFY(picture.save(file, "BMP"));

    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    prompts.expectOpenFile(file);
    QTest::mouseClick(child<QPushButton>(form, "CmdLoad"), Qt::LeftButton);
    QCOMPARE(prompts.lastDialogFilter(), QStringLiteral("图片文件(*.bmp,*.jpg)|*.jpg;*.bmp"));
    QVERIFY(!child<QLabel>(form, "ImageXt")->pixmap().isNull());
    QCOMPARE(admin::readStoredPictureBytes(data.databasePath())->size(), 0); // nothing stored yet

    QTest::mouseClick(child<QPushButton>(form, "CmdOext"), Qt::LeftButton);
    FANGJI_VERIFY_PROMPTS(prompts);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(*admin::readStoredPictureBytes(data.databasePath()) == f.readAll());
    QCOMPARE(session.backgroundCount, 1);
    QCOMPARE(session.background.size(), picture.size());
    QCOMPARE(session.background.pixelColor(5, 5), QColor(10, 120, 200));
    QCOMPARE(session.unlockCount, 1);
    // After a restart the main window's load finds the same picture.
    const QImage again = admin::readStoredPicture();
    QCOMPARE(again.size(), picture.size());
    QCOMPARE(again.pixelColor(20, 20), QColor(10, 120, 200));
    delete form.data();
}

void TestFiles::pictureWindow_zeroLengthFileReported() {
    TestDataDir data;
    const QString first = data.root() + QStringLiteral("/first.bmp");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(first, "BMP"));
    QVERIFY(admin::saveBackgroundPicture(data.databasePath(), first).ok());
    const QByteArray stored = *admin::readStoredPictureBytes(data.databasePath());

    const QString empty = data.root() + QStringLiteral("/空.jpg");
    QVERIFY(writeFile(empty, QByteArray()));
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    prompts.expectOpenFile(empty);
    child<QPushButton>(form, "CmdLoad")->click();
    prompts.expectMessage(empty + QStringLiteral("无 内 容 或 不 存 在 !"), Icon::None, platform::Buttons::Ok,
                          platform::Answer::Ok, platform::kAppTitle);
    child<QPushButton>(form, "CmdOext")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(*admin::readStoredPictureBytes(data.databasePath()) == stored);
    // The confirmation completes, with the stored picture still on the main window.
    QCOMPARE(session.unlockCount, 1);
    QCOMPARE(session.background.pixelColor(1, 1), QColor(Qt::red));
    delete form.data();
}

void TestFiles::pictureWindow_notAPictureReportedAndNotStored() {
    TestDataDir data;
    const QString first = data.root() + QStringLiteral("/first.bin");
    QVERIFY(writeFile(first, "OLD"));
    QVERIFY(admin::saveBackgroundPicture(data.databasePath(), first).ok());
    const QString bogus = data.root() + QStringLiteral("/bogus.jpg");
    QVERIFY(writeFile(bogus, QByteArray("this is no JPEG").repeated(100)));

    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    prompts.expectOpenFile(bogus);
    child<QPushButton>(form, "CmdLoad")->click();
    auto* box = child<QLabel>(form, "ImageXt");
    QVERIFY(box->text().startsWith(admin::BackgroundForm::kNotAPicture));
    QVERIFY(box->pixmap().isNull());
    child<QPushButton>(form, "CmdOext")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    QCOMPARE(*admin::readStoredPictureBytes(data.databasePath()), QByteArray("OLD"));
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

void TestFiles::pictureWindow_confirmWithoutChoice_storesNothing() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::exec(db, QStringLiteral("DELETE FROM 系统资料")));
    }
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::BackgroundForm> form = new admin::BackgroundForm(session);
    form->show();
    // A cancelled dialog chooses nothing.
    prompts.expectOpenFile(QString());
    child<QPushButton>(form, "CmdLoad")->click();
    QCOMPARE(form->chosenFile(), QString());
    child<QPushButton>(form, "CmdOext")->click();
    FANGJI_VERIFY_PROMPTS(prompts);
    auto db = data.open();
    QCOMPARE(testing::rows(db, QStringLiteral("SELECT \"03\" FROM 系统资料")), QList<QStringList>{{"<null>"}});
    QVERIFY(session.background.isNull());
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

// ----------------------------------------------------------------- FrmLinkDb

void TestFiles::importWindow_popupMenuKinds() {
    TestDataDir data;
    testing::FakeSession session;
    QPointer<admin::ImportForm> form = new admin::ImportForm(session);
    form->show();
    auto* menu = child<QMenu>(form, "pupmenu1");
    QVERIFY(menu);
    QStringList names;
    QStringList captions;
    QStringList enabled;
    for (QAction* a : menu->actions()) {
        names << a->objectName();
        captions << a->text();
        if (a->isEnabled()) {
            enabled << a->objectName();
        }
    }
    QCOMPARE(names, (QStringList{"IeAdress", "IeMail", "BwThing", "TeleDate", "CatchXy", "LinkHzzl", "LinkZdhz"}));
    QCOMPARE(captions, (QStringList{"导入中医药材数据", "导入中医方剂数据", "导入中医成药数据", "导入中医诊断数据",
                                    "导入西药数据", "导入门诊患者资料", "导入患者诊断资料"}));
    QCOMPARE(enabled, QStringList{"IeMail"});
    child<QPushButton>(form, "CmdLook")->click();
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    delete form.data();
}

void TestFiles::importWindow_emptyPathDoesNothing() {
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::ImportForm> form = new admin::ImportForm(session);
    form->show();
    child<QLineEdit>(form, "TxtFile")->setText(QStringLiteral("  "));
    const QByteArray before = fileHash(data.databasePath());
    child<QAction>(form, "IeMail")->trigger();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(prompts.shown().isEmpty());
    QCOMPARE(fileHash(data.databasePath()), before);
    QCOMPARE(child<QLabel>(form, "Labdrjg")->text(), QString());
    delete form.data();
}

void TestFiles::importWindow_importReportsCounts_buttonsDisabledMeanwhile() {
    TestDataDir data;
    {
        auto db = data.open();
        QVERIFY(testing::addPrescription(db, prescription(QStringLiteral("乙"))));
    }
    const QString source = data.root() + QStringLiteral("/src.mdb");
    QVERIFY(makeSource(source, {sourceRow(QStringLiteral("甲")), sourceRow(QStringLiteral("乙"))}));
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::ImportForm> form = new admin::ImportForm(session);
    form->show();
    prompts.expectOpenFile(source);
    child<QPushButton>(form, "CmdFileName")->click();
    QCOMPARE(prompts.lastDialogTitle(), QStringLiteral("查找 mdb 数据库"));
    QCOMPARE(prompts.lastDialogFilter(), QStringLiteral("*.mdb|*.mdb"));
    QCOMPARE(child<QLineEdit>(form, "TxtFile")->text(), source);

    QStringList enabledMeanwhile;
    bool busyMeanwhile = false;
    bool observed = false;
    QTimer::singleShot(0, this, [&] {
        observed = true;
        busyMeanwhile = platform::isBusyPointer();
        for (const char* name : {"CmdLook", "Cmdqcls", "CmdQuit"}) {
            if (child<QPushButton>(form, name)->isEnabled()) {
                enabledMeanwhile << QString::fromLatin1(name);
            }
        }
    });
    child<QAction>(form, "IeMail")->trigger();
    QVERIFY(observed);
    QVERIFY(enabledMeanwhile.isEmpty());
    QVERIFY(busyMeanwhile);
    FANGJI_VERIFY_PROMPTS(prompts);
    QCOMPARE(child<QLabel>(form, "Labdrjg")->text(), admin::ImportForm::resultText(1, 1));
    for (const char* name : {"CmdLook", "Cmdqcls", "CmdQuit"}) {
        QVERIFY2(child<QPushButton>(form, name)->isEnabled(), name);
    }
    QVERIFY(!platform::isBusyPointer());
    QCOMPARE(prescriptions(data.databasePath()).size(), 2);

    child<QPushButton>(form, "Cmdqcls")->click();
    QCOMPARE(child<QLineEdit>(form, "TxtFile")->text(), QString());
    child<QPushButton>(form, "CmdQuit")->click();
    QCOMPARE(session.unlockCount, 1);
    delete form.data();
}

void TestFiles::importWindow_errorReported_buttonsEnabledAgain() {
    TestDataDir data;
    const QString source = data.root() + QStringLiteral("/src.mdb");
    QVERIFY(makeSource(source, {sourceRow(QStringLiteral("甲"))}, store::kMainConnect));
    ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<admin::ImportForm> form = new admin::ImportForm(session);
    form->show();
    child<QLineEdit>(form, "TxtFile")->setText(source);
    const auto expected = admin::importPrescriptions(data.databasePath(), source);
    QVERIFY(!expected.ok());
    prompts.expectMessage(store::errorReport(expected.error(), store::ReportLines::Two), Icon::None);
    child<QAction>(form, "IeMail")->trigger();
    FANGJI_VERIFY_PROMPTS(prompts);
    QVERIFY(prompts.shown().first().startsWith(QStringLiteral("错误号码：26\r\n错误内容：")));
    for (const char* name : {"CmdLook", "Cmdqcls", "CmdQuit"}) {
        QVERIFY2(child<QPushButton>(form, name)->isEnabled(), name);
    }
    QVERIFY(!platform::isBusyPointer());
    QCOMPARE(prescriptions(data.databasePath()).size(), 0);
    delete form.data();
}

void TestFiles::backup_whileAnotherConnectionWrites_isTheCommittedFileAsItStands() {
    TestDataDir data;
    const QString target = data.root() + QStringLiteral("/copy.mdb");
    {
        auto db = store::Database::open(data.databasePath(), store::kMainConnect);
        QVERIFY(db.ok());
        QVERIFY(db->executeNative(QStringLiteral("INSERT INTO 中医方剂 VALUES('已存方','a','b','c','d','e',' ',' ')"))
                    .ok());
    }
    // A writer in the middle of its transaction: its row is in its own cache only.
    auto writer = store::Database::open(data.databasePath(), store::kMainConnect);
    QVERIFY(writer.ok());
    QVERIFY(writer->executeNative(QStringLiteral("BEGIN IMMEDIATE")).ok());
    QVERIFY(writer->executeNative(QStringLiteral("INSERT INTO 中医方剂 VALUES('未提交方','a','b','c','d','e',' ',' ')"))
                .ok());
    const QByteArray live = fileHash(data.databasePath());
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), target).ok());
    // The copy is the file's bytes: same salt, so it opens with the key already derived.
    QCOMPARE(fileHash(target), live);
    QCOMPARE(prescriptions(target).size(), 1);
    QCOMPARE(prescriptions(target).value(0).value(0), QStringLiteral("已存方"));
    QVERIFY(writer->executeNative(QStringLiteral("COMMIT")).ok());
    writer->close();

    // Committed, the row is in the next copy, which replaces the first.
    QVERIFY(admin::backupDatabaseFile(data.databasePath(), target).ok());
    QCOMPARE(prescriptions(target).size(), 2);
    QCOMPARE(fileHash(target), fileHash(data.databasePath()));
    const QStringList left = QDir(data.root()).entryList(QStringList{QStringLiteral("copy.mdb*")}, QDir::Files);
    QCOMPARE(left, QStringList{QStringLiteral("copy.mdb")});
}

void TestFiles::windows_resizableAndKeepTheirSize_escLeaves_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("key");
    QTest::newRow("backup and restore") << "Frmcopy" << platform::kBackupWindowKey;
    QTest::newRow("background picture") << "FrmJczl" << platform::kBackgroundWindowKey;
}

void TestFiles::windows_resizableAndKeepTheirSize_escLeaves() {
    QFETCH(QString, window);
    QFETCH(int, key);
    TestDataDir data;
    ScriptedPrompts prompts;
    testing::FakeSession session;
    const auto make = [&]() -> platform::WorkingWindow* {
        if (window == "Frmcopy") {
            return new admin::BackupForm(session);
        }
        return new admin::BackgroundForm(session);
    };
    QPointer<platform::WorkingWindow> form = make();
    form->show();
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QVERIFY(form->isResizable());
    const QSize least = form->size();
    QCOMPARE(form->minimumSize(), least);
    form->resize(least + QSize(300, 200));
    QCOMPARE(form->size(), least + QSize(300, 200));
    // Esc leaves: the menus come back, the size is kept under the window's key.
    QPushButton* anyButton = form->findChild<QPushButton*>();
    anyButton->setFocus();
    QTest::keyClick(anyButton, Qt::Key_Escape);
    QTRY_VERIFY(form.isNull() || !form->isVisible());
    QCOMPARE(session.unlockCount, 1);
    {
        store::Database db = data.open();
        QCOMPARE(
            testing::rows(db, QStringLiteral("SELECT \"01\", \"02\", \"03\" FROM 系统附表 WHERE \"00\" = %1").arg(key)),
            (QList<QStringList>{{QString::number(platform::pixelsToTwips(least.width() + 300)),
                                 QString::number(platform::pixelsToTwips(least.height() + 200)),
                                 QStringLiteral("0")}}));
    }
    delete form.data();
    platform::WorkingWindow::releaseUnloaded();
    form = make();
    QCOMPARE(form->size(), least + QSize(300, 200));
    delete form.data();
    FANGJI_VERIFY_PROMPTS(prompts);
}

QTEST_MAIN(TestFiles)
#include "test_files.moc"
