// Times dictionary generation over seeded corpora of 1,000, 10,000 and 100,000
// prescriptions (or the sizes given on the command line), in wall-clock and user CPU
// seconds, beside two floors measured in the same run over the same file: reading the
// three source columns through the engine (every page decrypted once), and that read
// followed by a plain split at the delimiters into a std::unordered_set of strings.
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
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
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

double userSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

// Wall-clock and user CPU seconds of runs runs of work: minimum, median and maximum of
// the wall-clock times, median of the user times.
struct Timing {
    double min = 0;
    double median = 0;
    double max = 0;
    double user = 0;
};

Timing timeRuns(int runs, const std::function<bool()>& work) {
    std::vector<double> wall;
    std::vector<double> user;
    QElapsedTimer timer;
    for (int r = 0; r < runs; ++r) {
        const double cpu = userSeconds();
        timer.start();
        if (!work()) {
            return {-1, -1, -1, -1};
        }
        wall.push_back(timer.nsecsElapsed() / 1e9);
        user.push_back(userSeconds() - cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(user.begin(), user.end());
    return {wall.front(), wall[wall.size() / 2], wall.back(), user[user.size() / 2]};
}

// Reads 功效, 主治 and 应用 of every row as the engine's UTF-8, calling onText for each.
template <class F> bool readSources(const QString& path, F&& onText) {
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db) {
        return false;
    }
    auto stmt = db->prepareNative(QStringLiteral("SELECT 功效, 主治, 应用 FROM 中医方剂"));
    if (!stmt) {
        return false;
    }
    return store::forEachRow(
               *stmt,
               [&](const store::Statement& row) {
                   for (int c = 0; c < 3; ++c) {
                       int size = 0;
                       const char* text = row.utf8(c, &size);
                       onText(c, std::string_view(text != nullptr ? text : "", static_cast<std::size_t>(size)));
                   }
               })
        .ok();
}

// The plain split: terms end at the six delimiters (and 治 for effects); no brackets, no blanks.
std::size_t plainSplit(const QString& path) {
    static constexpr std::string_view kDelimiters[] = {"。", "，", "；", "：", "、", "治"};
    std::unordered_set<std::string> seen[3];
    std::size_t occurrences = 0;
    const bool read = readSources(path, [&](int column, std::string_view text) {
        std::size_t start = 0;
        for (std::size_t pos = 0; pos < text.size();) {
            const auto b = static_cast<unsigned char>(text[pos]);
            std::size_t length = b == '*' ? 1 : 0;
            if (b >= 0xE3 && b <= 0xEF) {
                for (int d = 0; d < (column == 0 ? 6 : 5); ++d) {
                    if (text.substr(pos, 3) == kDelimiters[d]) {
                        length = 3;
                        break;
                    }
                }
            }
            if (length == 0) {
                ++pos;
                continue;
            }
            if (pos > start) {
                seen[column].emplace(text.substr(start, pos - start));
                ++occurrences;
            }
            pos += length;
            start = pos;
        }
    });
    return read ? occurrences : 0;
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
    std::printf("Seconds over %d runs: wall-clock minimum, median and maximum, and the median of the user CPU "
                "time.\n",
                kRuns);
    std::printf("%8s %8s %9s %8s %8s %8s %8s %8s %8s %8s %8s %8s %6s %6s %6s\n", "rows", "file MB", "text MB", "corpus",
                "gen min", "gen med", "gen max", "gen usr", "read med", "read usr", "plain", "plain usr", "功效",
                "主治", "临床");
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
        const Timing gen = timeRuns(kRuns, [&] {
            if (auto built = dictionary::generateDictionaries(path); !built) {
                std::fprintf(stderr, "generation: %s\n", qPrintable(built.error().description));
                return false;
            }
            return true;
        });
        std::size_t textBytes = 0;
        const Timing read = timeRuns(kRuns, [&] {
            textBytes = 0;
            return readSources(path, [&](int, std::string_view text) { textBytes += text.size(); });
        });
        const Timing plain = timeRuns(kRuns, [&] { return plainSplit(path) > 0 || rows == 0; });
        auto db = store::Database::open(path, store::kMainConnect);
        if (!db) {
            return 1;
        }
        std::printf("%8d %8.1f %9.1f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %6d %6d %6d\n", rows,
                    QFileInfo(path).size() / (1024.0 * 1024.0), textBytes / (1024.0 * 1024.0), corpusSeconds, gen.min,
                    gen.median, gen.max, gen.user, read.median, read.user, plain.median, plain.user,
                    countRows(*db, store::table::kEffects), countRows(*db, store::table::kIndications),
                    countRows(*db, store::table::kClinical));
        std::fflush(stdout);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
