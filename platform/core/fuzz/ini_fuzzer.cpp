// libFuzzer target: the ini reader on any file. Every section and key it
// finds can be read back within the caller's capacity; a write of a key
// reads back as written and leaves every other key as it read.
#include "platform/core/private_profile.h"
#include "testing/fuzz/scratch_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using korvan::platform::PrivateProfile;
    PrivateProfile ini(korvan::testing::writeScratch(data, size, ".ini"));
    const std::size_t capacity = size > 0 ? data[0] % 40 : 1;
    const auto sections = ini.sectionNames();
    // A few sections and keys: every read parses the whole file again.
    for (std::size_t s = 0; s < sections.size() && s < 4; ++s) {
        const auto keys = ini.keyNames(sections[s]);
        for (std::size_t k = 0; k < keys.size() && k < 4; ++k) {
            if (capacity > 0 &&
                ini.readString(sections[s], keys[k], "", capacity).size() >= capacity)
                std::abort();
        }
        if (!keys.empty() && !ini.hasKey(sections[s], keys.back()))
            std::abort();
        if (!keys.empty())
            ini.readInt(sections[s], keys.front(), -1);
    }
    // Writing costs a flush to the disk: one input in sixteen.
    if (size > 1 && data[1] % 16 == 0 && !sections.empty()) {
        const std::string section = sections.front();
        const std::string before = ini.readString(section, "other", "none", 1024);
        if (ini.writeString(section, "fuzzkey", "value")) {
            if (ini.readString(section, "fuzzkey", "", 64) != "value")
                std::abort();
            if (ini.readString(section, "other", "none", 1024) != before)
                std::abort();
        }
    }
    return 0;
}
