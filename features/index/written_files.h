// The files this process saved or renamed, kept until the tag index is told of them.
#pragma once

#include <string>
#include <utility>
#include <vector>

class TagIndex;

struct WrittenFiles {
    std::vector<std::string> saved; // opened for saving, whether or not a save then wrote
    std::vector<std::pair<std::string, std::string>> renamed; // from, to
    bool empty() const { return saved.empty() && renamed.empty(); }
};

// From now on, keeps the files every save opens and every rename noted.
void keepWrittenFiles();
// A rename our own code made; kept only while keepWrittenFiles is on.
void noteRenamed(const std::string& from, const std::string& to);
// What was kept since the last call, which is forgotten.
WrittenFiles takeWrittenFiles();
// Renames first, so that a file renamed and then saved ends under its new name.
void tellIndex(TagIndex& index, const WrittenFiles& files);
// What was kept, told to the person's index where there is one already.
void tellIndexOfWrittenFiles();
