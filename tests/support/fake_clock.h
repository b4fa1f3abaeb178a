#pragma once

#include "platform/clock.h"

#include <QPointer>

#include <vector>

namespace fangji::testing {

// A clock that moves only when told to. Timers fire from advance(). With an
// auto step, every reading of the monotonic clock moves it on, so that waits
// that poll the clock end quickly.
class FakeClock final : public platform::Clock {
public:
    FakeClock();
    ~FakeClock() override;

    void setNow(const QDateTime& now) { m_now = now; }
    // Moves wall and monotonic time on by ms and fires the timers that fall due.
    void advance(qint64 ms);
    // Each monotonicMs() reading advances time by ms (0: off).
    void setAutoStep(qint64 ms) { m_autoStep = ms; }
    int pendingTimers() const;

    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override;
    void singleShot(int ms, QObject* context, std::function<void()> fn) override;

private:
    struct Timer {
        qint64 due;
        QPointer<QObject> context;
        bool hasContext;
        std::function<void()> fn;
    };
    QDateTime m_now;
    mutable qint64 m_mono = 0;
    qint64 m_autoStep = 0;
    std::vector<Timer> m_timers;
};

} // namespace fangji::testing
