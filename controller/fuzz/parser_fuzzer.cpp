// libFuzzer target: any text must parse or fail with an error, and run
// without crashing, against one in-process controller.
#include "controller/controller.h"
#include "controller/profile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

korvan::controller::Controller& controller()
{
    static korvan::controller::ManualClock clock;
    static korvan::controller::Controller instance(
        korvan::controller::parseProfile(
            R"({"io": {"inputs": 24, "outputs": 16, "analogInputs": 2, "analogOutputs": 2,
                "pwm": 2}, "memory": {"table": 4000, "vr": 100},
                "modules": [{"canId": 1, "inputs": 16, "outputs": 16}]})"),
        {"", &clock});
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    korvan::controller::TaskContext task;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    controller().execute(task, text);
    return 0;
}
