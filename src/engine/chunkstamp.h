#pragma once
// What a run writes: one chunk of random payload, with every 4 KiB block of
// every chunk stamped over its first bytes with the run's id, the file's
// number and the block's offset in the file. No two blocks of a run, or of two
// runs, are alike, so deduplicating or compressing storage cannot inflate the
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
    // `payload` is one chunk; its length must be a multiple of blockBytes.
    ChunkStamp(std::shared_ptr<const AlignedBuffer> payload, quint64 runId);

    const AlignedBuffer &payload() const { return *m_payload; }
    size_t chunkBytes() const;
    quint64 runId() const { return m_runId; }

    // Stamps the blocks of `chunk`, a copy of the payload, for the given place.
    void stamp(char *chunk, quint64 file, quint64 offsetBytes) const;
    // The position in `chunk` of the first byte that differs from what was
    // written to the given place; nothing when the `lengthBytes` read match.
    std::optional<size_t> firstDifference(const char *chunk, size_t lengthBytes, quint64 file,
        quint64 offsetBytes) const;

    static constexpr size_t blockBytes = 4096;
    static constexpr size_t stampBytes = 3 * sizeof(quint64);

private:
    void fillStamp(char *stamp, quint64 file, quint64 offsetBytes) const;

    std::shared_ptr<const AlignedBuffer> m_payload;
    quint64 m_runId;
};

} // namespace trevlamark
