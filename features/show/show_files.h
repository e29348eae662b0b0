// The files a path given to a listing stands for, and both tags of each as the "ID3 Tags"
// tab shows them.
#pragma once

#include "features/common/mp3_folder.h"
#include "features/common/tag_fields.h"
#include "tags/mpeg/audio_properties.h"

#include <functional>
#include <string>

class Tid3tag;
class Tid3v2tag;

// Visits the file a path names, or the MP3 files of a folder as the tab's file list shows
// them (hidden ones left out, sorted ignoring case), with `subfolders` those of the whole
// tree below it: a folder's files before its subfolders, hidden folders skipped, each real
// folder once. A file below a folder is the folder as given joined with its path below it.
// A path that is no folder is visited as it is, whether it exists or not. Gives the folders
// that could not be read.
using FileVisitor = std::function<void(const std::string& file)>;
UnreadableFolders forEachFileOf(const std::string& path, bool subfolders, const FileVisitor& visit);

// Both tags of a file as the tab shows them: a failed load leaves its texts empty, and the
// ID3v1 track of "0" that the tab shows for a tag without one.
// With `audio`, the audio's properties too, through the same open.
FileFields readShownFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2,
                           std::optional<AudioProperties>* audio = nullptr);

// The audio's properties in a few words: "3:35, 192 kbit/s VBR, 44100 Hz, stereo", and
// "(estimated)" when no header gave the length.
std::string audioSummary(const AudioProperties& audio);

// The load result means the file could not be read, as opposed to holding no tag of that
// kind or being empty.
bool unreadable(TagResult result);
