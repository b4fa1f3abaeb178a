#include "desktop.h"

#include <QDesktopServices>

namespace fangji::platform {

namespace {

class SystemDesktop final : public Desktop {
public:
    QString open(const QUrl& url) override {
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
