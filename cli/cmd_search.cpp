// varnoli-cli search: the search of the "Search" tab, one result path a line.
#include "command_line.h"
#include "commands.h"
#include "indexed_listing.h"

#include "features/search/search.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

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

// Marks the criteria a --exact or --contains list names, in any letter case: a row of the
// form, or every --field of a named field.
bool markCriteria(SearchRequest& request, std::string_view option, const std::string& list, std::ostream& err)
{
    std::istringstream names(list);
    for (std::string name; std::getline(names, name, ',');) {
        std::string lower = name;
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        std::vector<SearchCriterion*> criteria;
        if (SearchCriterion* row = criterionNamed(request, lower))
            criteria.push_back(row);
        const NamedField* field = namedField(lower);
        for (FieldCriterion& more : request.more)
            if (more.field == field)
                criteria.push_back(&more.criterion);
        if (!field && criteria.empty()) {
            usageError(err, "search", std::string(option) + ": unknown field '" + name + "'");
            return false;
        }
        for (SearchCriterion* criterion : criteria)
            (option == "--contains" ? criterion->contains : criterion->exact) = true;
    }
    return true;
}

// A --field NAME=TEXT criterion; nothing, with the usage error printed, for an unknown name.
std::optional<FieldCriterion> fieldCriterion(const std::string& value, std::ostream& err)
{
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos)
        return usageError(err, "search", "--field: '" + value + "' is not NAME=TEXT");
    const std::string name = value.substr(0, equals);
    const NamedField* field = namedField(name);
    if (!field)
        return usageError(err, "search", "--field: unknown field '" + name + "'");
    FieldCriterion criterion;
    criterion.field = field;
    criterion.criterion.text = value.substr(equals + 1);
    return criterion;
}

// The bound a --min-/--max- option gives, or false with the usage error printed.
bool audioBound(SearchRequest& request, std::string_view option, const std::string& value, std::ostream& err)
{
    AudioCriteria& audio = request.audio;
    std::optional<double>* bound = option == "--min-duration"  ? &audio.minDuration
                                   : option == "--max-duration" ? &audio.maxDuration
                                   : option == "--min-bitrate"  ? &audio.minBitrate
                                   : option == "--max-bitrate"  ? &audio.maxBitrate
                                                                : nullptr;
    if (!bound || (parseAudioBound(value, *bound) && *bound))
        return true;
    usageError(err, "search", std::string(option) + " takes a number of at least 0, not '" + value + "'");
    return false;
}

// The request the arguments describe; a usage error is printed and gives nothing.
std::optional<SearchRequest> searchRequest(const CommandArgs& args, std::ostream& err)
{
    SearchRequest request;
    if (args.operands().size() > 1)
        return usageError(err, "search", "one folder only; '" + args.operands()[1] + "' is a second");
    request.folder = args.operands().front();
    if (request.folder.empty())
        return usageError(err, "search", "a FOLDER to search is needed");
    request.subfolders = args.has("--subfolders");
    request.ignoreAccents = args.has("--ignore-accents");
    for (const auto& [option, value] : args.options()) {
        if (option == "--field") {
            std::optional<FieldCriterion> criterion = fieldCriterion(value, err);
            if (!criterion)
                return std::nullopt;
            request.more.push_back(std::move(*criterion));
        } else if (SearchCriterion* criterion = criterionNamed(request, std::string(option.substr(2)))) {
            criterion->text = value;
        } else if (!audioBound(request, option, value, err)) {
            return std::nullopt;
        }
    }
    for (const auto& [option, value] : args.options())
        if ((option == "--exact" || option == "--contains") && !markCriteria(request, option, value, err))
            return std::nullopt;
    return request;
}

} // namespace

int cmdSearch(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const bool print0 = args.has("--print0");
    const std::optional<SearchRequest> request = searchRequest(args, err);
    if (!request)
        return kExitUsage;
    Tid3tag v1;
    Tid3v2tag v2;
    const std::unique_ptr<TagIndex> index = indexFor(args);
    const SearchOutcome outcome = runSearch(*request, v1, v2, noProgress(), index.get());
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
