#pragma once
// Running the Qt event loop from a test, so that timers tick and queued calls arrive.

#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace valdorin::testing {

// Runs the event loop until done() or the time is up (generous: a loaded machine is slow).
template <typename Done>
bool runUntil(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

inline void runFor(std::chrono::milliseconds span) {
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace valdorin::testing
