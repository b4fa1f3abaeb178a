// Figures for dictionary generation and the query window over seeded corpora of 1,000,
// 10,000 and 100,000 prescriptions (1,000,000 as well with --million, or the sizes given
// on the command line): generation in the program and through fangji-cli, the literal
// generation algorithm as a floor, the fourteen-criteria search through the store, through
// fangji-cli and through the sqlcipher shell, the same search and single criteria with and without
// a criterion in pinyin, the query window's opening, 清屏 and sort
// change with the longest pause of the window's events, and the peak memory of each
// measured piece of work. --window-only measures only the window, --queries-only all but the window; --keep-corpus DIR
// keeps a copy of each generated store for profiling a single command on it.
#include "bench/corpus.h"

#include "dictionary/build_dictionaries.h"
#include "dictionary/dictionary_store.h"
#include "dictionary/term_splitter.h"
#include "platform/busy.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "query/query_form.h"
#include "query/query_store.h"
#include "query/result_model.h"
#include "store/jet_sql.h"
#include "store/schema.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

using namespace fangji;

namespace {

// Answers every message box with OK, so that nothing waits for a person.
class SilentPrompts final : public platform::Prompts {
public:
    platform::Answer message(QWidget*, const QString&, platform::Icon, platform::Buttons, const QString&) override {
        return platform::Answer::Ok;
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
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
    if (type != QtDebugMsg && !message.startsWith(QStringLiteral("This plugin does not support")) &&
        !message.startsWith(QStringLiteral("QStandardPaths"))) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// Peak resident memory since the last resetPeak(), in MB (Linux: VmHWM, reset through clear_refs).
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) {
        refs.write("5");
    }
}
double peakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return -1;
}

struct Timing {
    double seconds = -1;
    double peakMb = -1;
};

// Median of runs of fn, in seconds, and the largest peak memory of a run; fn returns false on failure.
Timing median(int runs, const std::function<bool()>& fn) {
    std::vector<double> times;
    double peak = 0;
    for (int r = 0; r < runs; ++r) {
        resetPeak();
        QElapsedTimer timer;
        timer.start();
        if (!fn()) {
            return {};
        }
        times.push_back(timer.nsecsElapsed() / 1e9);
        peak = std::max(peak, peakMegabytes());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], peak};
}

store::Database openMain() {
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        std::fprintf(stderr, "open: %s\n", qPrintable(db.error().description));
        return {};
    }
    return std::move(db).value();
}

// Criteria that each match most rows: together they leave a few percent of the prescriptions.
query::Criteria benchCriteria() {
    query::Criteria c;
    c.name = QStringLiteral("汤");
    c.herbs = {QStringLiteral("桂枝"), QStringLiteral("甘草"), QStringLiteral("芍")};
    c.effects = {QStringLiteral("解"), QStringLiteral("表"), QStringLiteral("营")};
    c.indications = {QStringLiteral("恶"), QStringLiteral("热"), QStringLiteral("汗")};
    c.clinical = {QStringLiteral("解表"), QStringLiteral("方"), QStringLiteral("温")};
    c.source = QStringLiteral("论");
    return c;
}

// The bench criteria with 名称 and 药材1 as a doctor types them in pinyin.
query::Criteria pinyinCriteria(query::Criteria c) {
    c.name = QStringLiteral("tang");
    c.herbs[0] = QStringLiteral("guizhi");
    return c;
}

QStringList cliSearchArguments(const query::Criteria& c) {
    QStringList args{QStringLiteral("--data-dir"),
                     platform::dataDir(),
                     QStringLiteral("search"),
                     QStringLiteral("--name"),
                     c.name,
                     QStringLiteral("--source"),
                     c.source};
    for (int i = 0; i < 3; ++i) {
        args << QStringLiteral("--herb") << c.herbs[i] << QStringLiteral("--effect") << c.effects[i]
             << QStringLiteral("--indication") << c.indications[i] << QStringLiteral("--clinical") << c.clinical[i];
    }
    return args;
}

// The same criteria as instr() for the sqlcipher shell (which has neither the Jet LIKE nor the name order).
QString shellQuery(const query::Criteria& c) {
    QString where = QStringLiteral("instr(名称,'%1')>0 AND instr(来源,'%2')>0").arg(c.name, c.source);
    for (int i = 0; i < 3; ++i) {
        where += QStringLiteral(" AND instr(构成,'%1')>0 AND instr(功效,'%2')>0 AND instr(主治,'%3')>0 AND "
                                "instr(应用,'%4')>0")
                     .arg(c.herbs[i], c.effects[i], c.indications[i], c.clinical[i]);
    }
    // The shell has no "zh" collation: it scans the table (NOT INDEXED) and sorts the matches bytewise.
    return QStringLiteral("PRAGMA key='%1'; PRAGMA cipher_page_size = 4096; "
                          "SELECT * FROM 中医方剂 NOT INDEXED WHERE %2 ORDER BY 名称 COLLATE BINARY;")
        .arg(store::connectPassword(store::kMainConnect), where);
}

bool runProcess(const QString& program, const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The generation as first written: a connection per splitter call, the system's INSERT text per
// term, the window's events after every row.
bool literalGeneration(const QString& path) {
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db) {
        return false;
    }
    for (const dictionary::Phase& phase : dictionary::phases()) {
        (void)db->execute(QStringLiteral("delete * FROM ") + phase.table);
    }
    QStringList texts[3];
    {
        auto stmt = db->prepareNative(QStringLiteral("SELECT 功效, 主治, 应用 FROM 中医方剂"));
        if (!stmt) {
            return false;
        }
        (void)store::forEachRow(*stmt, [&](const store::Statement& row) {
            for (int c = 0; c < 3; ++c) {
                texts[c] << row.text(c);
            }
        });
    }
    db->close();
    for (int p = 0; p < 3; ++p) {
        const dictionary::Phase& phase = dictionary::phases()[p];
        for (const QString& text : texts[p]) {
            QCoreApplication::processEvents();
            const QStringView trimmed = dictionary::trimBlanks(text);
            if (trimmed.isEmpty()) {
                continue;
            }
            auto each = store::Database::open(path, store::kMainConnect);
            if (!each) {
                return false;
            }
            for (const QString& term : dictionary::splitTerms(phase.dictionary, trimmed)) {
                (void)each->execute(QStringLiteral("INSERT INTO ") + phase.table + QStringLiteral(" Values('") +
                                    store::jet::escapeLiteral(term) + QStringLiteral("')"));
            }
            QCoreApplication::processEvents();
        }
    }
    return true;
}

// Runs operation, then lets events run until the window has read every row, while a 20 ms
// timer fires; reports the time and the longest interval without a firing.
struct Responsiveness {
    double seconds = 0;
    double firstScreen = 0;
    double longestGapMs = 0;
};

Responsiveness watch(const std::function<query::QueryForm*()>& operation) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    Responsiveness r;
    query::QueryForm* form = operation();
    r.firstScreen = clock.nsecsElapsed() / 1e9;
    while (form != nullptr && form->isFilling()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const qint64 end = clock.nsecsElapsed();
    longest = std::max(longest, end - last);
    r.seconds = end / 1e9;
    r.longestGapMs = longest / 1e6;
    return r;
}

// Generation, the literal algorithm's floor, and the searches of the store, the CLI and the
// shell.
void measureQueries(const QString& cli, const query::Criteria& criteria, int rows, int runs, double& literalPerRow) {
    // Dictionary generation.
    const Timing gen = median(runs, [] { return dictionary::generateDictionaries(platform::databasePath()).ok(); });
    const Timing genCli = median(runs, [&] {
        return runProcess(
            cli, {QStringLiteral("--data-dir"), platform::dataDir(), QStringLiteral("dict"), QStringLiteral("build")});
    });
    std::printf("dictionary generation     in process %8.3f s (peak %6.1f MB)   fangji-cli dict build %8.3f s\n",
                gen.seconds, gen.peakMb, genCli.seconds);
    if (rows <= 10000) {
        const Timing literal = median(1, [] { return literalGeneration(platform::databasePath()); });
        literalPerRow = literal.seconds / rows;
        std::printf("literal generation (floor) %8.3f s measured; ratio %.0fx\n", literal.seconds,
                    literal.seconds / genCli.seconds);
        (void)dictionary::generateDictionaries(platform::databasePath());
    } else if (literalPerRow > 0) {
        const double estimate = literalPerRow * rows;
        std::printf("literal generation (floor) %8.1f s extrapolated linearly from 10,000 rows; ratio %.0fx\n",
                    estimate, estimate / genCli.seconds);
    }

    // The fourteen-criteria search.
    int matches = 0;
    const Timing store14 = median(runs, [&] {
        store::Database db = openMain();
        auto found = query::runQuery(db, criteria, query::kSortByName);
        matches = found ? found->rowCount() : -1;
        return found.ok();
    });
    const Timing cli14 = median(runs, [&] { return runProcess(cli, cliSearchArguments(criteria)); });
    const Timing shell14 = median(runs, [&] {
        return runProcess(QStringLiteral("sqlcipher"), {platform::databasePath(), shellQuery(criteria)});
    });
    std::printf("14-criteria search (%d matches): store %.3f s (peak %.1f MB); fangji-cli search %.3f s; "
                "sqlcipher shell instr() %.3f s; cli/shell %.2f\n",
                matches, store14.seconds, store14.peakMb, cli14.seconds, shell14.seconds,
                cli14.seconds / shell14.seconds);
    // The same search with 名称 and 药材1 typed in pinyin (汤 -> tang, 桂枝 -> guizhi), and single
    // criteria with and without a Latin one.
    const query::Criteria pinyin = pinyinCriteria(criteria);
    int pinyinMatches = 0;
    const Timing storePinyin = median(runs, [&] {
        store::Database db = openMain();
        auto found = query::runQuery(db, pinyin, query::kSortByName);
        pinyinMatches = found ? found->rowCount() : -1;
        return found.ok();
    });
    const Timing cliPinyin = median(runs, [&] { return runProcess(cli, cliSearchArguments(pinyin)); });
    std::printf("14-criteria search, 名称 tang and 药材1 guizhi in pinyin (%d matches): store %.3f s (peak %.1f MB); "
                "fangji-cli search %.3f s\n",
                pinyinMatches, storePinyin.seconds, storePinyin.peakMb, cliPinyin.seconds);
    for (const auto& [label, chinese, latin, herb] :
         {std::tuple{"名称", QStringLiteral("汤"), QStringLiteral("tang"), false},
          std::tuple{"名称", QStringLiteral("桂枝"), QStringLiteral("gzt"), false},
          std::tuple{"药材1", QStringLiteral("桂枝"), QStringLiteral("guizhi"), true}}) {
        auto one = [&, herb = herb](const QString& text) {
            query::Criteria c;
            (herb ? c.herbs[0] : c.name) = text;
            int found = 0;
            const Timing t = median(runs, [&] {
                store::Database db = openMain();
                auto rows = query::runQuery(db, c, query::kSortByName);
                found = rows ? rows->rowCount() : -1;
                return rows.ok();
            });
            return std::pair{t.seconds, found};
        };
        const auto [chineseSeconds, chineseFound] = one(chinese);
        const auto [latinSeconds, latinFound] = one(latin);
        std::printf("one criterion %s: %s %.3f s (%d rows), %s %.3f s (%d rows)\n", label, qPrintable(chinese),
                    chineseSeconds, chineseFound, qPrintable(latin), latinSeconds, latinFound);
    }
    const Timing storeAll = median(runs, [&] {
        store::Database db = openMain();
        return query::runQuery(db, query::Criteria{}, query::kSortByName).ok();
    });
    const Timing listingAll = median(runs, [&] {
        store::Database db = openMain();
        return query::fullListing(db, query::kSortByName).ok();
    });
    std::printf("empty-criteria query, every row read: %.3f s; the full listing: %.3f s\n", storeAll.seconds,
                listingAll.seconds);
}

} // namespace

int main(int argc, char** argv) {
    platform::keepOneHeap();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quietHeadless);
    QApplication app(argc, argv);
    std::vector<int> sizes;
    bool million = false;
    bool windowOnly = false;
    bool queriesOnly = false;
    // A copy of each generated store, named DIR/corpus-ROWS.mdb, for profiling one command.
    QString keepCorpus;
    for (int a = 1; a < argc; ++a) {
        if (qstrcmp(argv[a], "--million") == 0) {
            million = true;
        } else if (qstrcmp(argv[a], "--window-only") == 0) {
            windowOnly = true;
        } else if (qstrcmp(argv[a], "--queries-only") == 0) {
            queriesOnly = true;
        } else if (qstrcmp(argv[a], "--keep-corpus") == 0 && a + 1 < argc) {
            keepCorpus = QFile::decodeName(argv[++a]);
        } else {
            sizes.push_back(QString::fromLocal8Bit(argv[a]).toInt());
        }
    }
    if (sizes.empty()) {
        sizes = {1000, 10000, 100000};
    }
    if (million) {
        sizes.push_back(1000000);
    }
    const QString templatePath = platform::templatePath();
    if (!QFile::exists(templatePath)) {
        std::fprintf(stderr, "template %s not found\n", qPrintable(templatePath));
        return 1;
    }
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/fangji-cli");
    SilentPrompts prompts;
    platform::setPrompts(&prompts);
    BenchSession session;
    const query::Criteria criteria = benchCriteria();
    double literalPerRow = -1;

    std::printf("Medians of 3 runs (1 at 1,000,000 rows); seconds, longest window pause in ms, peak MB of the "
                "measured work.\n");
    for (const int rows : sizes) {
        const int runs = rows >= 1000000 ? 1 : 3;
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        QDir().mkpath(platform::dataDir());
        QFile::copy(templatePath, platform::databasePath());
        QFile::setPermissions(platform::databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        {
            store::Database db = openMain();
            if (!db.isOpen()) {
                return 1;
            }
            if (auto made = bench::generateCorpus(db, rows); !made) {
                std::fprintf(stderr, "corpus: %s\n", qPrintable(made.error().description));
                return 1;
            }
        }
        std::printf("\n== %d rows ==\n", rows);
        if (!keepCorpus.isEmpty()) {
            QFile::copy(platform::databasePath(), keepCorpus + QStringLiteral("/corpus-%1.mdb").arg(rows));
        }
        if (queriesOnly) {
            measureQueries(cli, criteria, rows, runs, literalPerRow);
            continue;
        }
        if (!windowOnly) {
            measureQueries(cli, criteria, rows, runs, literalPerRow);
        }

        // The window: opening (generation, listing, the empty-criteria query), 清屏, sort change.
        auto openWindow = [&]() -> query::QueryForm* {
            if (!dictionary::BuildDictionaries(nullptr)) {
                return nullptr;
            }
            auto* form = new query::QueryForm(session);
            session.showWindow(form);
            return form;
        };
        std::vector<Responsiveness> opens;
        query::QueryForm* form = nullptr;
        resetPeak();
        for (int r = 0; r < runs; ++r) {
            delete form;
            form = nullptr;
            opens.push_back(watch([&] { return form = openWindow(); }));
        }
        const double windowPeak = peakMegabytes();
        auto med = [](std::vector<Responsiveness> v, auto field) {
            std::sort(v.begin(), v.end(), [&](const auto& a, const auto& b) { return a.*field < b.*field; });
            return v[v.size() / 2].*field;
        };
        std::printf("window open      %.3f s (first screen %.3f s), longest pause %.0f ms, peak %.1f MB, %d rows\n",
                    med(opens, &Responsiveness::seconds), med(opens, &Responsiveness::firstScreen),
                    med(opens, &Responsiveness::longestGapMs), windowPeak,
                    form != nullptr ? form->resultModel().rowCount() : -1);
        if (form == nullptr) {
            return 1;
        }
        std::vector<Responsiveness> clears;
        std::vector<Responsiveness> sorts;
        auto* sort = form->findChild<QComboBox*>(QStringLiteral("CboFjpx"));
        for (int r = 0; r < runs; ++r) {
            clears.push_back(watch([&] {
                form->Cmdqcls_Click();
                return form;
            }));
            sorts.push_back(watch([&] {
                sort->setCurrentIndex(1 - sort->currentIndex());
                form->CboFjpx_Click();
                return form;
            }));
        }
        std::printf("清屏             %.3f s (first screen %.3f s), longest pause %.0f ms\n",
                    med(clears, &Responsiveness::seconds), med(clears, &Responsiveness::firstScreen),
                    med(clears, &Responsiveness::longestGapMs));
        std::printf("sort change      %.3f s (first screen %.3f s), longest pause %.0f ms\n",
                    med(sorts, &Responsiveness::seconds), med(sorts, &Responsiveness::firstScreen),
                    med(sorts, &Responsiveness::longestGapMs));
        delete form;

        // The first opening after a bulk add: every source ends in "。" again.
        {
            store::Database db = openMain();
            (void)db.executeNative(QStringLiteral("UPDATE 中医方剂 SET 来源 = 来源 || '。' WHERE 来源 IS NOT NULL"));
        }
        query::QueryForm* added = nullptr;
        const Responsiveness afterAdd = watch([&] { return added = openWindow(); });
        std::printf("window open after a bulk add %.3f s, longest pause %.0f ms\n", afterAdd.seconds,
                    afterAdd.longestGapMs);
        delete added;
        std::fflush(stdout);
    }
    platform::setPrompts(nullptr);
    return 0;
}
