#include "desktop.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>

#include <optional>

namespace fangji::platform {

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop launcher starts in the background and fails there unseen when no
// program handles a document's type; asking the desktop's own registry first
// turns that into an answer the caller can act on. Nothing when there is no
// registry to ask.
std::optional<bool> registeredProgram(const QString& type) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        return std::nullopt;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}
#else
std::optional<bool> registeredProgram(const QString&) {
    return std::nullopt;
}
#endif

QString missingHandler(const QUrl& url) {
    if (!url.isLocalFile()) {
        return {};
    }
    const QString type = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
    if (registeredProgram(type).value_or(true)) {
        return {};
    }
    return QStringLiteral("没有可以打开此类文档（%1）的程序").arg(type);
}

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
    bool hasProgramFor(const QString& mimeType) override { return registeredProgram(mimeType).value_or(true); }
};

Desktop* g_desktop = nullptr;

} // namespace

bool Desktop::hasProgramFor(const QString&) {
    return true;
}

Desktop& desktop() {
    static SystemDesktop system;
    return g_desktop ? *g_desktop : system;
}

void setDesktop(Desktop* d) {
    g_desktop = d;
}

} // namespace fangji::platform
