// libFuzzer target: the package reader on any bytes. What it accepts must
// come out of the writer as the same bytes, and read back the same.
#include "link/krx/krx.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace korvan::link::krx;
    const ReadResult read = readKrx({data, size});
    if (read.error != KrxError::None)
        return 0;
    const WriteResult written = writeKrx(read.package);
    if (written.error != KrxError::None || written.bytes.size() != size ||
        !std::equal(written.bytes.begin(), written.bytes.end(), data))
        std::abort();
    return 0;
}
