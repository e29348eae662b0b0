// The files a path given to a listing stands for, and both tags of each.
#include "show_files.h"

#include "features/common/text.h"
#include "platform/file_system.h"
#include "tags/file/tag_file.h"

#include <algorithm>
#include <cmath>

UnreadableFolders forEachFileOf(const std::string& path, bool subfolders, const FileVisitor& visit)
{
    if (!platform::directoryExists(path)) {
        visit(path);
        return {};
    }
    std::string file;
    return walkFolders(path, subfolders, [&](const std::string& folder, const std::vector<platform::DirEntry>& entries) {
        std::vector<std::string> names = mp3Names(entries, false);
        std::sort(names.begin(), names.end(), lessIgnoringCase);
        for (const std::string& name : names) {
            file.assign(folder).append(name);
            visit(file);
        }
    });
}

FileFields readShownFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2, std::optional<AudioProperties>* audio)
{
    TagFile file = TagFile::openForReading(path);
    FileFields fields{readV1FieldsOrEmpty(file, v1), readV2Fields(file, v2)};
    if (audio)
        *audio = file.audioProperties();
    return fields;
}

std::string audioSummary(const AudioProperties& audio)
{
    const long seconds = std::lround(audio.duration);
    std::string minutesSeconds = std::to_string(seconds % 60);
    if (minutesSeconds.size() < 2)
        minutesSeconds.insert(0, 1, '0');
    return std::to_string(seconds / 60) + ':' + minutesSeconds + ", " + std::to_string(audio.bitrate) + " kbit/s" +
           (audio.vbr ? " VBR, " : ", ") + std::to_string(audio.sampleRate) + " Hz, " +
           (audio.channels == 1 ? "mono" : "stereo") + (audio.estimated ? " (estimated)" : "");
}

bool unreadable(TagResult result)
{
    return failed(result) && result != kErrNoTag && result != kErrOffset;
}
