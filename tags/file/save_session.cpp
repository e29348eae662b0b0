// Opens a file once for a save: the checks every save makes before it writes anything.
#include "tags/file/save_session.h"

#include "tags/id3v2/id3v2_layout.h"
#include "tags/core/io_result.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_restore.h"

#include <algorithm>

std::optional<SaveSession> SaveSession::open(const std::string& path, SaveRefusal& refusal)
{
    refusal = SaveRefusal{};
    platform::SaveTarget target = platform::SaveTarget::Missing;
    std::optional<platform::File> file = platform::File::openForSaving(path, target, &refusal.reason);
    if (!file) {
        refusal.result = refusalFor(target);
        return std::nullopt;
    }
    if (!file->lockForWriting()) {
        refusal.result = kErrOpen;
        refusal.reason = kLockedByOtherText;
        refusal.locked = true;
        return std::nullopt;
    }
    if (moveInterrupted(*file)) {
        refusal.reason = kMoveInterruptedText;
        refusal.result = kErrIo;
        refusal.moveInterrupted = true;
        return std::nullopt;
    }
    refusal.result = 0;
    return SaveSession(path, std::move(*file));
}

void SaveSession::keepHead(uint64_t limit)
{
    if (!knownHead.empty())
        return;
    // One read brings the header with the whole of a small tag.
    constexpr uint64_t kFirstRead = 4096;
    const uint64_t size = m_file.size();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min(size, kFirstRead)));
    m_file.readExactAt(0, bytes.data(), bytes.size());
    const std::size_t had = bytes.size();
    m_claimsPastEnd = had >= id3v2::kHeaderSize && id3v2::claimsPastEnd(bytes.data(), size);
    const uint64_t extent = id3v2::tagExtentIn(bytes.data(), had, m_file, 0, size);
    if (extent == 0 || extent > limit)
        return;
    bytes.resize(static_cast<std::size_t>(extent));
    if (extent > had)
        m_file.readExactAt(had, bytes.data() + had, bytes.size() - had);
    knownHead = std::move(bytes);
}

bool SaveSession::headClaimsPastEnd() const
{
    return m_claimsPastEnd ? *m_claimsPastEnd : headTagClaimsPastEnd(m_file, m_file.size());
}
