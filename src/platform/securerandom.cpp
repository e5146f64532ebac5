#include "platform/securerandom.h"

#include <cerrno>
#include <sys/random.h>

namespace trevlamark {

int SecureRandom::fill(void *data, std::size_t sizeBytes)
{
    auto *bytes = static_cast<unsigned char *>(data);
    std::size_t filled = 0;
    // getrandom returns at most 32 MiB per call and may be interrupted.
    while (filled < sizeBytes) {
        const ssize_t got = ::getrandom(bytes + filled, sizeBytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        filled += std::size_t(got);
    }
    return 0;
}

} // namespace trevlamark
