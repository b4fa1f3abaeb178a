// The writing commands of fangji-cli, run as the processes a user runs: add of a JSON
// Lines file, import of another database file, backup and restore, at 1,000, 10,000
// and 100,000 prescriptions (1,000,000 with --million; other sizes as arguments). Each
// is run several times on a fresh data folder and its median wall time printed, with
// the CPU time (user + system) and the peak resident memory of that process alone.
// Beside them the floors this machine allows: the same rows inserted by this process
// with one prepared insert in one transaction, a plain copy of the file with fsync, and
// one bare key derivation (PBKDF2-HMAC-SHA1, 64,000 rounds); and the time the CLI itself
// spends deriving keys, which it reports when FANGJI_REPORT_KEY_DERIVATION is set.
// --dir DIR keeps the inputs of the last size in DIR, to run one command again by hand;
// --compare CLI runs another build's fangji-cli add and import in turn with this one's
// and prints its figures on a line "other" below.
#include "bench/corpus.h"

#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace fangji;

namespace {

// One finished child process: wall time, peak resident memory and exit status.
struct ProcessRun {
    double seconds = 0;
    double cpuSeconds = 0; // user + system
    double peakMb = 0;
    int status = -1;
};

// Runs a program with arguments, standard output and error into files (or /dev/null).
ProcessRun runProcess(const QString& program, const QStringList& args, const QString& outFile = {},
                      const QString& errFile = {}) {
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& a : args) {
        storage.push_back(a.toUtf8());
    }
    std::vector<char*> argv;
    for (QByteArray& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    const QByteArray out = outFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(outFile);
    const QByteArray err = errFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(errFile);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        dup2(o, 1);
        dup2(e, 2);
        dup2(in, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ProcessRun run;
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.cpuSeconds =
            usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        run.peakMb = usage.ru_maxrss / 1024.0; // kilobytes on Linux
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

double median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

// A plain copy of a file made durable with fsync: what any copy of the bytes costs.
double plainCopySeconds(const QString& from, const QString& to) {
    QElapsedTimer timer;
    timer.start();
    const int in = open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char> buffer(1 << 20);
    ssize_t n = 0;
    while (in >= 0 && out >= 0 && (n = read(in, buffer.data(), buffer.size())) > 0) {
        if (write(out, buffer.data(), static_cast<size_t>(n)) != n) {
            break;
        }
    }
    if (out >= 0) {
        fsync(out);
        close(out);
    }
    if (in >= 0) {
        close(in);
    }
    return timer.nsecsElapsed() / 1e9;
}

// What writing the rows costs the engine alone: the import source's rows inserted into a
// copy of the template, in this process, with the insert prepared once and one transaction
// for all rows. Indexes, collations and the cipher as the commands have them.
double bulkInsertSeconds(const QString& templatePath, const QString& source, const QString& target) {
    if (!copyFile(templatePath, target)) {
        return 0;
    }
    QElapsedTimer timer;
    timer.start();
    auto from = store::Database::open(source, store::kImportConnect);
    auto to = store::Database::open(target, store::kMainConnect);
    if (!from || !to || !to->begin()) {
        return 0;
    }
    auto read = from->prepareNative(QStringLiteral("SELECT fjmc,fjgc,fjgy,fjzz,fjyf,fjly,fjxd FROM zyfj"));
    auto write = to->prepareNative(QStringLiteral("INSERT INTO 中医方剂 VALUES(?1,?2,?3,?4,?5,?6,' ',?7)"));
    if (!read || !write) {
        return 0;
    }
    while (true) {
        auto row = read->step();
        if (!row || !*row) {
            break;
        }
        for (int c = 0; c < 7; ++c) {
            int bytes = 0;
            const char* text = read->utf8(c, &bytes);
            (void)write->bindUtf8(c + 1, text, bytes);
        }
        if (!write->step() || !write->reset()) {
            return 0;
        }
    }
    write = store::Statement();
    if (!to->commit()) {
        return 0;
    }
    return timer.nsecsElapsed() / 1e9;
}

// One bare key derivation, as the cipher makes it for a passphrase.
double bareDerivationMs() {
    const QByteArray pass = store::connectPassword(store::kMainConnect).toUtf8();
    unsigned char salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    unsigned char key[32];
    QElapsedTimer timer;
    timer.start();
    PKCS5_PBKDF2_HMAC_SHA1(pass.constData(), static_cast<int>(pass.size()), salt, sizeof salt, 64000, sizeof key, key);
    return timer.nsecsElapsed() / 1e6;
}

// The derivations a CLI run reported on standard error: count and milliseconds in all.
std::pair<int, double> reportedDerivations(const QString& errFile) {
    QFile f(errFile);
    if (!f.open(QIODevice::ReadOnly)) {
        return {0, 0};
    }
    static const QRegularExpression line(QStringLiteral("key derivation: ([0-9.]+) ms"));
    int count = 0;
    double ms = 0;
    auto it = line.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) {
        ms += it.next().captured(1).toDouble();
        ++count;
    }
    return {count, ms};
}

struct Figures {
    double seconds = 0;
    double peakMb = 0;
};

} // namespace

int main(int argc, char** argv) {
    // Measured before anything else runs in this process.
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i) {
        bare.push_back(bareDerivationMs());
    }
    QCoreApplication app(argc, argv);
    std::vector<int> sizes;
    int repeats = 3;
    QString keepIn; // --dir DIR: the files of the last size are left there for a closer look
    QString other;  // --compare CLI: another build's fangji-cli, run in turn with this one
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--million") == 0) {
            sizes.push_back(1000000);
        } else if (std::strcmp(argv[i], "--repeats") == 0 && i + 1 < argc) {
            repeats = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            keepIn = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--compare") == 0 && i + 1 < argc) {
            other = QString::fromLocal8Bit(argv[++i]);
        } else if (std::atoi(argv[i]) > 0) {
            sizes.push_back(std::atoi(argv[i]));
        }
    }
    if (sizes.empty() || (sizes.size() == 1 && sizes[0] == 1000000)) {
        sizes.insert(sizes.begin(), {1000, 10000, 100000});
    }
    const QString templatePath = bench::templateBesideProgram();
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/fangji-cli");
    if (templatePath.isEmpty() || !QFileInfo::exists(cli)) {
        std::fprintf(stderr, "needs the template and fangji-cli beside the program\n");
        return 1;
    }
    qputenv("FANGJI_REPORT_KEY_DERIVATION", "1");

    std::printf("bare key derivation (PBKDF2-HMAC-SHA1, 64,000 rounds): %.1f ms (median of %zu)\n", median(bare),
                bare.size());
    std::printf("medians of %d runs; MB = peak resident memory of that process alone\n", repeats);
    std::printf("%9s %7s %8s %7s %7s %8s %7s %7s %7s %8s %7s %8s %7s %8s %7s\n", "rows", "file MB", "add s", "add cpu",
                "add MB", "import s", "imp cpu", "imp MB", "bulk s", "backup s", "bak MB", "restore s", "res MB",
                "copy s", "keys");
    for (const int rows : sizes) {
        QTemporaryDir temporary;
        QDir dir(keepIn.isEmpty() ? temporary.path() : keepIn);
        dir.mkpath(QStringLiteral("."));
        // A kept folder holds the files of the size before: each size starts afresh.
        for (const QString& stale : {QStringLiteral("corpus"), QStringLiteral("work")}) {
            QDir(dir.filePath(stale)).removeRecursively();
        }
        for (const QString& stale : {QStringLiteral("corpus.jsonl"), QStringLiteral("source.mdb")}) {
            QFile::remove(dir.filePath(stale));
        }
        const QString corpusDir = dir.filePath(QStringLiteral("corpus"));
        const QString workDir = dir.filePath(QStringLiteral("work"));
        QDir().mkpath(corpusDir);
        QDir().mkpath(workDir);
        const QString corpusPath = corpusDir + QStringLiteral("/vizi.mdb");
        const QString database = workDir + QStringLiteral("/vizi.mdb");
        const QString jsonl = dir.filePath(QStringLiteral("corpus.jsonl"));
        const QString source = dir.filePath(QStringLiteral("source.mdb"));
        const QString backup = dir.filePath(QStringLiteral("backup.mdb"));
        const QString plain = dir.filePath(QStringLiteral("plain.mdb"));
        const QString errFile = dir.filePath(QStringLiteral("stderr.txt"));
        if (!copyFile(templatePath, corpusPath)) {
            return 1;
        }
        {
            auto db = store::Database::open(corpusPath, store::kMainConnect);
            if (!db || !bench::generateCorpus(*db, rows).ok()) {
                std::fprintf(stderr, "corpus failed\n");
                return 1;
            }
        }
        if (runProcess(cli,
                       {QStringLiteral("--data-dir"), corpusDir, QStringLiteral("export"), QStringLiteral("--format"),
                        QStringLiteral("jsonl")},
                       jsonl)
                    .status != 0 ||
            !bench::makeImportSource(corpusPath, source)) {
            std::fprintf(stderr, "inputs failed\n");
            return 1;
        }

        const int runs = rows >= 1000000 ? 1 : repeats;
        const QString bulk = dir.filePath(QStringLiteral("bulk.mdb"));
        std::vector<double> addS, addCpu, addMb, importS, importCpu, importMb, bulkS, backupS, backupMb, restoreS,
            restoreMb, copyS, keyMs;
        std::vector<double> otherAddS, otherAddCpu, otherAddMb, otherImportS, otherImportCpu, otherImportMb;
        int keyCount = 0;
        for (int r = 0; r < runs; ++r) {
            if (!copyFile(templatePath, database)) {
                return 1;
            }
            ProcessRun add =
                runProcess(cli, {QStringLiteral("--data-dir"), workDir, QStringLiteral("add"), jsonl}, {}, errFile);
            if (add.status != 0) {
                std::fprintf(stderr, "add failed (%d)\n", add.status);
                return 1;
            }
            addS.push_back(add.seconds);
            addCpu.push_back(add.cpuSeconds);
            addMb.push_back(add.peakMb);
            const auto [count, ms] = reportedDerivations(errFile);
            keyCount = count;
            if (count > 0) {
                keyMs.push_back(ms / count);
            }

            if (!copyFile(templatePath, database)) {
                return 1;
            }
            ProcessRun imp = runProcess(cli, {QStringLiteral("--data-dir"), workDir, QStringLiteral("import"), source});
            if (imp.status != 0) {
                std::fprintf(stderr, "import failed (%d)\n", imp.status);
                return 1;
            }
            importS.push_back(imp.seconds);
            importCpu.push_back(imp.cpuSeconds);
            importMb.push_back(imp.peakMb);

            // The other build right after, on the same inputs, so that both meet the same load.
            if (!other.isEmpty()) {
                if (!copyFile(templatePath, database)) {
                    return 1;
                }
                ProcessRun otherAdd =
                    runProcess(other, {QStringLiteral("--data-dir"), workDir, QStringLiteral("add"), jsonl});
                if (!copyFile(templatePath, database)) {
                    return 1;
                }
                ProcessRun otherImp =
                    runProcess(other, {QStringLiteral("--data-dir"), workDir, QStringLiteral("import"), source});
                if (otherAdd.status != 0 || otherImp.status != 0) {
                    std::fprintf(stderr, "the other build's add/import failed (%d, %d)\n", otherAdd.status,
                                 otherImp.status);
                    return 1;
                }
                otherAddS.push_back(otherAdd.seconds);
                otherAddCpu.push_back(otherAdd.cpuSeconds);
                otherAddMb.push_back(otherAdd.peakMb);
                otherImportS.push_back(otherImp.seconds);
                otherImportCpu.push_back(otherImp.cpuSeconds);
                otherImportMb.push_back(otherImp.peakMb);
            }

            QFile::remove(backup);
            ProcessRun bak = runProcess(cli, {QStringLiteral("--data-dir"), workDir, QStringLiteral("backup"), backup});
            // The file then holds other bytes on every page (another file of the same template:
            // the corpus), so the measured restore writes the whole backup, not only the pages
            // changed since it was taken.
            QFile::remove(database);
            if (!copyFile(corpusPath, database)) {
                return 1;
            }
            ProcessRun res = runProcess(cli, {QStringLiteral("--data-dir"), workDir, QStringLiteral("restore"), backup},
                                        {}, errFile);
            if (bak.status != 0 || res.status != 0) {
                std::fprintf(stderr, "backup/restore failed (%d, %d)\n", bak.status, res.status);
                return 1;
            }
            backupS.push_back(bak.seconds);
            backupMb.push_back(bak.peakMb);
            restoreS.push_back(res.seconds);
            restoreMb.push_back(res.peakMb);
            copyS.push_back(plainCopySeconds(database, plain));
            bulkS.push_back(bulkInsertSeconds(templatePath, source, bulk));
        }
        std::printf("%9d %7.1f %8.3f %7.3f %7.1f %8.3f %7.3f %7.1f %7.3f %8.3f %7.1f %8.3f %7.1f %8.3f %4d×%.0fms\n",
                    rows, QFileInfo(database).size() / (1024.0 * 1024.0), median(addS), median(addCpu), median(addMb),
                    median(importS), median(importCpu), median(importMb), median(bulkS), median(backupS),
                    median(backupMb), median(restoreS), median(restoreMb), median(copyS), keyCount, median(keyMs));
        if (!other.isEmpty()) {
            std::printf("%9s %7s %8.3f %7.3f %7.1f %8.3f %7.3f %7.1f\n", "other", "", median(otherAddS),
                        median(otherAddCpu), median(otherAddMb), median(otherImportS), median(otherImportCpu),
                        median(otherImportMb));
        }
        std::fflush(stdout);
    }
    std::printf("cpu: user + system seconds of that process; bulk s: the floor for add and import, the same rows\n"
                "inserted in this process with the insert prepared once, in one transaction\n");
    std::printf("keys: derivations a fangji-cli add made, and the median time of one inside the CLI\n");
    return 0;
}
