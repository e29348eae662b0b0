// The plan of one ID3v2 save through a TagFile, shared by its save and its removal of tags.
#pragma once

#include "tags/file/audio_mover.h"
#include "tags/file/move_record.h"
#include "tags/file/tag_file.h"
#include "tags/id3v2/id3v2_tag_writer.h"

// The ID3v2 tag sized for its place, with nothing written yet.
struct TagFile::V2Plan {
    V2Plan(Tid3v2tag& t, const platform::File& file, uint64_t offset, uint64_t size, uint8_t version,
           uint8_t rev, std::string& detail)
        : tag(t), writer(t, file, offset, size, version, detail, &AudioMover::work), revision(rev)
    {
    }
    MoveRecord::Plan move(const std::string& path) const
    {
        return {path, writer.fileSize(), writer.tagOffset(), writer.oldExtent(), writer.newSize()};
    }
    Tid3v2tag& tag;
    id3v2::TagWriter writer;
    uint8_t revision;
};
