// The controller's oscilloscope recorder. SCOPE(1, interval, first, last,
// sources...) sets it up over TABLE(first..last); a trigger starts a
// capture that writes one sample of every source each `interval` servo
// ticks, channel-major: sample j of channel c lands in
// TABLE(first + c * depth + j), depth = (last - first + 1) / channels.
// A single capture stops when full; a continuous one starts over at 0.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvan::controller {

// A value the recorder samples: a parameter or array element by name.
struct ScopeSource
{
    std::string name; // upper case
    std::vector<double> args;
    bool hasArgs = false;
    std::optional<int> axis;
};

struct ScopeSetup
{
    int interval = 1; // servo ticks between samples
    int first = 0;    // TABLE index of channel 0, sample 0
    int depth = 0;    // samples per channel
    std::vector<ScopeSource> sources;
};

class ScopeRecorder
{
public:
    /// Reads one source now; false when it cannot be read.
    using SourceReader = std::function<bool(const ScopeSource&, double&)>;

    /// Takes a new setup; nothing records until a trigger.
    void configure(ScopeSetup setup);
    /// SCOPE(0): no more samples; SCOPE_POS keeps its value.
    void stop();
    /// Starts a capture from sample 0; false when nothing is configured.
    bool trigger(bool continuous);
    /// One servo tick: takes a sample when one is due.
    void tick(const SourceReader& read, std::vector<double>& table);

    bool configured() const { return m_configured; }
    bool capturing() const { return m_capturing; }
    /// Samples per channel written in the current capture (SCOPE_POS).
    int position() const { return m_position; }
    const ScopeSetup& setup() const { return m_setup; }

private:
    ScopeSetup m_setup;
    bool m_configured = false;
    bool m_capturing = false;
    bool m_continuous = false;
    int m_position = 0;
    int m_ticksToSample = 0;
};

} // namespace korvan::controller
