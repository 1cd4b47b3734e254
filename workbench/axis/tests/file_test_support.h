// What the axis file tests share: a folder of their own per test, whole
// files read back, the file operations' message boxes recorded, and no
// hardware defaults file.
#pragma once

#include "workbench/axis/axis_file.h"
#include "workbench/axis/hardware_defaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace korvan::axis::testing {

struct RecordedFileMessages final : FileMessages
{
    void inform(const std::string& text) final { page.push_back(text); }
    void informApplication(const std::string& text) final { application.push_back(text); }
    std::vector<std::string> page;
    std::vector<std::string> application;
};

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

/// An empty folder for the running test, removed with this object.
class ScratchFolder
{
public:
    explicit ScratchFolder(const std::string& prefix)
        : m_path(std::filesystem::temp_directory_path() /
                 (prefix + "-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// A defaults file that is not there; its error goes nowhere.
inline HardwareDefaultsFile NoDefaultsFile()
{
    return {"/nonexistent/AxisInit.xml", [](const std::string&, const std::string&) {}};
}

} // namespace korvan::axis::testing
