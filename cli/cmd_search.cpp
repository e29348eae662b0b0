// varnoli-cli search: the search of the "Search" tab, one result path a line.
#include "commands.h"

#include "features/search/search.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <optional>
#include <ostream>
#include <sstream>

namespace {

// The criterion a field name stands for, as --NAME and in --exact and --contains; null for an unknown name.
SearchCriterion* criterionNamed(SearchRequest& request, const std::string& name)
{
    if (name == "filename")
        return &request.filename;
    static const char* const kNames[kFieldCount] = {"artist", "title", "album", "year", "genre", "comment", "track"};
    for (TagField field : kAllFields)
        if (name == kNames[fieldIndex(field)])
            return &request.fields[fieldIndex(field)];
    return nullptr;
}

// The request the arguments describe; a usage error is printed and gives nothing.
std::optional<SearchRequest> parseSearchArgs(const Args& args, bool& print0, std::ostream& err)
{
    SearchRequest request;
    bool haveFolder = false, optionsEnded = false;
    std::vector<std::pair<std::string, bool>> listed; // field names of --exact and --contains (true)
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (haveFolder)
                return usageError(err, "search", "one folder only; '" + arg + "' is a second");
            request.folder = arg;
            haveFolder = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--subfolders" || arg == "--print0") {
            (arg == "--subfolders" ? request.subfolders : print0) = true;
            continue;
        }
        SearchCriterion* criterion = criterionNamed(request, arg.substr(2));
        const bool list = arg == "--exact" || arg == "--contains";
        if (!criterion && !list)
            return usageError(err, "search", "unknown option '" + arg + "'");
        if (i + 1 == args.size())
            return usageError(err, "search", arg + " needs a value");
        const std::string& value = args[++i];
        if (!criterion) {
            std::istringstream names(value);
            for (std::string name; std::getline(names, name, ',');)
                listed.emplace_back(name, arg == "--contains");
        } else if (criterion == &request.filename) {
            criterion->text = value; // a name is compared as the file system's bytes
        } else if (!utf8Argument(err, "search", arg, value)) {
            return std::nullopt;
        } else {
            criterion->text = value;
        }
    }
    for (const auto& [name, contains] : listed) {
        // A list names its fields in any letter case; the field options are lower case.
        std::string lower = name;
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        SearchCriterion* criterion = criterionNamed(request, lower);
        if (!criterion)
            return usageError(err, "search",
                              std::string(contains ? "--contains" : "--exact") + ": unknown field '" + name + "'");
        (contains ? criterion->contains : criterion->exact) = true;
    }
    if (!haveFolder || request.folder.empty())
        return usageError(err, "search", "a FOLDER to search is needed");
    return request;
}

} // namespace

int cmdSearch(const Args& args, std::ostream& out, std::ostream& err)
{
    bool print0 = false;
    const std::optional<SearchRequest> request = parseSearchArgs(args, print0, err);
    if (!request)
        return kExitUsage;
    Tid3tag v1;
    Tid3v2tag v2;
    const SearchOutcome outcome = runSearch(*request, v1, v2);
    for (const std::string& path : outcome.results) {
        // A script gets the bytes of each path whole; a person, a path on one line.
        if (print0)
            out.write(path.c_str(), static_cast<std::streamsize>(path.size() + 1));
        else
            printLine(out, path);
    }
    if (!outcome.folderFound) {
        printLine(err, "varnoli-cli search: '" + request->folder + "' is not a folder; nothing was searched");
        return kExitFileFailed;
    }
    return reportUnreadable(err, "search", outcome.unreadable) ? kExitFileFailed : kExitOk;
}
