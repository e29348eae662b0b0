// Lines for people and usage errors, as every command writes them.
#include "commands.h"

#include "command_line.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "tags/core/tag_result.h"

#include <ostream>
#include <string>

void printLine(std::ostream& s, const std::string& text)
{
    std::string line;
    line.reserve(text.size() + 1);
    appendReadable(line, text);
    line += '\n';
    s.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void printReadFailure(std::ostream& err, const std::string& path, TagResult result, const std::string& detail)
{
    printLine(err, path + ": Error #" + std::to_string(result) + "! Could not read Tag! (" +
                       (detail.empty() ? resultText(result) : detail) + ")");
}

bool reportUnreadable(std::ostream& err, const char* command, const std::vector<UnreadableFolder>& folders)
{
    for (const UnreadableFolder& folder : folders)
        err << "varnoli-cli " << command << ": " << unreadableFolderText(folder) << '\n';
    return !folders.empty();
}

std::nullopt_t usageError(std::ostream& err, const char* command, const std::string& problem)
{
    printLine(err, std::string("varnoli-cli ") + command + ": " + problem);
    return std::nullopt;
}

bool utf8Argument(std::ostream& err, const char* command, const std::string& option, const std::string& value)
{
    if (isUtf8(value))
        return true;
    usageError(err, command, option + ": the value must be UTF-8 text");
    return false;
}
