#include "desktop.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>

namespace fangji::platform {

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop launcher starts in the background and fails there unseen when no
// program handles a document's type; asking the desktop's own registry first
// turns that into an error the caller can report.
QString missingHandler(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    const QString type = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        return {}; // no registry to ask: leave it to the launcher
    }
    if (!query.readAllStandardOutput().trimmed().isEmpty()) {
        return {};
    }
    return QStringLiteral("没有可以打开此类文档（%1）的程序").arg(type);
}
#else
QString missingHandler(const QUrl&) {
    return {};
}
#endif

class SystemDesktop final : public Desktop {
public:
    QString open(const QUrl& url) override {
        if (const QString missing = missingHandler(url); !missing.isEmpty()) {
            return missing;
        }
        if (QDesktopServices::openUrl(url)) {
            return {};
        }
        return QStringLiteral("无法打开 ") + url.toString();
    }
};

Desktop* g_desktop = nullptr;

} // namespace

Desktop& desktop() {
    static SystemDesktop system;
    return g_desktop ? *g_desktop : system;
}

void setDesktop(Desktop* d) {
    g_desktop = d;
}

} // namespace fangji::platform
