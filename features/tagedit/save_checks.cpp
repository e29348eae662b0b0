// The checks a save makes of a file before it writes anything.
#include "save_checks.h"

#include "platform/file_system.h"
#include "tags/file/tag_file.h"

std::optional<SaveCheck> checkBeforeSave(TagFile& file, const std::string& path, bool v2, bool nonAudio, bool explain)
{
    try {
        if (v2 && file.headClaimsPastEnd())
            return SaveCheck{"'" + path + "' was not saved: the tag is damaged. Its ID3v2 tag claims more bytes than "
                             "the file holds, so a save would take part of the audio for the tag; \"Repair tag\" "
                             "writes the frames that could be read as a new tag. Neither of its tags was changed.",
                             false};
        if (nonAudio)
            return std::nullopt;
        const std::string foreign = file.foreignFormat();
        if (foreign.empty())
            return std::nullopt;
        // A tag put in front of a picture or another format would spoil it for its own programs.
        return SaveCheck{"'" + path + "' was not saved: " + foreign + ". Neither of its tags was changed" +
                             (explain ? " (--force saves it anyway)." : "."),
                         false};
    } catch (const platform::IoError& e) {
        return SaveCheck{e.what(), true};
    }
}
