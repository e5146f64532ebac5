#pragma once
// A heap buffer aligned for O_DIRECT transfers (4096 bytes covers every
// logical block size we meet). Allocated once per run or per I/O slot.

#include <cstddef>
#include <memory>

namespace trevlamark {

class AlignedBuffer
{
public:
    static constexpr std::size_t alignmentBytes = 4096;

    // nullptr when the memory cannot be had. The contents start zeroed.
    static std::unique_ptr<AlignedBuffer> create(std::size_t sizeBytes);
    ~AlignedBuffer();

    void *data() const { return m_data; }
    std::size_t size() const { return m_sizeBytes; }

private:
    AlignedBuffer(void *data, std::size_t sizeBytes);

    void *m_data;
    std::size_t m_sizeBytes;

    AlignedBuffer(const AlignedBuffer &) = delete;
    AlignedBuffer &operator=(const AlignedBuffer &) = delete;
};

} // namespace trevlamark
