// Finds the MP3 files of a folder tree whose file name or tag fields match what was asked.
#pragma once

#include "features/common/progress.h"
#include "features/common/mp3_folder.h"
#include "features/common/named_fields.h"
#include "features/common/tag_fields.h"
#include "features/search/audio_criteria.h"
#include "tags/id3v2/id3v2.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class TagFile;
class TagIndex;
class Tid3tag;
struct IndexRecord;

// One criterion of the form: its text (empty means not asked), its "Exact" box and its
// "Contains" box (anywhere in the value rather than at its start; "Exact" wins over it).
struct SearchCriterion {
    std::string text;
    bool exact = false;
    bool contains = false;
};

// A criterion on any named field, beside the form's rows of the seven.
struct FieldCriterion {
    const NamedField* field = nullptr;
    SearchCriterion criterion;
};

struct SearchRequest {
    std::string folder;
    bool subfolders = false;
    SearchCriterion filename; // the file system's bytes of the name, extension included
    std::array<SearchCriterion, kFieldCount> fields; // UTF-8, by fieldIndex()
    std::vector<FieldCriterion> more; // tried after the seven, in order
    // A file is found within these ranges, and with a text criterion asked, when one matches.
    AudioCriteria audio;
    // Letters match whatever accents they carry ("cafe" finds "Café", "αγαπη" finds "ΑΓΆΠΗ").
    bool ignoreAccents = false;
};

struct SearchOutcome {
    std::vector<std::string> results; // full paths, in the order the walk found them
    bool folderFound = false;
    UnreadableFolders unreadable; // folders of the tree that could not be searched
};

// The form texts are compared in: composed (NFC) and case-folded by Unicode's rules, so
// letter case and composed or decomposed forms make no difference. Bytes that are not
// UTF-8 (a file name may hold any) are kept, with only a to z folded. `key` is reused.
// With `ignoreAccents` the marks that decomposition parts from letters are dropped too.
void searchKey(const std::string& text, std::string& key, bool ignoreAccents = false);
// The matching rule on two keys: the value begins with the criterion, or equals it
// (`exact`), or holds it anywhere (`contains`).
bool matchesKey(const std::string& valueKey, const std::string& criterionKey, bool exact, bool contains);
// The same on two texts.
bool matchesCriterion(const std::string& value, const std::string& criterion, bool exact, bool contains = false);

// One folder of a search's tree with its listing; the tree is read once and then searched.
struct SearchedFolder {
    std::string path; // ends with "/"
    std::vector<platform::DirEntry> entries;
};
// The folders a search of `folder` visits, in the order it visits them; those it cannot
// read are added to `unreadable`.
std::vector<SearchedFolder> listSearchFolders(const std::string& folder, bool subfolders,
                                              UnreadableFolders& unreadable);

// The MP3 files a search of these folders examines.
std::size_t CountSearchFiles(const std::vector<SearchedFolder>& folders);

// The search over the shared tag objects, whose contents it replaces.
class TagSearch {
public:
    TagSearch(Tid3tag& v1, Tid3v2tag& v2) : m_v1(v1), m_v2(v2) {}

    // Takes the files' tags from the index's records rather than from the files.
    void useIndex(TagIndex* index) { m_index = index; }
    // Checks each file of the folders, in the order the file lists sort them, telling
    // `progress` of each one examined.
    void SearchFolder(const std::vector<SearchedFolder>& folders, const SearchRequest& request, Progress& progress,
                      std::vector<std::string>& results);
    // Whether the field's ID3v1 value or, failing that, its ID3v2 value matches; the genre
    // only from ID3v2. ID3v1 cuts a text at 30 characters and to ISO-8859-1, so its value
    // alone cannot decide.
    bool MatchCriterion(TagFile& file, TagField field, const SearchCriterion& criterion,
                        const std::string& criterionKey);
    // Whether a named field beyond the seven matches: any one of its ID3v2 values, or all of
    // them as people see them joined.
    bool MatchNamedCriterion(TagFile& file, const NamedField& field, const SearchCriterion& criterion,
                             const std::string& criterionKey);

private:
    void prepareCriteria(const SearchRequest& request);
    // Checks the batch's files through the index, emptying it.
    void checkBatch(const SearchRequest& request, std::vector<std::string>& batch, std::size_t& done,
                    Progress& progress, std::vector<std::string>& results);
    // CheckSearchFile and its parts on a file's index record.
    bool CheckSearchRecord(const SearchRequest& request, const IndexRecord& record, const std::string& name);
    bool matchesRecordText(const SearchRequest& request, const IndexRecord& record, const std::string& name);
    bool matchRecordCriterion(const IndexRecord& record, TagField field, const SearchCriterion& criterion,
                              const std::string& criterionKey);
    bool matchRecordNamed(const IndexRecord& record, const NamedField& field, const SearchCriterion& criterion,
                          const std::string& criterionKey);
    // Whether any text criterion asked matches, and the audio is within the ranges asked.
    bool CheckSearchFile(const SearchRequest& request, const std::string& path, const std::string& name);
    // Whether any text criterion matches, tried in form order until one does.
    bool matchesText(const SearchRequest& request, const std::string& name, std::optional<TagFile>& file,
                     const std::string& path);
    bool matches(const std::string& value, const SearchCriterion& criterion, const std::string& criterionKey);

    Tid3tag& m_v1;
    Tid3v2tag& m_v2;
    // The criteria's keys: the file name's, then the fields' by fieldIndex().
    std::array<std::string, kFieldCount + 1> m_criterionKeys;
    std::vector<std::string> m_moreKeys; // by SearchRequest::more
    bool m_textAsked = false;
    bool m_ignoreAccents = false;
    TagIndex* m_index = nullptr;
    // Reused from file to file, so a search allocates little beyond the tag loads.
    std::string m_value, m_key, m_path;
};

// Lists the tree, counts, then checks: `progress` begins with the count and advances once per file.
// With an index, the files' tags come from their records.
SearchOutcome runSearch(const SearchRequest& request, Tid3tag& v1, Tid3v2tag& v2,
                        Progress& progress = noProgress(), TagIndex* index = nullptr);
