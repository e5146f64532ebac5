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

void ChunkStamp::stamp(char *head, quint64 file, quint64 offsetBytes) const
{
    const quint64 fields[] = {m_runId, file, offsetBytes};
    std::memcpy(head, fields, stampBytes);
}

std::optional<size_t> ChunkStamp::firstDifference(const char *chunk, size_t lengthBytes, quint64 file,
    quint64 offsetBytes) const
{
    const char *payload = static_cast<const char *>(m_payload->data());
    const size_t length = std::min(lengthBytes, chunkBytes());
    char stamped[stampBytes];
    stamp(stamped, file, offsetBytes);
    const size_t stampLength = std::min(stampBytes, length);
    // Compared in bulk; the byte-by-byte search runs only on a mismatch.
    if (std::memcmp(chunk, stamped, stampLength) == 0
        && std::memcmp(chunk + stampLength, payload + stampLength, length - stampLength) == 0)
        return std::nullopt;
    for (size_t i = 0; i < length; ++i) {
        if (chunk[i] != (i < stampLength ? stamped[i] : payload[i]))
            return i;
    }
    return std::nullopt;
}

} // namespace trevlamark
