#include "app/command_line.h"
#include "app/startup.h"

#include "platform/busy.h"
#include "platform/fonts.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    fangji::platform::keepOneHeap();
    // --version and --help answer before any window system is needed.
    const fangji::app::CommandLine line =
        fangji::app::readCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    switch (line.action) {
    case fangji::app::CommandLine::Action::Version:
        std::fputs(fangji::app::versionText().c_str(), stdout);
        return 0;
    case fangji::app::CommandLine::Action::Help:
        std::fputs(fangji::app::helpText().c_str(), stdout);
        return 0;
    case fangji::app::CommandLine::Action::Usage:
        std::fprintf(stderr, "fangji：未知的选项 %s\n\n%s", line.unknown.c_str(), fangji::app::helpText().c_str());
        return 2;
    case fangji::app::CommandLine::Action::Run:
        break;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fangji"));
    QApplication::setApplicationVersion(QString::fromStdString(fangji::app::versionNumber()));
    QApplication::setQuitOnLastWindowClosed(false);
    // Simplified-Chinese type and the program's icon, before the first window.
    fangji::platform::installChineseFaces();
    fangji::platform::installProgramIcon();

    // Qt's own texts (file dialogs, context menus) in Simplified Chinese, like the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    fangji::platform::SingleInstance instance;
    fangji::app::Startup startup;
    if (startup.run(instance) == fangji::app::Startup::Outcome::Ended) {
        return startup.exitCode();
    }
    return QApplication::exec();
}
