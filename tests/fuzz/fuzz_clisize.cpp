// libFuzzer target: command-line chunk sizes, byte amounts and counts.
#include "fuzz/parserchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return trevlamark::testing::runFuzzCheck(&trevlamark::testing::checkCliSize, data, size);
}
