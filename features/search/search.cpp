// The search of the "Search" tab: the walk, the criteria and the field lookup.
#include "search.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "tags/id3.h"

#include <algorithm>
#include <tuple>

namespace {

unsigned char upperAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool sameIgnoringAsciiCase(unsigned char a, unsigned char b)
{
    return upperAscii(a) == upperAscii(b);
}

// What a file of the listing contributes to the walk: a name the walk examines.
bool examined(const platform::DirEntry& entry)
{
    return !entry.isDirectory && isMp3Name(entry.name);
}

const std::string& v1Text(const Tid3tag& tag, TagField field, std::string& scratch)
{
    switch (field) {
    case TagField::Artist: return tag.Artist();
    case TagField::Title: return tag.Title();
    case TagField::Album: return tag.Album();
    case TagField::Year: return tag.Year();
    case TagField::Comment: return tag.Comment();
    case TagField::Track: return scratch = std::to_string(tag.Track());
    case TagField::Genre: break; // the search never takes the genre from an ID3v1 tag
    }
    scratch.clear();
    return scratch;
}

} // namespace

bool matchesCriterion(const std::string& value, const std::string& criterion, bool exact)
{
    if (exact ? value.size() != criterion.size() : value.size() < criterion.size())
        return false;
    return std::equal(criterion.begin(), criterion.end(), value.begin(), sameIgnoringAsciiCase);
}

std::vector<SearchedFolder> listSearchFolders(const std::string& folder, bool subfolders,
                                              UnreadableFolders& unreadable)
{
    std::vector<SearchedFolder> folders;
    unreadable = walkFolders(folder, subfolders,
                [&folders](const std::string& path, const std::vector<platform::DirEntry>& entries) {
                    folders.push_back({path, entries});
                });
    return folders;
}

std::size_t CountSearchFiles(const std::vector<SearchedFolder>& folders)
{
    std::size_t count = 0;
    for (const SearchedFolder& f : folders)
        count += static_cast<std::size_t>(std::count_if(f.entries.begin(), f.entries.end(), examined));
    return count;
}

const std::string& TagSearch::GetSearchField(const std::string& path, TagField field)
{
    // The genre has no ID3v1 value, so its ID3v1 load could never answer.
    if (field != TagField::Genre && !failed(m_v1.LoadFromFile(path))) {
        const std::string& text = v1Text(m_v1, field, m_value);
        if (!text.empty())
            return text;
    }
    m_value.clear();
    if (failed(m_v2.LoadFromFile(path, 0)))
        return m_value;
    if (field == TagField::Comment) {
        std::ignore = m_v2.GetComment(m_comment, "", "None");
        return m_comment.Text;
    }
    std::ignore = m_v2.GetTextFrame(v2FrameId(field), m_value);
    return m_value;
}

bool TagSearch::MatchCriterion(const std::string& path, const SearchCriterion& criterion, TagField field)
{
    return matchesCriterion(GetSearchField(path, field), criterion.text, criterion.exact);
}

bool TagSearch::CheckSearchFile(const SearchRequest& request, const std::string& path, const std::string& name)
{
    if (!request.filename.text.empty() &&
        matchesCriterion(name, request.filename.text, request.filename.exact))
        return true;
    for (TagField field : kAllFields) {
        const SearchCriterion& criterion = request.fields[fieldIndex(field)];
        if (!criterion.text.empty() && MatchCriterion(path, criterion, field))
            return true;
    }
    return false;
}

void TagSearch::SearchFolder(const std::vector<SearchedFolder>& folders, const SearchRequest& request,
                             Progress& progress, std::vector<std::string>& results)
{
    std::size_t done = 0;
    for (const SearchedFolder& folder : folders) {
        for (const platform::DirEntry& entry : folder.entries) {
            if (!examined(entry))
                continue;
            m_path.assign(folder.path).append(entry.name);
            progress.advance(done, m_path);
            if (CheckSearchFile(request, m_path, entry.name))
                results.push_back(m_path);
            ++done;
        }
    }
    progress.advance(done, std::string());
}

SearchOutcome runSearch(const SearchRequest& request, Tid3tag& v1, Tid3v2tag& v2, Progress& progress)
{
    SearchOutcome outcome;
    // An empty folder would otherwise become "/", the whole disk.
    outcome.folderFound = !request.folder.empty() && platform::directoryExists(request.folder);
    if (request.folder.empty())
        return outcome;
    const std::vector<SearchedFolder> folders =
        listSearchFolders(request.folder, request.subfolders, outcome.unreadable);
    if (!outcome.folderFound)
        outcome.unreadable.clear(); // a folder that is not there is said to be so instead
    progress.begin(CountSearchFiles(folders));
    TagSearch(v1, v2).SearchFolder(folders, request, progress, outcome.results);
    progress.end();
    return outcome;
}
