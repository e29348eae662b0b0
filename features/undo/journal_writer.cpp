// Writes one entry of the undo journal as its batch goes, and ends it on the disk.
#include "journal_store.h"

#include "journal_format.h"
#include "platform/file_system.h"

#include <algorithm>

using namespace journalformat;

JournalStore::Writer::Writer(uint64_t id, std::string openPath, std::string entryPath, std::string folder,
                             platform::NewFile file)
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

void JournalStore::Writer::put(const uint8_t* data, std::size_t n, std::optional<uint32_t> dataCrc)
{
    m_crc = dataCrc ? crcJoined(m_crc, *dataCrc, n) : crcOf(data, n, m_crc);
    m_buffer.insert(m_buffer.end(), data, data + n);
}

void JournalStore::Writer::putNumber(uint64_t value, int width)
{
    uint8_t b[8];
    for (int i = 0; i < width; ++i)
        b[i] = static_cast<uint8_t>(value >> (8 * i));
    put(b, static_cast<std::size_t>(width));
}

void JournalStore::Writer::putText(const std::string& text)
{
    putNumber(text.size(), 4);
    put(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void JournalStore::Writer::putHeader(JournalKind kind, uint32_t files)
{
    put(reinterpret_cast<const uint8_t*>(kEntryMagic), sizeof kEntryMagic);
    putNumber(static_cast<uint8_t>(kind), 1);
    putNumber(static_cast<uint64_t>(platform::currentTime()), 8);
    putNumber(files, 4);
}

void JournalStore::Writer::startRecord(uint8_t type, uint64_t length)
{
    putNumber(type, 1);
    putNumber(length, 8);
}

void JournalStore::Writer::endRecord()
{
    putNumber(m_crc, 4);
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
    const uint64_t headField = r.headByChanges ? 8 + 4 : 8 + r.head.size();
    startRecord(kSnapshot, 4 + 4 + r.path.size() + 1 + 8 + headField + 8 + r.tail.size());
    putNumber(index, 4);
    putText(r.path);
    putNumber((r.whole ? kFlagWhole : 0) | (r.savedV1 ? kFlagV1 : 0) | (r.savedV2 ? kFlagV2 : 0) |
                  (r.headByChanges ? kFlagHeadByChanges : 0),
              1);
    putNumber(r.oldSize, 8);
    if (r.headByChanges) {
        putNumber(r.oldHeadSize, 8);
        putNumber(r.oldHeadCrc, 4);
    } else {
        putNumber(r.head.size(), 8);
        put(r.head.data(), r.head.size(), crcs ? std::optional<uint32_t>(crcs->headCrc) : std::nullopt);
    }
    putNumber(r.tail.size(), 8);
    put(r.tail.data(), r.tail.size(), crcs ? std::optional<uint32_t>(crcs->tailCrc) : std::nullopt);
    endRecord();
}

void JournalStore::Writer::putOutcome(uint32_t index, const std::optional<Fingerprint>& p)
{
    startRecord(p ? kChanged : kUnchanged, p ? kFingerprintSize : 4);
    putNumber(index, 4);
    if (p) {
        putNumber(p->size, 8);
        putNumber(p->head, 8);
        putNumber(p->tail, 8);
        putNumber(p->headCrc, 4);
        putNumber(p->tailCrc, 4);
    }
    endRecord();
}

bool JournalStore::Writer::putHeadChange(uint32_t index, uint64_t at, bool whole, const uint8_t* bytes, std::size_t n,
                                         std::string& why)
{
    startRecord(kHeadChange, 4 + 1 + 8 + 8 + n);
    putNumber(index, 4);
    putNumber(whole ? 1 : 0, 1);
    putNumber(at, 8);
    putNumber(n, 8);
    put(bytes, n);
    endRecord();
    return flush(why);
}

void JournalStore::Writer::putRename(const RenameRecord& r)
{
    startRecord(kRename, 8 + r.from.size() + r.to.size() + (r.identity ? kIdentitySize : 0));
    putText(r.from);
    putText(r.to);
    if (r.identity) {
        putNumber(r.identity->device, 8);
        putNumber(r.identity->inode, 8);
        putNumber(r.identity->size, 8);
    }
    endRecord();
}

bool JournalStore::Writer::commit(std::string& why)
{
    startRecord(kEnd, 0);
    endRecord();
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
