#include "scope/core/capture_engine.h"

#include "scope/core/table_area.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvan::scope {
namespace {

constexpr int kFastReadChunk = 200;
constexpr std::uint8_t kSerialLink = 1;

std::string withCarriageReturns(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        if (ch == '\n')
            out += "\r\n";
        else
            out += ch;
    }
    return out;
}

} // namespace

bool scopeSetupRefused(std::int32_t code, std::string_view reply)
{
    return code != 0 || reply.find("ERROR") != std::string_view::npos;
}

int followCandidate(int available, int width, double horizontalScale)
{
    const double candidate = available - width * (horizontalScale / 100.0) * 0.7;
    return candidate <= 0 ? 0 : static_cast<int>(candidate);
}

std::string scopeCommand(int interval, int start, int count, int depth, const ScopeChannels& rows)
{
    const long long last =
        static_cast<long long>(start) + static_cast<long long>(count) * depth - 1;
    std::string command = "SCOPE(1," + std::to_string(interval) + "," + std::to_string(start) +
                          "," + std::to_string(last);
    for (int c = 0; c < count; ++c) {
        const ScopeChannel& row = rows[static_cast<std::size_t>(c)];
        command += "," + row.source + "(" + std::to_string(row.number) + ")";
    }
    return command + ")";
}

CaptureEngine::CaptureEngine(ScopeLink& link, ControllerSpec& spec, const ScopeSettings& settings,
                             ScopeChannels& rows, ScopeRecord& record, CaptureHost& host)
    : m_link(link), m_spec(spec), m_settings(settings), m_rows(rows), m_record(record), m_host(host)
{}

void CaptureEngine::start()
{
    if (!m_link.connected()) {
        m_host.showMessage("Controller not connected.");
        return;
    }
    if (!m_spec.ensure(m_link)) {
        m_host.showMessage("控制器不支持.");
        return;
    }
    if (m_state.running)
        return;
    m_clock.update(m_link);

    std::int32_t tableSize = 0;
    if (m_link.queryInt("TSIZE", tableSize) != 0)
        tableSize = 0;
    const int channels = clampChannelCount(m_settings.channelCount);
    const int samples = std::max(1, m_settings.depth);
    const int start = m_settings.useEndOfTable ? tableStartAtEnd(tableSize, channels, samples)
                                               : m_settings.tableStart;
    if (start < 0 || !captureAreaFits(tableSize, start, channels, samples)) {
        m_host.showMessage("Over Table.");
        return;
    }

    m_host.loadControllerLimits();
    m_host.syncRowsFromBoxes();

    // Allocate and ask the controller before touching the record, so that a
    // refusal of either leaves the last record, its labels and its extremes intact.
    SampleBuffer fresh;
    if (!fresh.allocate(channels, samples)) {
        m_host.showMessage("内存不足");
        return;
    }
    std::string reply;
    const std::int32_t rc = m_link.execute(
        scopeCommand(m_settings.interval, start, channels, samples, m_rows), 1000, reply, 255);
    if (!reply.empty())
        m_host.showMessage(withCarriageReturns(reply));
    // A refused setup leaves the controller on its previous one: running now
    // would draw that setup's samples under the new labels.
    if (scopeSetupRefused(rc, reply)) {
        if (reply.empty())
            m_host.showMessage("SCOPE refused, error " + std::to_string(rc) + ".");
        return;
    }

    m_start = start;
    m_state.effectiveDepth = std::min<long long>(samples, (tableSize - start) / channels);
    m_record.history = 0;
    m_record.channelCount = channels;
    m_record.depth = samples;
    m_record.total = 0;
    m_record.touch();
    m_record.samplePeriod = m_clock.periodSeconds() * std::max(1, m_settings.interval);
    m_state.drawn = 0;
    for (int c = 0; c < channels; ++c) {
        const ScopeChannel& row = m_rows[static_cast<std::size_t>(c)];
        ChannelTrace& trace = m_record.traces[static_cast<std::size_t>(c)];
        trace.label = row.source + "(" + std::to_string(row.number) + ")";
        trace.resetExtremes();
    }
    m_record.buffer = std::move(fresh);

    m_state.running = true;
    m_host.captureStarted();
}

void CaptureEngine::stop()
{
    if (!m_state.running)
        return;
    m_host.loadControllerLimits();
    m_state.running = false;
    m_state.armed = false;
    m_link.executeNoAck("SCOPE(0)", 500);
    m_host.captureStopped();
}

void CaptureEngine::manualTrigger()
{
    if (!m_link.connected()) {
        m_host.showMessage("未连接控制器！");
        return;
    }
    if (!m_state.running)
        return;
    m_record.history = 0;
    m_record.total = 0;
    m_record.touch();
    m_state.drawn = 0;
    // The new record's labels show its own extremes, not the previous record's.
    for (int c = 0; c < count(); ++c)
        m_record.traces[static_cast<std::size_t>(c)].resetExtremes();
    // The next ticks only repaint the columns they read; without a whole repaint
    // the previous record's trace would stay on screen beyond the new samples.
    m_host.repaintAll();
    if (m_settings.continuous) {
        std::string reply;
        const std::int32_t rc = m_link.execute("TRIGGER(1)", 500, reply, 2048);
        m_state.armed = rc == 0 && reply.find("ERROR") == std::string::npos;
    } else {
        m_link.executeNoAck("TRIGGER", 500);
    }
}

void CaptureEngine::holdSamples(int channel, int from, int to)
{
    float* block = m_record.buffer.channel(channel);
    const float held = from > 0 ? block[from - 1] : 0.0F;
    std::fill(block + from, block + to, held);
}

bool CaptureEngine::readSamples(int read, int n)
{
    if (n <= 0)
        return false;
    bool labelsChanged = false;
    const int offset = m_record.history + read;
    for (int c = 0; c < count(); ++c) {
        float* target = m_record.buffer.channel(c) + offset;
        const int first = m_start + c * depth() + read;
        if (m_spec.fastRead()) {
            for (int done = 0; done < n; done += kFastReadChunk) {
                const int chunk = std::min(kFastReadChunk, n - done);
                if (m_link.readRegisters(first + done, chunk, target + done) != 0)
                    holdSamples(c, offset + done, offset + done + chunk);
            }
        } else if (m_link.readTable(first, n, target) != 0) {
            // A failed read keeps the trace level instead of showing stale memory.
            holdSamples(c, offset, offset + n);
        }
        ChannelTrace& trace = m_record.traces[static_cast<std::size_t>(c)];
        for (int i = 0; i < n; ++i)
            labelsChanged = trace.track(target[i]) || labelsChanged;
    }
    if (labelsChanged)
        m_host.repaintLabels();
    return true;
}

bool CaptureEngine::growRecord(int newHistory)
{
    const long long length = static_cast<long long>(newHistory) + depth();
    if (length > 0x7FFFFFFF || !m_record.buffer.grow(newHistory, static_cast<int>(length))) {
        m_host.showMessage("内存不足");
        // Keep the record as it stands and end the capture; the timer stays alive.
        stop();
        return false;
    }
    if (newHistory < m_record.total)
        m_record.touch();
    m_record.history = newHistory;
    m_record.total = newHistory;
    m_state.drawn = newHistory;
    m_host.updateScrollBar();
    return true;
}

void CaptureEngine::followAndRepaint(int read)
{
    if (m_settings.follow) {
        const int candidate = followCandidate(m_record.history + read, m_host.displayWidth(),
                                              m_settings.horizontalScale);
        if (m_state.lastFollowStart <= m_host.viewStart()) {
            m_host.setViewStart(candidate);
            m_host.updateScrollBar();
            m_host.repaintAll();
        }
        m_state.lastFollowStart = candidate;
    }
    m_host.repaintSamples(std::max(m_state.drawn - 2, 0), m_record.history + read + 2);
    m_record.total = m_record.history + read;
    m_state.drawn = m_record.total;
}

int CaptureEngine::poll()
{
    m_host.loadControllerLimits();
    m_clock.update(m_link);
    if (!m_link.connected() && m_state.running)
        stop();

    if (m_link.connected() && m_state.running) {
        int read = m_record.total - m_record.history;
        std::int32_t pos = 0;
        // A negative fill position is not a position; treat it like a failed read.
        const bool havePos = m_link.queryInt("SCOPE_POS", pos) == 0 && pos >= 0;
        if (havePos && pos != read) {
            const std::int32_t reported = pos;
            if (pos < read && !continuousArmed()) {
                for (int c = 0; c < count(); ++c)
                    m_record.traces[static_cast<std::size_t>(c)].resetExtremes();
                m_record.history = m_record.total = m_state.drawn = read = 0;
                m_record.touch();
                m_host.repaintAll();
                followAndRepaint(read);
            } else {
                if (pos > depth() || (pos < read && continuousArmed()))
                    pos = depth();
                int n = pos - read;
                if (m_link.connectType() == kSerialLink)
                    n = std::min(n, m_spec.fastRead() ? 20 : 10);
                readSamples(read, n);
                read += n;
                // Wrap only once every sample of the capture is in: a serial link
                // may need several ticks to fetch the last ones.
                if (pos == depth() && read == depth() && continuousArmed()) {
                    const int finished = m_record.history + depth();
                    if (!growRecord(finished)) {
                        followAndRepaint(read);
                        return m_link.connectType() <= kSerialLink ? 100 : 20;
                    }
                    read = 0;
                    if (reported < depth() && m_link.connectType() != kSerialLink) {
                        readSamples(0, reported);
                        read = reported;
                    }
                    m_link.waitMs(m_settings.interval + 1);
                    std::int32_t again = 0;
                    if (m_link.queryInt("SCOPE_POS", again) == 0 && again == reported) {
                        m_link.executeNoAck("TRIGGER(1)", 500);
                        // The restarted capture overwrites from sample 0; samples
                        // already taken of the one it replaces must not stay in
                        // front of it, or the next wrap reads stale values.
                        read = 0;
                    }
                }
                followAndRepaint(read);
            }
        }
        // Re-trigger of an unarmed continuous record once the capture is past 80 %,
        // but only when every sample up to the fill position is in: a serial link
        // takes several ticks to fetch them, and a record grown past unread samples
        // would hold values the controller never recorded there.
        if (m_state.running && havePos && m_settings.continuous && !m_state.armed &&
            m_state.effectiveDepth * 0.8 < pos) {
            const int position = std::min<std::int32_t>(pos, depth());
            if (m_record.total - m_record.history >= position &&
                growRecord(m_record.history + position))
                m_link.executeNoAck("TRIGGER", 500);
        }
    }
    return m_link.connectType() <= kSerialLink ? 100 : 20;
}

} // namespace korvan::scope
