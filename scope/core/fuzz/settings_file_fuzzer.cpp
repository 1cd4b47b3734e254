// libFuzzer target: the oscilloscope's settings file ("Wavora.INI") on any
// bytes, read as the panel and the display read it.
#include "scope/core/settings_file.h"
#include "testing/fuzz/scratch_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace korvan::scope;
    const ScopeSettingsFile file(korvan::testing::writeScratch(data, size, ".INI"));
    ScopeChannels rows = defaultChannels();
    ScopeSettings settings;
    file.readChannels(rows);
    file.readSettings(settings);
    file.readColors(settings);
    return 0;
}
