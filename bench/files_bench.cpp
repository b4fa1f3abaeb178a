// Times the import of a source file's prescriptions (first into an empty table, then
// again when every name is already there), and a backup and a restore of the
// resulting database, over seeded corpora of 1,000, 10,000 and 100,000 prescriptions
// (or the sizes given on the command line).
#include "bench/corpus.h"

#include "admin/backup_restore.h"
#include "admin/prescription_import.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace fangji;

namespace {

bool copyTemplate(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

double seconds(QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<int> sizes = bench::corpusSizes(argc, argv);
    const QString templatePath = bench::templateBesideProgram();
    if (templatePath.isEmpty()) {
        return 1;
    }
    std::printf("%10s %10s %12s %12s %10s %10s %10s\n", "rows", "file MB", "import s", "again s", "events", "backup s",
                "restore s");
    for (const int rows : sizes) {
        QTemporaryDir dir;
        const QString corpusPath = dir.filePath(QStringLiteral("corpus.mdb"));
        const QString sourcePath = dir.filePath(QStringLiteral("source.mdb"));
        const QString databasePath = dir.filePath(QStringLiteral("vizi.mdb"));
        const QString backupPath = dir.filePath(QStringLiteral("backup.mdb"));
        if (!copyTemplate(templatePath, corpusPath) || !copyTemplate(templatePath, databasePath)) {
            return 1;
        }
        {
            auto db = store::Database::open(corpusPath, store::kMainConnect);
            if (!db || !bench::generateCorpus(*db, rows).ok()) {
                std::fprintf(stderr, "corpus failed\n");
                return 1;
            }
        }
        if (!bench::makeImportSource(corpusPath, sourcePath)) {
            std::fprintf(stderr, "source failed\n");
            return 1;
        }

        int events = 0;
        QElapsedTimer timer;
        timer.start();
        auto first = admin::importPrescriptions(databasePath, sourcePath, [&events] { ++events; });
        const double importSeconds = seconds(timer);
        timer.start();
        auto again = admin::importPrescriptions(databasePath, sourcePath);
        const double againSeconds = seconds(timer);
        if (!first || !again || first->added != rows || again->present != rows) {
            std::fprintf(stderr, "import failed\n");
            return 1;
        }
        timer.start();
        const bool backedUp = admin::backupDatabaseFile(databasePath, backupPath).ok();
        const double backupSeconds = seconds(timer);
        timer.start();
        const bool restored = admin::restoreDatabaseFile(backupPath, databasePath).ok();
        const double restoreSeconds = seconds(timer);
        if (!backedUp || !restored) {
            std::fprintf(stderr, "copy failed\n");
            return 1;
        }
        std::printf("%10d %10.1f %12.3f %12.3f %10d %10.3f %10.3f\n", rows,
                    QFileInfo(databasePath).size() / (1024.0 * 1024.0), importSeconds, againSeconds, events,
                    backupSeconds, restoreSeconds);
        std::fflush(stdout);
    }
    return 0;
}
