// libFuzzer target: the project file parser on any text. What it accepts
// must format to a text that parses to the same project.
#include "link/krx/kpj.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace korvan::link::krx;
    const auto project = parseKpj({reinterpret_cast<const char*>(data), size});
    if (!project)
        return 0;
    for (const std::string& file : project->files)
        if (!isSafeName(file))
            std::abort();
    const auto again = parseKpj(formatKpj(*project));
    if (!again || again->project != project->project || again->files != project->files)
        std::abort();
    return 0;
}
