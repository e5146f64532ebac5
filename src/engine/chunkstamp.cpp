#include "engine/chunkstamp.h"

#include "platform/alignedbuffer.h"

#include <algorithm>
#include <cstring>

namespace trevlamark {

ChunkStamp::ChunkStamp(std::shared_ptr<const AlignedBuffer> payload, quint64 runId)
    : m_payload(std::move(payload))
    , m_runId(runId)
{
}

size_t ChunkStamp::chunkBytes() const
{
    return m_payload->size();
}

void ChunkStamp::fillStamp(char *stamp, quint64 file, quint64 offsetBytes) const
{
    const quint64 fields[] = {m_runId, file, offsetBytes};
    std::memcpy(stamp, fields, stampBytes);
}

void ChunkStamp::stamp(char *chunk, quint64 file, quint64 offsetBytes) const
{
    for (size_t block = 0; block < chunkBytes(); block += blockBytes)
        fillStamp(chunk + block, file, offsetBytes + block);
}

std::optional<size_t> ChunkStamp::firstDifference(const char *chunk, size_t lengthBytes, quint64 file,
    quint64 offsetBytes) const
{
    const char *payload = static_cast<const char *>(m_payload->data());
    const size_t length = std::min(lengthBytes, chunkBytes());
    char stamp[stampBytes];
    for (size_t block = 0; block < length; block += blockBytes) {
        fillStamp(stamp, file, offsetBytes + block);
        const size_t inBlock = std::min(blockBytes, length - block);
        const size_t stamped = std::min(stampBytes, inBlock);
        // Compared in bulk; the byte-by-byte search runs only on a mismatch.
        if (std::memcmp(chunk + block, stamp, stamped) == 0
            && std::memcmp(chunk + block + stamped, payload + block + stamped, inBlock - stamped) == 0)
            continue;
        for (size_t i = 0; i < inBlock; ++i) {
            const char expected = i < stamped ? stamp[i] : payload[block + i];
            if (chunk[block + i] != expected)
                return block + i;
        }
    }
    return std::nullopt;
}

} // namespace trevlamark
