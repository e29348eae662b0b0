// The search of the "Search" tab: the walk, the criteria and the field lookup.
#include "search.h"

#include "features/common/mp3_folder.h"
#include "features/common/text.h"
#include "tags/id3v2/id3v2.h"
#include "tags/id3v1/id3.h"
#include "tags/file/tag_file.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace {

// Files looked up in the index at once: one transaction each.
constexpr std::size_t kIndexBatch = 4096;

void foldAscii(const std::string& text, std::string& key)
{
    key.assign(text);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// What a file of the listing contributes to the walk: a name the walk examines.
bool examined(const platform::DirEntry& entry)
{
    return !entry.isDirectory && isMp3Name(entry.name);
}

// The ID3v1 value of a field as UTF-8, into `out`.
void v1Text(const Tid3tag& tag, TagField field, Utf8Text& out)
{
    out.clear();
    const std::string* latin1 = nullptr;
    switch (field) {
    case TagField::Artist: latin1 = &tag.Artist(); break;
    case TagField::Title: latin1 = &tag.Title(); break;
    case TagField::Album: latin1 = &tag.Album(); break;
    case TagField::Year: latin1 = &tag.Year(); break;
    case TagField::Comment: latin1 = &tag.Comment(); break;
    case TagField::Track: out = std::to_string(tag.Track()); return;
    case TagField::Genre: return; // the search never takes the genre from an ID3v1 tag
    }
    for (const char c : *latin1)
        appendUtf8(out, static_cast<unsigned char>(c));
}

} // namespace

void searchKey(const std::string& text, std::string& key, bool ignoreAccents)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    utf8proc_uint8_t* folded = nullptr;
    const auto options = static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD |
                                                         (ignoreAccents ? UTF8PROC_STRIPMARK : 0));
    const utf8proc_ssize_t n =
        ascii ? -1
              : utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                             static_cast<utf8proc_ssize_t>(text.size()), &folded, options);
    if (n < 0)
        foldAscii(text, key);
    else
        key.assign(reinterpret_cast<const char*>(folded), static_cast<std::size_t>(n));
    std::free(folded);
}

bool matchesKey(const std::string& valueKey, const std::string& criterionKey, bool exact, bool contains)
{
    if (exact)
        return valueKey == criterionKey;
    if (contains)
        return valueKey.find(criterionKey) != std::string::npos;
    return valueKey.compare(0, criterionKey.size(), criterionKey) == 0;
}

bool matchesCriterion(const std::string& value, const std::string& criterion, bool exact, bool contains)
{
    std::string valueKey, criterionKey;
    searchKey(value, valueKey);
    searchKey(criterion, criterionKey);
    return matchesKey(valueKey, criterionKey, exact, contains);
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

bool TagSearch::MatchCriterion(TagFile& file, TagField field, const SearchCriterion& criterion,
                               const std::string& criterionKey)
{
    // The genre has no ID3v1 value, so its ID3v1 load could never answer.
    if (field != TagField::Genre && !failed(file.loadV1(m_v1))) {
        v1Text(m_v1, field, m_value);
        if (!m_value.empty() && matches(m_value, criterion, criterionKey))
            return true;
    }
    if (failed(file.loadV2(m_v2)))
        return false;
    m_value = v2FieldText(m_v2, field);
    return matches(m_value, criterion, criterionKey);
}

bool TagSearch::matches(const std::string& value, const SearchCriterion& criterion, const std::string& criterionKey)
{
    searchKey(value, m_key, m_ignoreAccents);
    return matchesKey(m_key, criterionKey, criterion.exact, criterion.contains);
}

bool TagSearch::MatchNamedCriterion(TagFile& file, const NamedField& field, const SearchCriterion& criterion,
                                    const std::string& criterionKey)
{
    if (failed(file.loadV2(m_v2)))
        return false;
    const std::vector<Utf8Text> values = readField(m_v2, field);
    return std::any_of(values.begin(), values.end(),
                       [&](const Utf8Text& value) { return matches(value, criterion, criterionKey); }) ||
           (values.size() > 1 && matches(joinedValues(values), criterion, criterionKey));
}

bool TagSearch::CheckSearchFile(const SearchRequest& request, const std::string& path, const std::string& name)
{
    // Opened once, when a tag or the audio is asked, for every criterion's loads.
    std::optional<TagFile> file;
    if (m_textAsked && !matchesText(request, name, file, path))
        return false;
    if (!request.audio.asked())
        return m_textAsked;
    if (!file)
        file.emplace(TagFile::openForReading(path));
    return request.audio.admits(file->audioProperties());
}

bool TagSearch::matchesText(const SearchRequest& request, const std::string& name, std::optional<TagFile>& file,
                            const std::string& path)
{
    if (!request.filename.text.empty() && matches(name, request.filename, m_criterionKeys[0]))
        return true;
    const auto opened = [&]() -> TagFile& {
        if (!file)
            file.emplace(TagFile::openForReading(path));
        return *file;
    };
    for (TagField field : kAllFields) {
        const SearchCriterion& criterion = request.fields[fieldIndex(field)];
        if (!criterion.text.empty() && MatchCriterion(opened(), field, criterion, m_criterionKeys[1 + fieldIndex(field)]))
            return true;
    }
    for (std::size_t i = 0; i < request.more.size(); ++i) {
        const FieldCriterion& more = request.more[i];
        if (more.criterion.text.empty() || !more.field)
            continue;
        if (more.field->seven ? MatchCriterion(opened(), *more.field->seven, more.criterion, m_moreKeys[i])
                              : MatchNamedCriterion(opened(), *more.field, more.criterion, m_moreKeys[i]))
            return true;
    }
    return false;
}

void TagSearch::prepareCriteria(const SearchRequest& request)
{
    m_ignoreAccents = request.ignoreAccents;
    searchKey(request.filename.text, m_criterionKeys[0], m_ignoreAccents);
    for (TagField field : kAllFields)
        searchKey(request.fields[fieldIndex(field)].text, m_criterionKeys[1 + fieldIndex(field)], m_ignoreAccents);
    m_moreKeys.resize(request.more.size());
    for (std::size_t i = 0; i < request.more.size(); ++i)
        searchKey(request.more[i].criterion.text, m_moreKeys[i], m_ignoreAccents);
    m_textAsked = !request.filename.text.empty() ||
                  std::any_of(request.fields.begin(), request.fields.end(), [](const SearchCriterion& c) { return !c.text.empty(); }) ||
                  std::any_of(request.more.begin(), request.more.end(),
                              [](const FieldCriterion& c) { return c.field && !c.criterion.text.empty(); });
}

void TagSearch::SearchFolder(const std::vector<SearchedFolder>& folders, const SearchRequest& request,
                             Progress& progress, std::vector<std::string>& results)
{
    prepareCriteria(request);
    std::size_t done = 0;
    std::vector<std::string> batch;
    for (const SearchedFolder& folder : folders) {
        std::vector<std::string> names = mp3Names(folder.entries, true);
        std::sort(names.begin(), names.end(), lessIgnoringCase);
        for (const std::string& name : names) {
            if (progress.cancelled())
                return;
            m_path.assign(folder.path).append(name);
            if (m_index) {
                batch.push_back(m_path);
                if (batch.size() == kIndexBatch)
                    checkBatch(request, batch, done, progress, results);
                continue;
            }
            progress.advance(done, m_path);
            if (CheckSearchFile(request, m_path, name))
                results.push_back(m_path);
            ++done;
        }
    }
    checkBatch(request, batch, done, progress, results);
    progress.advance(done, std::string());
}

SearchOutcome runSearch(const SearchRequest& request, Tid3tag& v1, Tid3v2tag& v2, Progress& progress,
                        TagIndex* index)
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
    TagSearch search(v1, v2);
    search.useIndex(index);
    search.SearchFolder(folders, request, progress, outcome.results);
    progress.end();
    return outcome;
}
