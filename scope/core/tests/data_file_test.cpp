#include "scope/core/data_file.h"

#include <gtest/gtest.h>

#include <string>

namespace korvan::scope {
namespace {

ScopeRecord twoChannelRecord(int samples)
{
    ScopeRecord record;
    record.channelCount = 2;
    record.depth = samples;
    record.total = samples;
    record.buffer.allocate(2, samples);
    record.traces[0].label = "VP_SPEED(0)";
    record.traces[1].label = "DPOS(1)";
    for (int s = 0; s < samples; ++s) {
        record.buffer.channel(0)[s] = 12.0F + s;
        record.buffer.channel(1)[s] = 100.5F - s;
    }
    return record;
}

TEST(DataFile, ExportWithoutHeaderHasTheDocumentedShape)
{
    const ScopeRecord record = twoChannelRecord(2);
    const std::string text = formatDataFile(record, ScopeSettings{}, defaultChannels(), false);
    EXPECT_EQ(text, "VP_SPEED(0)\tDPOS(1)\t\r\n12.000000\t100.500000\t\r\n13.000000\t99.500000\t");
}

TEST(DataFile, ExportThenImportReproducesLabelsSamplesAndParameters)
{
    const ScopeRecord record = twoChannelRecord(300);
    ScopeSettings settings;
    settings.horizontalScale = 250.0;
    settings.channelCount = 2;
    settings.continuous = true;
    settings.background = 4242;
    settings.channelColors[6] = 77;
    ScopeChannels rows = defaultChannels();
    rows[3] = {"MPOS", 7, 1.5F, 200.0F, true};
    const std::string text = formatDataFile(record, settings, rows, true);

    int asked = 0;
    const ImportedData data = parseDataFile(text, [&] {
        ++asked;
        return true;
    });
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(data.labels.size(), 2U);
    EXPECT_EQ(data.labels[1], "DPOS(1)");
    ASSERT_EQ(data.rows, 300);

    ScopeSettings back;
    ScopeChannels backRows = defaultChannels();
    applyImportedParameters(data.parameters, back, backRows);
    EXPECT_EQ(back.horizontalScale, 250.0);
    EXPECT_TRUE(back.continuous);
    EXPECT_EQ(back.background, 4242);
    EXPECT_EQ(back.channelColors[6], 77);
    EXPECT_EQ(backRows[3].source, "MPOS");
    EXPECT_EQ(backRows[3].number, 7);
    EXPECT_EQ(backRows[3].offset, 1.0F) << "the row boxes show whole numbers";
    EXPECT_EQ(backRows[3].scale, 200.0F);

    // A display with depth 1000 and 4 channels keeps its block.
    ScopeRecord target;
    target.channelCount = 4;
    target.depth = 1000;
    target.buffer.allocate(4, 1000);
    const float* before = target.buffer.channel(0);
    ASSERT_TRUE(applyImportedSamples(data, target));
    EXPECT_EQ(target.buffer.channel(0), before);
    EXPECT_EQ(target.channelCount, 2);
    EXPECT_EQ(target.total, 300);
    for (int s = 0; s < 300; ++s) {
        ASSERT_EQ(target.sample(0, s), record.sample(0, s));
        ASSERT_EQ(target.sample(1, s), record.sample(1, s));
    }
    EXPECT_EQ(target.traces[0].minimum, 12.0F);
    EXPECT_EQ(target.traces[0].maximum, 311.0F);
}

TEST(DataFile, HeaderRules)
{
    const ImportedData data = parseDataFile(
        "XScale=5.500000\r\nChannel Num=12\r\nDepth=-4\r\nChannel 0=99\r\nChannel 9=5\r\n"
        "Para9\t1\tDPOS\t1\t1\r\nPara2\t3\r\n\r\nA\tB\t\r\n1\t2\t",
        [] { return true; });
    ScopeSettings s;
    ScopeChannels rows = defaultChannels();
    applyImportedParameters(data.parameters, s, rows);
    EXPECT_EQ(s.horizontalScale, 10.0) << "5.5 shows as 5 and the box rule raises it";
    EXPECT_EQ(s.channelCount, 8);
    EXPECT_EQ(s.depth, 1);
    EXPECT_EQ(s.background, 99);
    EXPECT_EQ(rows[2].number, 3);
    EXPECT_EQ(rows[2].source, "VP_SPEED") << "a missing token ends the Para line";
    EXPECT_EQ(data.rows, 1);
}

TEST(DataFile, DeclinedHeaderIsSkipped)
{
    const ImportedData data = parseDataFile("XScale=300.0\r\n\r\nA\t\r\n4\t", [] { return false; });
    EXPECT_FALSE(data.parametersApplied);
    EXPECT_FALSE(data.parameters.horizontalScale.has_value());
    ASSERT_EQ(data.rows, 1);
    EXPECT_EQ(data.samples[0][0], 4.0F);
}

TEST(DataFile, FileWithoutHeaderAsksNothing)
{
    bool asked = false;
    const ImportedData data = parseDataFile("X(0)\t\r\n1\t\r\n2\t", [&] {
        asked = true;
        return true;
    });
    EXPECT_FALSE(asked);
    EXPECT_EQ(data.rows, 2);
}

TEST(DataFile, HostileFilesNeverCrash)
{
    struct Case
    {
        const char* name;
        std::string content;
        std::size_t labels;
        int rows;
    };
    std::string manyLabels;
    for (int i = 0; i < 10000; ++i)
        manyLabels += "L" + std::to_string(i) + "\t";
    const std::string longLine(5000, '7');
    const Case cases[] = {
        {"empty", "", 0, 0},
        {"nine channels", "a\tb\tc\td\te\tf\tg\th\ti\t\r\n1\t2\t3\t4\t5\t6\t7\t8\t9\t", 8, 1},
        {"10000 labels", manyLabels + "\r\n1\t2\t", 8, 1},
        {"short rows", "a\tb\tc\t\r\n1\r\n\r\n2\t3\t4\t", 3, 3},
        {"line past 2047", "a\t\r\n" + longLine + "\r\n5\t", 1, 2},
        {"header only", "XScale=1\r\nDepth", 0, 0},
        {"token past 62", std::string(80, 'x') + "\tb\t\r\n1\t", 0, 0},
        {"no data", "a\tb\t", 2, 0},
    };
    for (const Case& c : cases) {
        const ImportedData data = parseDataFile(c.content, [] { return true; });
        EXPECT_EQ(data.labels.size(), c.labels) << c.name;
        EXPECT_EQ(data.rows, c.rows) << c.name;
        for (const auto& channel : data.samples)
            EXPECT_EQ(channel.size(), static_cast<std::size_t>(data.rows)) << c.name;
        ScopeRecord record;
        if (data.rows > 0) {
            ASSERT_TRUE(applyImportedSamples(data, record)) << c.name;
            EXPECT_LE(record.channelCount, 8) << c.name;
            EXPECT_TRUE(record.hasSamples()) << c.name;
        }
    }
}

TEST(DataFile, Tokens)
{
    const auto tokens = importTokens("  a\tbb \r c\nd");
    ASSERT_EQ(tokens.size(), 3U);
    EXPECT_EQ(tokens[2], "c");
}

} // namespace
} // namespace korvan::scope
