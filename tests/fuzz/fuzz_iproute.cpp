// libFuzzer target: `ip route` output.
#include "fuzz/parserchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return trevlamark::testing::runFuzzCheck(&trevlamark::testing::checkIpRoute, data, size);
}
