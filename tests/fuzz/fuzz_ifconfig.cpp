// libFuzzer target: interface configuration text.
#include "fuzz/parserchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return trevlamark::testing::runFuzzCheck(&trevlamark::testing::checkInterfaceConfiguration, data, size);
}
