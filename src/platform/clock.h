#pragma once

#include <QDateTime>

#include <functional>

class QObject;

namespace fangji::platform {

// Time as the system sees it: the wall clock for dates, a monotonic clock for
// waits, and one-shot timers. Tests install a clock they advance by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual qint64 monotonicMs() const = 0;
    // Calls fn after ms milliseconds unless context has been destroyed by then.
    virtual void singleShot(int ms, QObject* context, std::function<void()> fn) = 0;
};

Clock& clock();
// Installs c (not owned); nullptr restores the system clock.
void setClock(Clock* c);

// Lets pending window messages run, over and over, until ms milliseconds of
// elapsed (monotonic) time have passed.
void waitProcessingEvents(int ms);

} // namespace fangji::platform
