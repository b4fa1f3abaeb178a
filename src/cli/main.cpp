// fangji-cli: the prescriptions of the data folder from the command line.
#include "cli/commands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fangji-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("5.2.0"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = fangji::cli::run(QCoreApplication::arguments(), {out, err, isatty(fileno(stderr)) != 0});
    out.flush();
    err.flush();
    return status;
}
