// What the capture is doing, in one line that the panel always shows:
// stopped, armed and waiting for the trigger, filling (samples of depth),
// complete, or continuous.
#pragma once

#include "scope/core/scope_record.h"

#include <string>

namespace korvan::scope {

enum class CapturePhase
{
    Stopped,
    WaitingForTrigger, ///< running, nothing of the current capture read yet
    Filling,           ///< running, part of the capture read
    Complete,          ///< single capture read in full; a new trigger starts another
    Continuous         ///< running, the record keeps growing across captures
};

struct CaptureStatus
{
    CapturePhase phase = CapturePhase::Stopped;
    int filled = 0; ///< samples of the current capture read
    int depth = 0;
    int total = 0; ///< samples per channel in the record
    std::string text;
};

/// The status from the engine's running flag, the continuous setting and the record.
CaptureStatus describeCapture(bool running, bool continuous, const ScopeRecord& record);

} // namespace korvan::scope
