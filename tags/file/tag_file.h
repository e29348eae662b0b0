// TagFile: one MP3 file opened once for everything an action does with its tags: the loads of
// both tags, the save of both (both or neither), and an undo's restore.
#pragma once

#include "platform/file_system.h"
#include "tags/core/tag_result.h"
#include "tags/mpeg/audio_properties.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// Why a file could not be had for saving; `result` is the word both tags' saves answer with.
struct SaveRefusal {
    TagResult result = 0;
    std::string reason;
    bool locked = false;          // another program is writing the file
    bool moveInterrupted = false; // an earlier save awaits repair
};

// The bytes a save may replace: the ID3v2 tag at the start and the ID3v1 record at the end.
struct TagExtents {
    uint64_t head = 0;
    uint64_t tail = 0;
};

// The two ends of a file as a save of the named tags will replace them, measured before it
// writes anything. `whole`: the ends overlap, so only the whole file tells them apart.
struct SaveEnds {
    uint64_t size = 0;
    TagExtents extents;
    bool whole = false;
};

// What a save is about to replace at the file's start. `whole`: the old tag, all of it, goes;
// else the tag keeps its size and only `size` bytes at `at` change.
struct HeadChange {
    uint64_t at = 0;
    const uint8_t* oldBytes = nullptr;
    std::size_t size = 0;
    bool whole = false;
};

// What one end of the file holds after a save, as the save wrote it.
struct WrittenEnd {
    bool known = false;
    uint64_t extent = 0;
    uint32_t crc = 0; // zlib's CRC-32 of the extent's bytes
};

// What a save did: each tag's result (absent when it was not tried), what it left at the two
// ends, and whether the ID3v1 record was put back after the ID3v2 save failed.
struct SaveReport {
    std::optional<TagResult> v1, v2;
    WrittenEnd head, tail;
    bool v1PutBack = false;
    bool v1Withheld = false;  // not written, since the ID3v2 tag could not be
    bool v1LeftAlone = false; // saved, but could not be put back after the ID3v2 save failed
    bool movedAudio = false;
    bool leftInterrupted = false; // a move could not be rolled back: repair is due
};

// Hears of a save in time to keep what it replaces (the undo journal).
class SaveObserver {
public:
    virtual ~SaveObserver() = default;
    // Before the ID3v2 save writes anything; false, with why, and the save stops with nothing written.
    virtual bool beforeHeadChange(const HeadChange& change, std::string& why) = 0;
};

class TagFile {
public:
    // Opened for reading, waiting for a save in another process to finish. A file that cannot
    // be opened is kept as the reason, which each load then reports.
    static TagFile openForReading(const std::string& path);
    // Opened for writing, locked against other programs' saves, and checked once for an
    // interrupted move; empty, with why, when it may not be written now.
    static std::optional<TagFile> openForSaving(const std::string& path, SaveRefusal& refusal);
    // Hears of each file opened for saving, so that what keeps facts about files (the tag
    // index) can learn them again once the saving is done; null hears of none.
    using SavingHook = void (*)(const std::string& path);
    static void setSavingHook(SavingHook hook);

    const std::string& path() const { return m_path; }
    // Null when the open failed.
    const platform::File* file() const { return m_file ? &*m_file : nullptr; }
    const std::string& failureReason() const { return m_failureReason; }

    [[nodiscard]] TagResult loadV1(Tid3tag& tag) const;
    // A tag at the start of at most Tid3v2tag::kKeptHeadLimit bytes is kept for the save.
    [[nodiscard]] TagResult loadV2(Tid3v2tag& tag, uint32_t tagOffset = 0);

    // Saves the tags given (null: that tag is left alone), the ID3v2 tag at offset 0 in its
    // own version. With both, both or neither: a failed ID3v2 save puts the ID3v1 record back.
    // The observer hears of each change at the start before it is made. Opened for saving only.
    SaveReport save(Tid3tag* v1, Tid3v2tag* v2, SaveObserver* observer = nullptr);
    // The same for one ID3v2 tag at `tagOffset`, in the version and revision given.
    TagResult saveV2(Tid3v2tag& tag, uint8_t version, uint32_t tagOffset, uint8_t revision,
                     SaveObserver* observer = nullptr, SaveReport* report = nullptr);

    // Takes the named tags out of the file, the audio moved to the start in place of the
    // ID3v2 tag; both or neither. A tag the file does not have leaves its result absent.
    // The observer hears of the old ID3v2 tag before anything is written.
    // Tags given null are left alone; the failure of one is told through its object as a save's.
    SaveReport remove(Tid3tag* v1, Tid3v2tag* v2, SaveObserver* observer = nullptr);

    // The ends a save of the named tags replaces; the ID3v2 tag is read whole and kept.
    SaveEnds measureEnds(bool v1, bool v2);
    // The ID3v2 tag at the start as kept by a load or measureEnds; empty when not kept.
    const std::vector<uint8_t>& keptHead() const { return m_head; }
    // Its CRC-32, worked out once.
    uint32_t keptHeadCrc();
    // Whether the ID3v2 tag at the start claims more bytes than the file holds: a save would
    // take what follows for part of the tag, so such a file is not saved.
    bool headClaimsPastEnd();
    std::vector<uint8_t> readRange(uint64_t at, uint64_t n) const;

    // The audio between the tags; empty when no MPEG frame is found or the file cannot be read.
    std::optional<AudioProperties> audioProperties() const;
    // Why a file with no tag at either end is not MPEG audio (its first bytes are another
    // format's, or hold no frame); empty for a file with a tag, with audio, or that cannot be read.
    std::string foreignFormat() const;

    // Replaces the first `current.head` bytes with `oldHead` and the last `current.tail` bytes
    // with `oldTail`, moving what lies between in place. A file that cannot take its old size
    // is left as it is; `reason` receives the system's words for a failure.
    [[nodiscard]] TagResult restore(const std::vector<uint8_t>& oldHead, const std::vector<uint8_t>& oldTail,
                                    TagExtents current, std::string* reason = nullptr);

private:
    struct V2Plan;
    // The file's size and its ID3v1 record before a save, to put back.
    struct TailBytes {
        uint64_t size = 0;
        std::optional<std::vector<uint8_t>> bytes;
    };

    TagFile(std::string path, std::optional<platform::File> file) : m_path(std::move(path)), m_file(std::move(file)) {}
    void keepHead(uint64_t limit);
    void forgetHead();
    TagResult writeV1(Tid3tag& tag, SaveReport& report);
    TagResult beginV2(Tid3v2tag& tag, uint32_t tagOffset, uint8_t version, uint8_t revision,
                      std::optional<uint64_t> oldExtent, std::optional<V2Plan>& plan);
    TagResult planV2(Tid3v2tag& tag, uint32_t tagOffset, uint8_t version, uint8_t revision,
                     std::optional<uint64_t> oldExtent, std::optional<V2Plan>& plan);
    TagResult finishV2(V2Plan& plan, SaveObserver* observer, SaveReport& report, const uint8_t* newTail);
    TagResult commitV2(V2Plan& plan, SaveObserver* observer, SaveReport& report, const uint8_t* newTail);
    bool rewriteChanged(V2Plan& plan, SaveObserver* observer, SaveReport& report, std::string& why);
    static TagResult refusedBeforeWrite(Tid3v2tag& tag, const std::string& why);
    std::optional<TailBytes> tailBytes() const;
    std::optional<uint64_t> measureBeforeSave(bool v1, std::optional<TailBytes>& before);
    void settleV1(Tid3tag& v1, bool underMove, const std::optional<TailBytes>& before, SaveReport& report);
    void putTailBack(const std::optional<TailBytes>& before, SaveReport& report);
    TagResult removeV1(Tid3tag& tag, SaveReport& report, std::vector<uint8_t>& removed, uint64_t& rest);
    TagResult removeV2(Tid3v2tag& tag, SaveObserver* observer, SaveReport& report);
    void putRecordBack(const std::vector<uint8_t>& record, uint64_t sizeWithout, SaveReport& report);

    std::string m_path;
    std::optional<platform::File> m_file;
    std::string m_failureReason;
    bool m_writable = false;
    // The ID3v2 tag at the start, its whole extent as the writer measures it, while nothing
    // has written there since it was read; its CRC-32 when someone worked it out.
    std::vector<uint8_t> m_head;
    std::optional<uint32_t> m_headCrc;
    std::optional<bool> m_claimsPastEnd;
};

// The ID3v2 tag at offset 0 as the writer measures what it replaces: a claimed size cut at the
// end of the file, a version 2.4 footer included. No tag gives 0.
uint64_t measureHeadExtent(const platform::File& file, uint64_t fileSize);
// 128 when the file ends with an ID3v1 record, as the ID3v1 save finds it; else 0.
uint64_t measureTailExtent(const platform::File& file, uint64_t fileSize);
