// Figures for the query window over seeded corpora of 1,000, 10,000 and 100,000
// prescriptions (or the sizes given on the command line): dictionary generation,
// a fourteen-criteria query, the full listing into the grid's model, opening the
// query window (generation included), and the peak memory of the process.
#include "bench/corpus.h"

#include "dictionary/build_dictionaries.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "query/query_form.h"
#include "query/query_store.h"
#include "query/result_model.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace fangji;

namespace {

// Answers every message box with OK, so that nothing waits for a person.
class SilentPrompts final : public platform::Prompts {
public:
    platform::Answer message(QWidget*, const QString&, platform::Icon, platform::Buttons, const QString&) override {
        ++messages;
        return platform::Answer::Ok;
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    int messages = 0;
};

class BenchSession final : public platform::Session {
public:
    void LockMainMenus() override {}
    void UnlockMainMenus() override {}
    QString UserLevel() const override { return QStringLiteral(" "); }
    void setUserLevel(const QString&) override {}
    QWidget* mainWindow() const override { return nullptr; }
    void showWindow(QWidget* window) override { window->show(); }
    void setBackgroundPicture(const QImage&) override {}
    void endProgram() override {}
};

// The headless platform warns about every window it cannot raise or resize; the figures matter here.
void quietHeadless(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && !message.startsWith(QStringLiteral("This plugin does not support"))) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Median of runs of fn, in seconds; fn returns false on failure.
double median(int runs, const std::function<bool()>& fn) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        if (!fn()) {
            return -1;
        }
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

store::Database openMain() {
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        std::fprintf(stderr, "open: %s\n", qPrintable(db.error().description));
        return {};
    }
    return std::move(db).value();
}

// Fourteen criteria taken from one stored prescription: the first two characters
// of its name, source and of three pieces each of its composition, effects,
// indications and clinical use, so that the query finds that row at least.
query::Criteria criteriaFrom(store::Database& db) {
    query::Criteria c;
    auto stmt = db.prepareNative(QStringLiteral("SELECT * FROM 中医方剂 WHERE 功效 IS NOT NULL AND 应用 IS NOT NULL "
                                                "AND 来源 IS NOT NULL ORDER BY rowid LIMIT 1 OFFSET 7"));
    if (!stmt || !stmt->step().ok()) {
        return c;
    }
    auto piece = [&](int column, int part) {
        const QString t = stmt->text(column).remove(u' ');
        const int at = static_cast<int>(t.size()) * part / 3;
        return t.mid(at, 2);
    };
    c.name = stmt->text(store::ColName).left(2);
    c.source = stmt->text(store::ColSource).left(2);
    for (int i = 0; i < 3; ++i) {
        c.herbs[i] = piece(store::ColComposition, i);
        c.effects[i] = piece(store::ColEffects, i);
        c.indications[i] = piece(store::ColIndications, i);
        c.clinical[i] = piece(store::ColClinical, i);
    }
    return c;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietHeadless);
    QApplication app(argc, argv);
    const std::vector<int> sizes = bench::corpusSizes(argc, argv);
    const QString templatePath = platform::templatePath();
    if (!QFile::exists(templatePath)) {
        std::fprintf(stderr, "template %s not found\n", qPrintable(templatePath));
        return 1;
    }
    SilentPrompts prompts;
    platform::setPrompts(&prompts);
    BenchSession session;
    constexpr int kRuns = 3;

    std::printf("Query window figures (median of %d runs, seconds; memory in MB)\n", kRuns);
    std::printf("%8s %9s %10s %10s %10s %10s %10s %9s %9s\n", "rows", "dict gen", "query 14", "query all", "listing",
                "open win", "grid MB", "matches", "peak MB");
    for (const int rows : sizes) {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        QDir().mkpath(platform::dataDir());
        QFile::copy(templatePath, platform::databasePath());
        QFile::setPermissions(platform::databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        query::Criteria criteria;
        {
            store::Database db = openMain();
            if (!db.isOpen()) {
                return 1;
            }
            if (auto made = bench::generateCorpus(db, rows); !made) {
                std::fprintf(stderr, "corpus: %s\n", qPrintable(made.error().description));
                return 1;
            }
            criteria = criteriaFrom(db);
        }

        const double generation = median(kRuns, [] { return dictionary::BuildDictionaries(nullptr).ok(); });

        int matches = 0;
        // The query as 查询 runs it: open the file, store "000", read every matching row.
        const double query14 = median(kRuns, [&] {
            store::Database db = openMain();
            auto found = query::runQuery(db, criteria, query::kSortByName);
            matches = found ? found->rowCount() : -1;
            return found.ok();
        });
        const double queryAll = median(kRuns, [&] {
            store::Database db = openMain();
            return query::runQuery(db, query::Criteria{}, query::kSortByName).ok();
        });

        query::ResultModel model;
        const double listing = median(kRuns, [&] {
            store::Database db = openMain();
            auto all = query::fullListing(db, query::kSortByName);
            if (!all) {
                return false;
            }
            model.setRows(std::move(all).value());
            return model.rowCount() == rows;
        });
        const double gridMegabytes = model.rows().memoryBytes() / (1024.0 * 1024.0);
        model.clear();

        // The menu command: generation, then the window loads (listing every prescription) and shows.
        const double openWindow = median(kRuns, [&] {
            if (!dictionary::BuildDictionaries(nullptr)) {
                return false;
            }
            auto* form = new query::QueryForm(session);
            session.showWindow(form);
            QCoreApplication::processEvents();
            const bool listed = form->resultModel().rowCount() > 0;
            delete form;
            return listed;
        });

        std::printf("%8d %9.3f %10.3f %10.3f %10.3f %10.3f %10.1f %9d %9.0f\n", rows, generation, query14, queryAll,
                    listing, openWindow, gridMegabytes, matches, peakMegabytes());
        std::fflush(stdout);
    }
    std::printf("query 14: fourteen criteria taken from one row; query all: fourteen empty criteria (every row);\n"
                "listing: full listing into the grid model; open win: generation + window load and show.\n");
    platform::setPrompts(nullptr);
    return 0;
}
