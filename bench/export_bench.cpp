// Times the export of a full listing (all eight texts of every prescription, in the grid's
// order) as a CSV file and as an Excel workbook, over seeded corpora of 1,000, 10,000 and
// 100,000 prescriptions (or the sizes given on the command line), with the number of progress
// reports the window's progress window receives, the longest time between two calls that let
// the window repaint (progress reports, and the waits while the workbook is compressed), and
// the files' sizes.
#include "bench/corpus.h"

#include "query/query_statement.h"
#include "query/result_export.h"
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

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<int> sizes = bench::corpusSizes(argc, argv);
    const QString templatePath = bench::templateBesideProgram();
    if (templatePath.isEmpty()) {
        return 1;
    }
    std::printf("%10s %10s %10s %10s %12s %12s %10s\n", "rows", "csv s", "csv MB", "xlsx s", "xlsx MB",
                "longest gap ms", "reports");
    for (const int rows : sizes) {
        QTemporaryDir dir;
        const QString databasePath = dir.filePath(QStringLiteral("vizi.mdb"));
        QFile::remove(databasePath);
        if (!QFile::copy(templatePath, databasePath) ||
            !QFile::setPermissions(databasePath, QFile::ReadOwner | QFile::WriteOwner)) {
            return 1;
        }
        auto db = store::Database::open(databasePath, store::kMainConnect);
        if (!db || !bench::generateCorpus(*db, rows).ok()) {
            std::fprintf(stderr, "corpus failed\n");
            return 1;
        }
        const QString statement = query::fullListingStatement(query::kSortByName);
        double seconds[2] = {};
        double megabytes[2] = {};
        qint64 longestGap = 0;
        int reports = 0;
        for (const query::ExportFormat format : {query::ExportFormat::Csv, query::ExportFormat::Xlsx}) {
            const bool xlsx = format == query::ExportFormat::Xlsx;
            const QString path = dir.filePath(xlsx ? QStringLiteral("export.xlsx") : QStringLiteral("export.csv"));
            QElapsedTimer timer;
            QElapsedTimer gap;
            timer.start();
            gap.start();
            query::ExportOptions options;
            options.progress = [&](qint64) {
                // The window lets its messages run at each report: the longest time between two
                // reports is the longest the progress window waits to repaint.
                if (xlsx) {
                    longestGap = qMax(longestGap, gap.restart());
                    ++reports;
                }
                return true;
            };
            options.finishing = [&] {
                if (xlsx) {
                    longestGap = qMax(longestGap, gap.restart());
                }
            };
            auto outcome = query::exportRows(*db, statement, format, path, options);
            if (xlsx) {
                longestGap = qMax(longestGap, gap.elapsed());
            }
            if (!outcome || outcome->rows != rows) {
                std::fprintf(stderr, "export failed: %s\n",
                             outcome ? "rows" : qPrintable(query::exportFailureText(outcome.error())));
                return 1;
            }
            seconds[xlsx ? 1 : 0] = timer.nsecsElapsed() / 1e9;
            megabytes[xlsx ? 1 : 0] = QFileInfo(path).size() / 1048576.0;
        }
        std::printf("%10d %10.2f %10.1f %10.2f %12.1f %12lld %10d\n", rows, seconds[0], megabytes[0], seconds[1],
                    megabytes[1], static_cast<long long>(longestGap), reports);
        std::fflush(stdout);
    }
    return 0;
}
