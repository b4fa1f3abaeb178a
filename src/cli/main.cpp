// fangji-cli: the prescriptions of the data folder from the command line.
#include "cli/commands.h"
#include "platform/product.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

// Whether the command is print, which lays text out and so needs the fonts of a
// QGuiApplication; the other commands run on a QCoreApplication.
bool needsFonts(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data-dir") == 0) {
            ++i;
        } else if (argv[i][0] != '-') {
            return std::strcmp(argv[i], "print") == 0;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (needsFonts(argc, argv)) {
        // No window is ever shown: the offscreen platform needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!qEnvironmentVariableIsSet("FC_LANG")) {
            qputenv("FC_LANG", "zh-cn"); // Chinese text in its Simplified forms whatever the locale
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("fangji-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(fangji::platform::kVersion));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = fangji::cli::run(QCoreApplication::arguments(), {out, err, isatty(fileno(stderr)) != 0});
    out.flush();
    err.flush();
    return status;
}
