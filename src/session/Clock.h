// The two clocks the journal reads, injectable so that tests can step through commit periods
// and the seven days of the Papierkorb.
#pragma once

#include <QtGlobal>

namespace kurvimat::session {

class Clock {
public:
    virtual ~Clock() = default;
    /// Milliseconds on a clock that never jumps (commit cadence).
    virtual qint64 steadyMs() const = 0;
    /// Milliseconds since 1970-01-01 UTC (when a run was recorded, Papierkorb ages).
    virtual qint64 wallMs() const = 0;
};

class SystemClock final : public Clock {
public:
    qint64 steadyMs() const override;
    qint64 wallMs() const override;
};

} // namespace kurvimat::session
