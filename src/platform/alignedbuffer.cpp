#include "platform/alignedbuffer.h"

#include <cstdlib>
#include <cstring>

namespace trevlamark {

AlignedBuffer::AlignedBuffer(void *data, std::size_t sizeBytes)
    : m_data(data)
    , m_sizeBytes(sizeBytes)
{
}

AlignedBuffer::~AlignedBuffer()
{
    std::free(m_data);
}

std::unique_ptr<AlignedBuffer> AlignedBuffer::create(std::size_t sizeBytes)
{
    void *data = nullptr;
    // posix_memalign refuses a zero size on some systems; keep one block.
    if (::posix_memalign(&data, alignmentBytes, sizeBytes ? sizeBytes : alignmentBytes) != 0)
        return nullptr;
    std::memset(data, 0, sizeBytes);
    return std::unique_ptr<AlignedBuffer>(new AlignedBuffer(data, sizeBytes));
}

} // namespace trevlamark
