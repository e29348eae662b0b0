// Writes one entry of the undo journal as its batch goes, and ends it on the disk.
#include "journal_store.h"

#include "journal_format.h"
#include "platform/file_system.h"
#include "platform/journal_files.h"

#include <algorithm>

using namespace journalformat;

JournalStore::Writer::Writer(uint64_t id, std::string openPath, std::string entryPath, std::string folder,
                             platform::File file)
    : m_id(id), m_openPath(std::move(openPath)), m_entryPath(std::move(entryPath)), m_folder(std::move(folder)),
      m_file(std::move(file))
{
}

JournalStore::Writer::~Writer()
{
    // A save's entry left unfinished is the record of a save that stopped: it stays.
    if (!m_done && !m_keepUnfinished)
        platform::removeFile(m_openPath);
}

void JournalStore::Writer::putHeader(JournalKind kind, uint32_t files)
{
    m_buffer.insert(m_buffer.end(), kEntryMagic, kEntryMagic + sizeof kEntryMagic);
    m_crc.add(reinterpret_cast<const uint8_t*>(kEntryMagic), sizeof kEntryMagic);
    const records::Value fields[header::kCount] = {
        {static_cast<uint8_t>(kind)}, {static_cast<uint64_t>(platform::currentTime())}, {files}};
    records::encode(header::kLayout, fields, m_buffer, &m_crc);
}

void JournalStore::Writer::putRecord(uint8_t type, const records::Field* layout, const records::Value* values,
                                     std::size_t count)
{
    const records::Value frame[framing::kCount] = {{type}, {records::encodedSize(layout, values, count)}};
    records::encode(framing::kLayout, frame, m_buffer, &m_crc);
    records::encode(layout, values, count, m_buffer, &m_crc);
    // The CRC-32 is itself covered by the next record's.
    constexpr records::Field kCrc[1] = {{framing::kCrcSize}};
    const records::Value crc[1] = {{m_crc.value()}};
    records::encode(kCrc, crc, m_buffer, &m_crc);
}

bool JournalStore::Writer::flush(std::string& why)
{
    if (m_failure.empty() && !m_buffer.empty()) {
        try {
            m_file.append(m_buffer.data(), m_buffer.size());
        } catch (const platform::IoError& e) {
            m_failure = e.what();
        }
    }
    m_buffer.clear();
    why = m_failure;
    return m_failure.empty();
}

void JournalStore::Writer::putSave(uint32_t index, const SavedFileRecord& r, const Fingerprint* crcs)
{
    using namespace snapshot;
    const auto known = [crcs](uint32_t Fingerprint::*crc) {
        return crcs ? std::optional<uint32_t>(crcs->*crc) : std::nullopt;
    };
    const uint8_t flags = (r.whole ? kFlagWhole : 0) | (r.savedV1 ? kFlagV1 : 0) | (r.savedV2 ? kFlagV2 : 0) |
                          (r.headByChanges ? kFlagHeadByChanges : 0);
    const std::vector<uint8_t> none;
    records::Value v[kCount] = {};
    v[kIndex].number = index;
    v[kPath] = records::run(r.path);
    v[kFlags].number = flags;
    v[kOldSize].number = r.oldSize;
    v[kOldHeadSize].number = r.oldHeadSize;
    v[kOldHeadCrc].number = r.oldHeadCrc;
    v[kHead] = r.headByChanges ? records::run(none) : records::run(r.head, known(&Fingerprint::headCrc));
    v[kTail] = records::run(r.tail, known(&Fingerprint::tailCrc));
    v[kDevice].number = r.identity.device;
    v[kInode].number = r.identity.inode;
    putRecord(kSnapshot, kLayout, v);
}

void JournalStore::Writer::putOutcome(uint32_t index, const std::optional<Fingerprint>& p)
{
    if (!p) {
        const records::Value v[1] = {{index}};
        putRecord(kUnchanged, outcome::kUnchangedLayout, v);
        return;
    }
    const records::Value v[outcome::kCount] = {{index}, {p->size}, {p->head}, {p->tail}, {p->headCrc}, {p->tailCrc}};
    putRecord(kChanged, outcome::kLayout, v);
}

bool JournalStore::Writer::putHeadChange(uint32_t index, uint64_t at, bool whole, const uint8_t* bytes, std::size_t n,
                                         std::string& why)
{
    const records::Value v[headchange::kCount] = {{index}, {whole ? 1u : 0u}, {at}, records::run(bytes, n)};
    putRecord(kHeadChange, headchange::kLayout, v);
    return flush(why);
}

void JournalStore::Writer::putRename(const RenameRecord& r)
{
    const platform::FileIdentity id = r.identity.value_or(platform::FileIdentity{});
    const records::Value v[rename::kCount] = {records::run(r.from), records::run(r.to), {id.device}, {id.inode},
                                              {id.size}};
    putRecord(kRename, rename::kLayout, v);
}

bool JournalStore::Writer::commit(std::string& why)
{
    putRecord(kEnd, nullptr, nullptr, 0);
    flush(why);
    if (m_failure.empty()) {
        try {
            m_file.sync();
        } catch (const platform::IoError& e) {
            m_failure = e.what();
        }
    }
    // Only a complete entry gets its final name.
    if (m_failure.empty() && !platform::renameFile(m_openPath, m_entryPath))
        m_failure = "the entry could not be named " + m_entryPath;
    // A save's entry, flushed whole, is read the same under its open name, so a power cut that
    // takes back the rename loses nothing. A rename's partial entry would be tidied away.
    if (m_failure.empty() && !m_keepUnfinished && !platform::syncFolder(m_folder))
        m_failure = "the journal folder could not be flushed";
    if (!m_failure.empty())
        platform::removeFile(m_entryPath);
    why = m_failure;
    m_done = m_failure.empty();
    return m_done;
}

void JournalStore::Writer::discard()
{
    platform::removeFile(m_openPath);
    m_done = true;
}
