// Times the entry window's name list and search over seeded corpora of 1,000,
// 10,000 and 100,000 prescriptions (or the sizes given on the command line).
#include "bench/corpus.h"

#include "entry/entry_form.h"
#include "entry/entry_store.h"

#include "scripted_prompts.h"
#include "test_env.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace fangji;

namespace {

// Median of a few runs, in milliseconds.
double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::vector<int> sizes = bench::corpusSizes(argc, argv);
    std::printf("%8s %14s %14s %14s %14s %10s\n", "rows", "read names ms", "Qpcls ms", "search 1 ms", "search 3 ms",
                "found");
    for (const int rows : sizes) {
        testing::TestDataDir dir;
        {
            store::Database db = dir.open();
            if (store::Status s = bench::generateCorpus(db, rows); !s) {
                std::fprintf(stderr, "corpus: %s\n", qPrintable(s.error().description));
                return 1;
            }
        }
        testing::ScriptedPrompts prompts;
        testing::FakeSession session;
        auto* form = new entry::EntryForm(session);
        session.showWindow(form);
        app.processEvents();

        const double read = medianMs(5, [&] {
            store::Database db = dir.open();
            (void)entry::readNames(db, entry::kAllPrescriptions);
        });
        const double clear = medianMs(5, [&] { form->Qpcls(); });
        auto* name = form->findChild<QLineEdit*>(QStringLiteral("TxtFjmc"));
        auto* seek = form->findChild<QPushButton*>(QStringLiteral("Cmdseek"));
        const double searchOne = medianMs(5, [&] {
            name->setText(QStringLiteral("汤"));
            seek->click();
        });
        const int found = form->findChild<QListView*>(QStringLiteral("ListFjmc"))->model()->rowCount();
        const double searchThree = medianMs(5, [&] {
            name->setText(QStringLiteral("汤"));
            form->findChild<QWidget*>(QStringLiteral("TxtFjzz"))->setProperty("plainText", QStringLiteral("痛"));
            form->findChild<QWidget*>(QStringLiteral("TxtFjnr"))->setProperty("plainText", QStringLiteral("草"));
            seek->click();
        });
        if (!prompts.problems().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(prompts.problems().join(QStringLiteral("\n"))));
        }
        std::printf("%8d %14.1f %14.1f %14.1f %14.1f %10d\n", rows, read, clear, searchOne, searchThree, found);
        delete form;
    }
    return 0;
}
