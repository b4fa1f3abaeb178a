#include "app/startup.h"

#include "platform/fonts.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fangji"));
    QApplication::setApplicationVersion(QStringLiteral("5.2.0"));
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
