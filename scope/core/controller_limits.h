// The controller's I/O and memory counts that bound each row's number, read
// once per link, and the per-row refresh that LoadControllerLimits performs.
#pragma once

#include "scope/core/scope_link.h"
#include "scope/core/scope_settings.h"

#include <functional>
#include <string>
#include <string_view>

namespace korvan::scope {

struct ControllerLimits
{
    int axes = 0;
    int inputs = 0;
    int outputs = 0;
    int analogInputs = 0;
    int analogOutputs = 0;
    int tableSize = 0;
    int vrCount = 0;
    bool loaded = false;
};

/// Parses the "?*max" reply into the counts (axes untouched; missing keys give 0).
void parseMaxReply(std::string_view reply, ControllerLimits& limits);

/// How many numbers a source offers and whether they are listed.
struct NumberRange
{
    int count = 0;      ///< numbers 0 to count − 1; the number is clamped to count − 1
    bool listed = true; ///< false for "TABLE": no list, only the clamp
};
NumberRange numberRangeFor(std::string_view source, const ControllerLimits& limits);

/// One row as the limits loader sees its boxes.
struct RowBoxes
{
    std::string source;     ///< the source box text
    std::string numberText; ///< the number box text
    int listCount = 0;      ///< entries "0" to listCount − 1 in the number list (0: empty)
    int number = 0;         ///< the row's number after the clamp
};

/// LoadControllerLimits: does real work once per link.
class ControllerLimitsLoader
{
public:
    using MessageSink = std::function<void(std::string_view)>;

    const ControllerLimits& limits() const { return m_limits; }
    /// A source box picked another entry: the next load re-probes all rows.
    void invalidate() { m_limits.loaded = false; }
    /// True when load() would do real work (a link and nothing loaded yet).
    bool needsLoad(const ScopeLink& link) const { return link.connected() && !m_limits.loaded; }

    /// Reads the counts and refreshes the eight rows; returns true when it did real work.
    bool load(ScopeLink& link, std::array<RowBoxes, kMaxChannels>& rows,
              const MessageSink& message);

private:
    ControllerLimits m_limits;
};

} // namespace korvan::scope
