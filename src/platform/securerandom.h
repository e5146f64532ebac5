#pragma once
// The kernel's random source for payload data.

#include <cstddef>

namespace trevlamark {

class SecureRandom
{
public:
    // Fills the whole buffer; 0 on success, otherwise errno.
    static int fill(void *data, std::size_t sizeBytes);
};

} // namespace trevlamark
