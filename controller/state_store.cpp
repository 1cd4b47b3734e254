#include "controller/state_store.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace korvan::controller {

namespace {
constexpr const char* fileName = "controller-state.json";
}

StateStore::StateStore(std::string directory) : m_directory(std::move(directory)) {}

PersistentState StateStore::load() const
{
    PersistentState state;
    if (!enabled())
        return state;
    std::ifstream in(std::filesystem::path(m_directory) / fileName);
    if (!in)
        return state;
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const nlohmann::json j = nlohmann::json::parse(text.str());
        if (j.contains("ip"))
            state.ipAddress = parseIp(j.at("ip").get<std::string>());
        if (j.contains("flash"))
            state.flash = j.at("flash").get<std::vector<float>>();
    } catch (const nlohmann::json::exception&) {
        // A damaged file counts as a factory-new controller.
        return PersistentState{};
    }
    return state;
}

bool StateStore::save(const PersistentState& state) const
{
    if (!enabled())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    nlohmann::json j;
    if (state.ipAddress)
        j["ip"] = ipText(*state.ipAddress);
    j["flash"] = state.flash;
    const auto target = std::filesystem::path(m_directory) / fileName;
    const auto temp = std::filesystem::path(m_directory) / (std::string(fileName) + ".new");
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out)
            return false;
        out << j.dump(1);
        out.close();
        if (!out)
            return false;
    }
    std::filesystem::rename(temp, target, ec);
    return !ec;
}

std::vector<uint8_t> StateStore::loadRomPackage() const
{
    if (!enabled())
        return {};
    std::ifstream in(std::filesystem::path(m_directory) / "rom.krx", std::ios::binary);
    if (!in)
        return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool StateStore::saveRomPackage(const std::vector<uint8_t>& package) const
{
    if (!enabled())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    const auto target = std::filesystem::path(m_directory) / "rom.krx";
    const auto temp = std::filesystem::path(m_directory) / "rom.krx.new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(package.data()),
                  static_cast<std::streamsize>(package.size()));
        out.close();
        if (!out)
            return false;
    }
    std::filesystem::rename(temp, target, ec);
    return !ec;
}

std::string ipText(uint32_t a)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a & 0xff, (a >> 8) & 0xff, (a >> 16) & 0xff,
                  (a >> 24) & 0xff);
    return text;
}

std::optional<uint32_t> parseIp(const std::string& text)
{
    unsigned o[4];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &o[0], &o[1], &o[2], &o[3], &tail) != 4)
        return std::nullopt;
    for (unsigned v : o) {
        if (v > 255)
            return std::nullopt;
    }
    return o[0] | (o[1] << 8) | (o[2] << 16) | (o[3] << 24);
}

} // namespace korvan::controller
