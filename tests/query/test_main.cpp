// The query subsystem's tests: its logic without windows, the export, then the window itself.
#include <QApplication>

int runQueryCoreTests(int argc, char** argv);
int runQueryExportTests(int argc, char** argv);
int runQueryFormTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = runQueryCoreTests(argc, argv);
    failed += runQueryExportTests(argc, argv);
    failed += runQueryFormTests(argc, argv);
    return failed;
}
