// What the tag index keeps of one file: what `show --json` tells of it, every frame as people
// read it, and the audio's properties, read through one open.
#pragma once

#include "features/common/named_fields.h"
#include "features/common/tag_fields.h"
#include "features/tagedit/pictures.h"
#include "platform/file_system.h"
#include "tags/mpeg/audio_properties.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Tid3tag;
class Tid3v2tag;

// A frame by its key ("TXXX:Label", "COMM::eng") and its value as text for people.
struct IndexedFrame {
    std::string key;
    Utf8Text value;
};

// ID3v1 texts are read as ISO-8859-1 whatever code page is chosen, so the record does not
// depend on a setting.
struct IndexRecord {
    std::string path; // as given
    platform::FileStamp stamp;
    FileFields fields; // both tags as the lists show them
    uint8_t v2Version = 0;
    std::string v2ErrorDetail;
    std::vector<PictureSummary> pictures;
    std::vector<PresentField> named; // the named fields beyond the seven present, in table order
    std::vector<IndexedFrame> frames; // in file order
    std::optional<AudioProperties> audio;

    // A named field's value ("albumartist", "title": the ID3v2 text, else the ID3v1 one) or
    // the first frame a key names; empty when absent. Several values are joined for people.
    Utf8Text value(std::string_view nameOrKey) const;
    // Whether the file could not be opened or read, which may pass, so its record says
    // nothing lasting; a damaged tag is lasting.
    bool readFailed() const;
};

// Reads the record of a file, its stamp taken before the read so that a change during it
// makes the record stale. The tag objects are reused.
IndexRecord readIndexRecord(const std::string& path);
IndexRecord readIndexRecord(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);
// The same with the stamp the caller took just before.
IndexRecord readIndexRecord(const std::string& path, Tid3tag& v1, Tid3v2tag& v2,
                            const std::optional<platform::FileStamp>& stamp);

// The record as the index stores it, path and stamp apart; false for bytes that are no record.
std::string encodeIndexRecord(const IndexRecord& record);
bool decodeIndexRecord(std::string_view bytes, IndexRecord& record);
