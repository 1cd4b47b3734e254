// libFuzzer target: the oscilloscope's data file import on any text, with
// its header taken over or not, into the settings and a record.
#include "scope/core/data_file.h"
#include "scope/core/scope_record.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace korvan::scope;
    // The first byte answers the question whether to take the header over.
    if (size == 0)
        return 0;
    const bool takeHeader = data[0] & 1;
    const ImportedData imported = parseDataFile({reinterpret_cast<const char*>(data + 1), size - 1},
                                                [&] { return takeHeader; });
    ScopeSettings settings;
    ScopeChannels rows = defaultChannels();
    if (imported.parametersApplied)
        applyImportedParameters(imported.parameters, settings, rows);
    ScopeRecord record;
    applyImportedSamples(imported, record);
    return 0;
}
