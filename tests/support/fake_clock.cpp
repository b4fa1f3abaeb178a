#include "fake_clock.h"

namespace fangji::testing {

FakeClock::FakeClock() : m_now(QDate(2026, 3, 7), QTime(10, 0)) {
    platform::setClock(this);
}

FakeClock::~FakeClock() {
    platform::setClock(nullptr);
}

qint64 FakeClock::monotonicMs() const {
    const qint64 value = m_mono;
    if (m_autoStep > 0) {
        const_cast<FakeClock*>(this)->advance(m_autoStep);
    }
    return value;
}

void FakeClock::advance(qint64 ms) {
    m_mono += ms;
    m_now = m_now.addMSecs(ms);
    // Fire due timers in order of their due time; a fired timer may add new ones.
    while (true) {
        auto due = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->due <= m_mono && (due == m_timers.end() || it->due < due->due)) {
                due = it;
            }
        }
        if (due == m_timers.end()) {
            break;
        }
        Timer t = std::move(*due);
        m_timers.erase(due);
        if (!t.hasContext || t.context) {
            t.fn();
        }
    }
}

int FakeClock::pendingTimers() const {
    int n = 0;
    for (const Timer& t : m_timers) {
        if (!t.hasContext || t.context) {
            ++n;
        }
    }
    return n;
}

void FakeClock::singleShot(int ms, QObject* context, std::function<void()> fn) {
    m_timers.push_back({m_mono + ms, QPointer<QObject>(context), context != nullptr, std::move(fn)});
}

} // namespace fangji::testing
