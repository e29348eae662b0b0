// Finds the MP3 files of a folder tree whose file name or tag fields match what was asked.
#pragma once

#include "features/common/dialogs.h"
#include "features/common/mp3_folder.h"
#include "features/common/tag_fields.h"
#include "tags/id3v2.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class Tid3tag;

// One criterion of the form: its text (empty means not asked) and its "Exact" box.
struct SearchCriterion {
    std::string text;
    bool exact = false;
};

struct SearchRequest {
    std::string folder;
    bool subfolders = false;
    SearchCriterion filename; // the file system's bytes of the name, extension included
    std::array<SearchCriterion, kFieldCount> fields; // 8-bit tag text, by fieldIndex()
};

struct SearchOutcome {
    std::vector<std::string> results; // full paths, in the order the walk found them
    bool folderFound = false;
    UnreadableFolders unreadable; // folders of the tree that could not be searched
};

// The matching rule: `value` begins with `criterion` (or, exact, equals it), letters a to z
// compared without regard to case and every other byte as it is.
bool matchesCriterion(const std::string& value, const std::string& criterion, bool exact);

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

    // Checks each file of the folders, telling `progress` of each one examined.
    void SearchFolder(const std::vector<SearchedFolder>& folders, const SearchRequest& request, Progress& progress,
                      std::vector<std::string>& results);
    // Whether any criterion asked matches, tried in form order until one does.
    bool CheckSearchFile(const SearchRequest& request, const std::string& path, const std::string& name);
    bool MatchCriterion(const std::string& path, const SearchCriterion& criterion, TagField field);
    // The ID3v1 value, or the ID3v2 one when that is empty; the genre only from ID3v2.
    // Valid until the next call.
    const std::string& GetSearchField(const std::string& path, TagField field);

private:
    Tid3tag& m_v1;
    Tid3v2tag& m_v2;
    // Reused from file to file, so a search allocates nothing beyond the tag loads.
    std::string m_value, m_path;
    TCommentFrame m_comment;
};

// Lists the tree, counts, then checks: `progress` begins with the count and advances once per file.
SearchOutcome runSearch(const SearchRequest& request, Tid3tag& v1, Tid3v2tag& v2,
                        Progress& progress = noProgress());
