#include "app/startup.h"

#include "platform/single_instance.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fangji"));
    QApplication::setApplicationVersion(QStringLiteral("5.2.0"));
    QApplication::setQuitOnLastWindowClosed(false);

    fangji::platform::SingleInstance instance;
    fangji::app::Startup startup;
    if (startup.run(instance) == fangji::app::Startup::Outcome::Ended) {
        return startup.exitCode();
    }
    return QApplication::exec();
}
