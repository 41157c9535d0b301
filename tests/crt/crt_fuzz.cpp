// libFuzzer target: any byte block through the exported functions, into arrays of the documented
// sizes. Decoding either succeeds or raises one of the library's messages; the sanitizers and the
// index check below catch everything else.
#include "crt_test_util.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size); // exactly `size` bytes on the heap
    crttest::Decoded d;
    if (!crttest::DecodeAll(bytes, d, 1 << 20))
        for (uint32_t i : d.indices) // written indices name decoded vertices; faces outside every group stay 0
            if (i != 0 && i >= uint32_t(d.info[1]))
                std::abort();
    return 0;
}
