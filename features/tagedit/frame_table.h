// The "All frames" table as plain data: every frame of a tag as people read it, and the
// changes the table asks for, as edits the save makes after the fields.
#pragma once

#include "features/common/named_fields.h"

#include <optional>
#include <string>
#include <vector>

class Tid3v2tag;

struct FrameRow {
    std::string key;  // "TXXX:REPLAYGAIN_TRACK_GAIN", as parseFrameKey reads it back
    std::string name; // the frame's name for people; empty for an ID no version defines
    std::string kind; // frameKindName's word, or "unreadable"
    Utf8Text value;   // as text, or the size of a picture or of data that are not text
    // Text can set the frame: a kind that holds text, read whole, and the first frame of its key.
    bool editable = false;
};
// Every frame in file order.
std::vector<FrameRow> frameRows(Tid3v2tag& tag);

// The edit that gives the frame `key` names the text, an empty one removing it; why not, in
// words (a key that names no frame, a kind text cannot fill, a value its field refuses).
std::optional<std::string> frameEditOf(const std::string& key, const Utf8Text& text, FieldEdit& edit);
// The edit that removes every frame `key` names.
FieldEdit frameRemoval(const std::string& key);
// Adds the edit to those of the table, in place of an earlier one of the same key: only the
// last change of a frame is written.
void addFrameEdit(std::vector<FieldEdit>& edits, FieldEdit edit);
