#pragma once
// What a run writes: one chunk of random payload, with every chunk stamped
// over its first bytes with the run's id, the file's number and the chunk's
// offset in the file. No two chunks of a run, or of two runs, are alike, so
// storage that deduplicates or compresses whole chunks cannot inflate the
// figures, and a read can tell whether it got back what this run wrote there.

#include <QtGlobal>
#include <cstddef>
#include <memory>
#include <optional>

namespace trevlamark {

class AlignedBuffer;

class ChunkStamp
{
public:
    // `payload` is one chunk of at least headBytes.
    ChunkStamp(std::shared_ptr<const AlignedBuffer> payload, quint64 runId);

    const AlignedBuffer &payload() const { return *m_payload; }
    size_t chunkBytes() const;
    quint64 runId() const { return m_runId; }

    // Stamps `head`, a copy of the payload's first headBytes, for the given place.
    void stamp(char *head, quint64 file, quint64 offsetBytes) const;
    // The position in `chunk` of the first byte that differs from what was
    // written to the given place; nothing when the `lengthBytes` read match.
    std::optional<size_t> firstDifference(const char *chunk, size_t lengthBytes, quint64 file,
        quint64 offsetBytes) const;

    // A write sends its stamped head from a small buffer of its own and the
    // rest straight from the shared payload: one block, so O_DIRECT takes it.
    static constexpr size_t headBytes = 4096;
    static constexpr size_t stampBytes = 3 * sizeof(quint64);

private:
    std::shared_ptr<const AlignedBuffer> m_payload;
    quint64 m_runId;
};

} // namespace trevlamark
