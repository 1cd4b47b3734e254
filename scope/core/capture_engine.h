// Start, stop, manual trigger and the periodic poll that copies the samples the
// controller has recorded into the record, once or as one growing continuous
// record. Qt-free; the panel answers the host callbacks.
#pragma once

#include "scope/core/scope_link.h"
#include "scope/core/scope_record.h"
#include "scope/core/scope_settings.h"
#include "scope/core/servo_clock.h"

#include <string>
#include <string_view>

namespace korvan::scope {

/// What the engine asks of the panel and its display.
class CaptureHost
{
public:
    virtual ~CaptureHost() = default;
    virtual void showMessage(std::string_view text) = 0;
    /// LoadControllerLimits of the panel.
    virtual void loadControllerLimits() = 0;
    /// Copies the active rows' boxes (number, source, scale, offset) into the rows.
    virtual void syncRowsFromBoxes() = 0;
    /// Start succeeded: copy settings to the display, lock controls, write the Start keys.
    virtual void captureStarted() = 0;
    /// Stop: unlock the settings button and the active rows.
    virtual void captureStopped() = 0;
    virtual void repaintAll() = 0;
    virtual void repaintLabels() = 0;
    /// Repaint of the samples from first to last.
    virtual void repaintSamples(int first, int last) = 0;
    virtual void updateScrollBar() = 0;
    virtual int displayWidth() const = 0;
    virtual int viewStart() const = 0;
    virtual void setViewStart(int start) = 0;
};

struct CaptureState
{
    bool running = false;
    bool armed = false;
    int drawn = 0;
    int effectiveDepth = 0;
    int lastFollowStart = 0;
};

/// The follow rule's view start: the newest sample at 70 % of the width.
int followCandidate(int available, int width, double horizontalScale);

class CaptureEngine
{
public:
    CaptureEngine(ScopeLink& link, ControllerSpec& spec, const ScopeSettings& settings,
                  ScopeChannels& rows, ScopeRecord& record, CaptureHost& host);

    const CaptureState& state() const { return m_state; }
    /// The capture area's first TABLE index, as chosen at Start.
    int tableStart() const { return m_start; }
    /// The controller's servo period, read once per link.
    const ServoClock& servoClock() const { return m_clock; }

    void start();
    void stop();
    void manualTrigger();
    /// One timer tick; returns the next period in ms, or 0 when the poll must not be re-set.
    int poll();

private:
    int count() const { return m_record.channelCount; }
    int depth() const { return m_record.depth; }
    bool readSamples(int read, int n);
    void holdSamples(int channel, int from, int to);
    bool growRecord(int newHistory);
    bool continuousArmed() const { return m_settings.continuous && m_state.armed; }
    void followAndRepaint(int read);

    ScopeLink& m_link;
    ControllerSpec& m_spec;
    const ScopeSettings& m_settings;
    ScopeChannels& m_rows;
    ScopeRecord& m_record;
    CaptureHost& m_host;
    CaptureState m_state;
    ServoClock m_clock;
    int m_start = 0;
};

/// True when the controller refused a SCOPE setup: an error code or an "ERROR" reply.
bool scopeSetupRefused(std::int32_t code, std::string_view reply);

/// The SCOPE command for the active rows, e.g. "SCOPE(1,1,0,1999,VP_SPEED(0),DPOS(1))".
std::string scopeCommand(int interval, int start, int count, int depth, const ScopeChannels& rows);

} // namespace korvan::scope
