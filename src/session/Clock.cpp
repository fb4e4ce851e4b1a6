#include "Clock.h"

#include <QDateTime>

#include <chrono>

namespace kurvimat::session {

qint64 SystemClock::steadyMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SystemClock::wallMs() const {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace kurvimat::session
