#include "clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace fangji::platform {

namespace {

class SystemClock final : public Clock {
public:
    SystemClock() { m_timer.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override { return m_timer.elapsed(); }
    void singleShot(int ms, QObject* context, std::function<void()> fn) override {
        QTimer::singleShot(ms, context, std::move(fn));
    }

private:
    QElapsedTimer m_timer;
};

SystemClock& systemClock() {
    static SystemClock c;
    return c;
}

Clock* g_clock = nullptr;

} // namespace

Clock& clock() {
    return g_clock ? *g_clock : systemClock();
}

void setClock(Clock* c) {
    g_clock = c;
}

void waitProcessingEvents(int ms) {
    const qint64 end = clock().monotonicMs() + ms;
    while (clock().monotonicMs() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5); // keeps the wait from spinning a core
    }
}

} // namespace fangji::platform
