// Times dictionary generation over seeded corpora of 1,000, 10,000 and 100,000
// prescriptions (or the sizes given on the command line).
#include "bench/corpus.h"

#include "dictionary/dictionary_store.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace fangji;

namespace {

int countRows(store::Database& db, const QString& table) {
    auto stmt = db.prepareNative(QStringLiteral("SELECT count(*) FROM ") + store::quoteIdentifier(table));
    if (!stmt || !stmt->step().ok()) {
        return -1;
    }
    return stmt->value(0).toInt();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<int> sizes = bench::corpusSizes(argc, argv);
    const QString templatePath = bench::templateBesideProgram();
    if (templatePath.isEmpty()) {
        return 1;
    }
    constexpr int kRuns = 5;
    std::printf("%10s %12s %10s %10s %10s %10s %8s %8s %8s\n", "rows", "file MB", "corpus s", "gen min s", "gen med s",
                "gen max s", "功效", "主治", "临床");
    for (const int rows : sizes) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vizi.mdb"));
        QFile::copy(templatePath, path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QElapsedTimer timer;
        {
            auto db = store::Database::open(path, store::kMainConnect);
            if (!db) {
                std::fprintf(stderr, "open: %s\n", qPrintable(db.error().description));
                return 1;
            }
            timer.start();
            if (auto made = bench::generateCorpus(*db, rows); !made) {
                std::fprintf(stderr, "corpus: %s\n", qPrintable(made.error().description));
                return 1;
            }
        }
        const double corpusSeconds = timer.nsecsElapsed() / 1e9;
        std::vector<double> runs;
        for (int r = 0; r < kRuns; ++r) {
            timer.start();
            if (auto built = dictionary::generateDictionaries(path); !built) {
                std::fprintf(stderr, "generation: %s\n", qPrintable(built.error().description));
                return 1;
            }
            runs.push_back(timer.nsecsElapsed() / 1e9);
        }
        std::sort(runs.begin(), runs.end());
        auto db = store::Database::open(path, store::kMainConnect);
        if (!db) {
            return 1;
        }
        std::printf("%10d %12.1f %10.3f %10.3f %10.3f %10.3f %8d %8d %8d\n", rows,
                    QFileInfo(path).size() / (1024.0 * 1024.0), corpusSeconds, runs.front(), runs[runs.size() / 2],
                    runs.back(), countRows(*db, store::table::kEffects), countRows(*db, store::table::kIndications),
                    countRows(*db, store::table::kClinical));
        std::fflush(stdout);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
