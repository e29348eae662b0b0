// A small MP3 file with both tags, the same artist and album in each, for checks to compare.
#pragma once

#include "support/id3v2_builder.h"

#include <string>

namespace testsupport {

// The ID3v2 title is `title`, the ID3v1 one `v1Title`.
inline Bytes twoTagSong(const std::string& title, const std::string& v1Title)
{
    const auto text = [](const std::string& s) { return concat({{0}, bytesOf(s)}); };
    const Bytes tag = Id3v2Bytes(3).frame("TIT2", text(title)).frame("TPE1", text("Band")).frame("TALB", text("Album"))
                          .padding(64).bytes();
    return concat({tag, audioPattern(2000), id3v1Record(v1Title, "Band", "Album", "", "", 255)});
}

} // namespace testsupport
