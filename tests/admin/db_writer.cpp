// A second process on a database file, for the tests of backup and restore:
//   db_writer interrupt FILE      writes many rows, with a small page cache so that the
//                                 file itself is changed, and is killed inside the
//                                 transaction: the file keeps a journal to roll back
//   db_writer hold-write FILE     holds an open write transaction holding one new row
//                                 ("并发写入") until a line arrives on standard input,
//                                 then commits and prints "commit ok" or the error
//   db_writer hold-read FILE      the same with an open read transaction
//   db_writer restore-killed BACKUP FILE PERCENT
//                                 restores BACKUP into FILE and is killed once PERCENT
//                                 of the backup's bytes are written
// Each prints "ready" once its transaction is open.
#include "store/backup.h"
#include "store/database.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QString>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

using namespace fangji;

namespace {

int fail(const store::DbError& e) {
    std::fprintf(stderr, "%d %s\n", e.number, e.description.toUtf8().constData());
    return 1;
}

void say(const char* text) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QStringLiteral("restore-killed")) {
        const qint64 percent = args[4].toLongLong();
        const store::Status s =
            store::restoreDatabase(args[2], args[3], store::kMainConnect, 1000, [percent](qint64 done, qint64 total) {
                if (done * 100 >= total * percent) {
                    std::raise(SIGKILL);
                }
            });
        return s ? 3 : fail(s.error());
    }
    if (args.size() != 3) {
        std::fputs("usage: db_writer interrupt|hold-write|hold-read FILE\n", stderr);
        return 2;
    }
    const QString mode = args[1];
    auto db = store::Database::open(args[2], store::kMainConnect);
    if (!db) {
        return fail(db.error());
    }
    if (mode == QStringLiteral("interrupt")) {
        // A cache of a few pages spills changed pages into the file before the commit.
        if (auto s = db->executeNative(QStringLiteral("PRAGMA cache_size = 4; BEGIN")); !s) {
            return fail(s.error());
        }
        auto insert = db->prepareNative(QStringLiteral("INSERT INTO 中医方剂 VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"));
        if (!insert) {
            return fail(insert.error());
        }
        const QString filler = QString(400, QChar(0x836F)); // 药
        for (int i = 0; i < 2000; ++i) {
            (void)insert->bind(1, QStringLiteral("中断方%1").arg(i));
            for (int c = 2; c <= 8; ++c) {
                (void)insert->bind(c, filler);
            }
            if (auto done = insert->step(); !done) {
                return fail(done.error());
            }
            (void)insert->reset();
        }
        // Rewrite the existing rows too, so that pages the file had before change.
        if (auto s = db->executeNative(QStringLiteral("UPDATE 中医方剂 SET 临床 = 临床 || '改'")); !s) {
            return fail(s.error());
        }
        say("ready");
        std::raise(SIGKILL);
        return 3;
    }
    const bool write = mode == QStringLiteral("hold-write");
    if (!write && mode != QStringLiteral("hold-read")) {
        return 2;
    }
    if (auto s = db->executeNative(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")); !s) {
        return fail(s.error());
    }
    if (write) {
        if (auto s = db->executeNative(
                QStringLiteral("INSERT INTO 中医方剂 VALUES('并发写入','a','b','c','d','e',' ',' ')"));
            !s) {
            return fail(s.error());
        }
    } else {
        auto stmt = db->prepareNative(QStringLiteral("SELECT count(*) FROM 中医方剂"));
        if (!stmt || !stmt->step()) {
            return 1;
        }
        // The statement stays unfinished: the read lock is held until the commit.
        say("ready");
        std::string line;
        std::getline(std::cin, line);
        stmt = store::Statement();
        auto s = db->commit();
        say(s ? "commit ok" : "commit failed");
        return s ? 0 : 1;
    }
    say("ready");
    std::string line;
    std::getline(std::cin, line);
    if (auto s = db->commit(); !s) {
        say("commit failed");
        return fail(s.error());
    }
    say("commit ok");
    return 0;
}
