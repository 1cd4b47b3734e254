#include "scope/analysis/capture_status.h"

#include <string>

namespace korvan::scope {

CaptureStatus describeCapture(bool running, bool continuous, const ScopeRecord& record)
{
    CaptureStatus status;
    status.depth = record.depth;
    status.total = record.total;
    status.filled = record.total - record.history;
    const std::string total = std::to_string(record.total);
    if (!running) {
        status.phase = CapturePhase::Stopped;
        status.text = record.total > 0 ? "Stopped: " + total + " samples kept" : "Stopped";
    } else if (record.total == 0) {
        status.phase = CapturePhase::WaitingForTrigger;
        status.text = "Armed: waiting for the trigger";
    } else if (continuous) {
        status.phase = CapturePhase::Continuous;
        status.text = "Continuous: " + total + " samples";
    } else if (status.filled < record.depth) {
        status.phase = CapturePhase::Filling;
        const int percent =
            record.depth > 0 ? static_cast<int>(100LL * status.filled / record.depth) : 0;
        status.text = "Filling " + std::to_string(status.filled) + " / " +
                      std::to_string(record.depth) + " (" + std::to_string(percent) + " %)";
    } else {
        status.phase = CapturePhase::Complete;
        status.text = "Complete: " + total + " samples; waiting for the next trigger";
    }
    return status;
}

} // namespace korvan::scope
