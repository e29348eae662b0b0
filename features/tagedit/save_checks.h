// What a save finds wrong with a file before it writes anything to it.
#pragma once

#include <optional>
#include <string>

class TagFile;

// Why the file is not saved: the message for the person, or with `readFailed` the system's
// words for a read that failed.
struct SaveCheck {
    std::string text;
    bool readFailed = false;
};

// Empty when the file may be saved. `v2`: the ID3v2 tag is to be saved; `nonAudio`: a file
// that holds no MPEG audio is saved all the same; `explain`: varnoli-cli's wording.
std::optional<SaveCheck> checkBeforeSave(TagFile& file, const std::string& path, bool v2, bool nonAudio, bool explain);
