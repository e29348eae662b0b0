// Opens a file once for a save: the checks every save makes before it writes anything.
#include "save_session.h"

#include "io_result.h"
#include "move_record.h"
#include "tag_restore.h"

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
    const uint64_t extent = measureHeadExtent(m_file, m_file.size());
    if (extent == 0 || extent > limit)
        return;
    knownHead.resize(static_cast<std::size_t>(extent));
    m_file.readExactAt(0, knownHead.data(), knownHead.size());
}
