// The files a path given to a listing stands for, and both tags of each.
#include "show_files.h"

#include "features/common/text.h"
#include "platform/file_system.h"
#include "tags/file/tag_file.h"

#include <algorithm>

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

FileFields readShownFields(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    TagFile file = TagFile::openForReading(path);
    return {readV1FieldsOrEmpty(file, v1), readV2Fields(file, v2)};
}

bool unreadable(TagResult result)
{
    return failed(result) && result != kErrNoTag && result != kErrOffset;
}
