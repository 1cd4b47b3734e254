// libFuzzer target: "AxisInit.xml" on any bytes, applied to the axis table
// through a recording port.
#include "testing/fuzz/scratch_file.h"
#include "workbench/axis/hardware_defaults.h"
#include "workbench/axis/tests/fake_axis_port.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace korvan::axis;
    testing::FakeAxisPort port;
    port.id = 3; // the shipped file's entry
    AxisTable table;
    const HardwareDefaultsFile file{korvan::testing::writeScratch(data, size, ".xml"),
                                    [](const std::string&, const std::string&) {}};
    ApplyHardwareDefaults(port, table, file);
    return 0;
}
