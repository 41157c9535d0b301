// libFuzzer target: any byte block through the exported functions, into arrays of the documented
// sizes. Decoding either succeeds, with every written index naming a decoded vertex, or raises one
// of the library's own message constants; the sanitizers catch everything else.
#include "crt/crt_test_util.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size); // exactly `size` bytes on the heap
    crttest::Decoded d;
    // No arrays when the counts ask for more than a million values: DecodeAll says "too large".
    const char* failure = crttest::DecodeAll(bytes, d, 1 << 20);
    if (failure && !crttest::IsLibraryMessage(failure) && std::string(failure) != "too large")
        std::abort();
    if (!failure)
        for (uint32_t i : d.indices) // faces outside every group stay 0
            if (i != 0 && i >= uint32_t(d.info[1]))
                std::abort();
    return 0;
}
