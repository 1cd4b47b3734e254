// The controller's servo period, which turns sample numbers into time. It is
// read once per link (the first tick that finds one) and forgotten when the
// link goes, so a controller with another period is read afresh.
#pragma once

#include "scope/core/scope_link.h"

#include <cstdint>

namespace korvan::scope {

class ServoClock
{
public:
    /// Reads "SERVO_PERIOD" (microseconds) when a link is there and it was not read yet.
    void update(ScopeLink& link)
    {
        if (!link.connected()) {
            m_tried = false;
            m_microseconds = 0;
            return;
        }
        if (m_tried)
            return;
        m_tried = true;
        std::int32_t value = 0;
        // A controller without the value leaves the time base unknown: sample numbers only.
        m_microseconds = link.queryInt("SERVO_PERIOD", value) == 0 && value > 0 ? value : 0;
    }
    /// True when the period is known.
    bool known() const { return m_microseconds > 0; }
    /// One servo tick in seconds; 0 when unknown.
    double periodSeconds() const { return m_microseconds * 1e-6; }
    /// Tests set the period without a link.
    void setMicroseconds(std::int32_t us)
    {
        m_microseconds = us;
        m_tried = true;
    }

private:
    std::int32_t m_microseconds = 0;
    bool m_tried = false;
};

} // namespace korvan::scope
