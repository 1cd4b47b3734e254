// The capture status line and the analysis panel's own section of the settings file.
#include "scope/analysis/analysis_settings.h"
#include "scope/analysis/capture_status.h"
#include "scope/core/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace korvan::scope {
namespace {

TEST(CaptureStatus, EveryPhase)
{
    struct Case
    {
        bool running, continuous;
        int history, total, depth;
        CapturePhase phase;
        const char* text;
    };
    const Case cases[] = {
        {false, false, 0, 0, 1000, CapturePhase::Stopped, "Stopped"},
        {false, true, 3000, 3400, 1000, CapturePhase::Stopped, "Stopped: 3400 samples kept"},
        {true, false, 0, 0, 1000, CapturePhase::WaitingForTrigger,
         "Armed: waiting for the trigger"},
        {true, true, 0, 0, 1000, CapturePhase::WaitingForTrigger, "Armed: waiting for the trigger"},
        {true, false, 0, 420, 1000, CapturePhase::Filling, "Filling 420 / 1000 (42 %)"},
        {true, false, 0, 1000, 1000, CapturePhase::Complete,
         "Complete: 1000 samples; waiting for the next trigger"},
        {true, true, 5000, 5300, 1000, CapturePhase::Continuous, "Continuous: 5300 samples"},
    };
    for (const Case& c : cases) {
        ScopeRecord r;
        r.history = c.history;
        r.total = c.total;
        r.depth = c.depth;
        const CaptureStatus s = describeCapture(c.running, c.continuous, r);
        EXPECT_EQ(s.phase, c.phase) << c.text;
        EXPECT_EQ(s.text, c.text);
        EXPECT_EQ(s.filled, c.total - c.history);
    }
}

class AnalysisSettingsTest : public ::testing::Test
{
protected:
    std::filesystem::path file = std::filesystem::temp_directory_path() /
                                 ("scope-analysis-" + std::to_string(::getpid()) + ".ini");
    void TearDown() override { std::filesystem::remove(file); }
};

TEST_F(AnalysisSettingsTest, RoundTripInItsOwnSectionBesideScope)
{
    {
        std::ofstream out(file);
        out << "[Scope]\nChannels=3\nXScale=250\n";
    }
    const AnalysisSettingsFile analysis(file);
    const AnalysisSettings defaults = analysis.read();
    EXPECT_FALSE(defaults.panelShown);
    EXPECT_TRUE(defaults.timeAxis);
    EXPECT_EQ(defaults.trigger.preTrigger, 0.2);
    EXPECT_EQ(defaults.trigger.mode, TriggerMode::Repeated);

    AnalysisSettings s;
    s.panelShown = true;
    s.timeAxis = false;
    s.channel = 5;
    s.range = MeasureRange::BetweenCursors;
    s.timeCursors = true;
    s.trigger = {.channel = 3,
                 .level = -12.625,
                 .edge = TriggerEdge::Falling,
                 .preTrigger = 0.35,
                 .mode = TriggerMode::Single};
    ASSERT_TRUE(analysis.write(s));
    const AnalysisSettings back = analysis.read();
    EXPECT_TRUE(back.panelShown);
    EXPECT_FALSE(back.timeAxis);
    EXPECT_EQ(back.channel, 5);
    EXPECT_EQ(back.range, MeasureRange::BetweenCursors);
    EXPECT_TRUE(back.timeCursors);
    EXPECT_FALSE(back.valueCursors);
    EXPECT_EQ(back.trigger.channel, 3);
    EXPECT_EQ(back.trigger.level, -12.625);
    EXPECT_EQ(back.trigger.edge, TriggerEdge::Falling);
    EXPECT_DOUBLE_EQ(back.trigger.preTrigger, 0.35);
    EXPECT_EQ(back.trigger.mode, TriggerMode::Single);

    // The specified section keeps its keys and meaning.
    ScopeSettings scope;
    ScopeSettingsFile(file).readSettings(scope);
    EXPECT_EQ(scope.channelCount, 3);
    EXPECT_EQ(scope.horizontalScale, 250.0);
}

TEST_F(AnalysisSettingsTest, BadValuesFallBackToBounds)
{
    {
        std::ofstream out(file);
        out << "[Analysis]\nChannel=99\nTriggerPre=400\nTriggerLevel=abc\nTriggerChannel=-4\n";
    }
    const AnalysisSettings s = AnalysisSettingsFile(file).read();
    EXPECT_EQ(s.channel, kMaxChannels - 1);
    EXPECT_EQ(s.trigger.preTrigger, 1.0);
    EXPECT_EQ(s.trigger.level, 0.0);
    EXPECT_EQ(s.trigger.channel, 0);
}

} // namespace
} // namespace korvan::scope
