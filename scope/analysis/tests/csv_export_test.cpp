// The CSV export read back as a spreadsheet or pandas would read it.
#include "scope/analysis/csv_export.h"
#include "scope/analysis/tests/record_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace korvan::scope {
namespace {

// RFC 4180 fields of one line.
std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                out.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                out.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

class CsvExport : public ::testing::Test
{
protected:
    std::filesystem::path file = std::filesystem::temp_directory_path() /
                                 ("scope-csv-" + std::to_string(::getpid()) + ".csv");
    void TearDown() override { std::filesystem::remove(file); }

    std::vector<std::string> lines() const
    {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

TEST_F(CsvExport, HeaderAndRowsReadBack)
{
    ScopeRecord record = testing::makeRecord(
        3, 1000, [](int c, int s) { return static_cast<float>(c == 2 ? -s * 0.1 : c * 1000 + s); });
    record.traces[1].label = "odd, \"name\"";
    record.samplePeriod = 0.5e-3;
    ASSERT_TRUE(writeCsv(file, record));
    const auto all = lines();
    ASSERT_EQ(all.size(), 1001U);
    EXPECT_EQ(fields(all[0]),
              (std::vector<std::string>{"sample", "time_s", "CH(0)", "odd, \"name\"", "CH(2)"}));
    for (int s = 0; s < 1000; ++s) {
        const auto row = fields(all[static_cast<std::size_t>(s) + 1]);
        ASSERT_EQ(row.size(), 5U) << s;
        EXPECT_EQ(std::stoi(row[0]), s);
        // Time without binary noise: sample 7 at 0.5 ms is "0.0035".
        EXPECT_NEAR(std::strtod(row[1].c_str(), nullptr), s / 2000.0, 1e-15) << row[1];
        EXPECT_LE(row[1].size(), 8U) << row[1];
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(std::strtof(row[static_cast<std::size_t>(c) + 2].c_str(), nullptr),
                      record.sample(c, s))
                << "channel " << c << " sample " << s;
    }
}

TEST_F(CsvExport, NumbersStayPlainWhereTheyAreShort)
{
    const float values[] = {100000.0F, 0.1F, -2.5e-7F, 3e20F, 0.0F, -1.0F};
    ScopeRecord record = testing::makeRecord(6, 1, [&](int c, int) { return values[c]; });
    ASSERT_TRUE(writeCsv(file, record));
    const auto row = fields(lines().at(1));
    EXPECT_EQ(row,
              (std::vector<std::string>{"0", "100000", "0.1", "-2.5e-07", "3e+20", "0", "-1"}));
}

TEST_F(CsvExport, NoTimeColumnWithoutATimeBase)
{
    const ScopeRecord record = testing::makeRecord(1, 3, [](int, int s) { return s + 0.25F; });
    EXPECT_EQ(csvHeader(record), "sample,CH(0)");
    ASSERT_TRUE(writeCsv(file, record));
    EXPECT_EQ(lines(), (std::vector<std::string>{"sample,CH(0)", "0,0.25", "1,1.25", "2,2.25"}));
}

TEST_F(CsvExport, AnEmptyRecordWritesTheHeaderAndAnUnwritablePathFails)
{
    ScopeRecord empty;
    ASSERT_TRUE(writeCsv(file, empty));
    EXPECT_EQ(lines(), std::vector<std::string>{"sample"});
    EXPECT_FALSE(writeCsv(file.parent_path() / "no-such-dir" / "x.csv", empty));
}

} // namespace
} // namespace korvan::scope
