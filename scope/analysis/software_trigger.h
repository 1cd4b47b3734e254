// A trigger that the oscilloscope itself applies to a growing record: it
// watches one channel's new samples for a crossing of a level on the chosen
// edge and places the view so that the crossing sits at the pre-trigger
// share of the window. Single mode holds the first window; repeated mode
// looks again once each window is full.
#pragma once

#include "scope/core/scope_record.h"

#include <cstdint>
#include <optional>

namespace korvan::scope {

enum class TriggerEdge
{
    Rising = 0,
    Falling = 1
};

enum class TriggerMode
{
    Single = 0,
    Repeated = 1
};

struct TriggerSettings
{
    int channel = 0;
    double level = 0.0;
    TriggerEdge edge = TriggerEdge::Rising;
    double preTrigger = 0.2; ///< share of the window before the crossing, 0 to 1
    TriggerMode mode = TriggerMode::Repeated;
};

class SoftwareTrigger
{
public:
    enum class State
    {
        Off,     ///< not looking
        Waiting, ///< armed, looking for the crossing
        Filling, ///< triggered, the window after the crossing is still filling
        Held     ///< single mode: the window is full and stays
    };
    enum class Event
    {
        None,
        Triggered,     ///< a crossing was found: move the view to viewStart()
        WindowComplete ///< the window after the crossing is full
    };

    const TriggerSettings& settings() const { return m_settings; }
    void setSettings(const TriggerSettings& settings);
    State state() const { return m_state; }

    /// Starts looking at the samples that arrive from now on.
    void arm(const ScopeRecord& record);
    void disarm() { m_state = State::Off; }

    /// Looks at the samples that arrived since the last call; window is the
    /// number of samples the view shows. At most one event per call.
    Event scan(const ScopeRecord& record, int window);

    /// The last crossing as a fractional sample position.
    std::optional<double> position() const { return m_position; }
    /// The view start that puts the last crossing at the pre-trigger share of window.
    int viewStart(int window) const;

private:
    std::optional<double> findCrossing(const ScopeRecord& record);

    TriggerSettings m_settings;
    State m_state = State::Off;
    std::optional<double> m_position;
    int m_scanned = 0; ///< the next sample to look at
    int m_window = 0;  ///< the window the last crossing fills
    std::uint64_t m_generation = 0;
};

} // namespace korvan::scope
