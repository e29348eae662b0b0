// The texts of a file written in a legacy code page, what they would read, and their fix.
#pragma once

#include "features/common/named_fields.h"
#include "features/tagedit/batch_save.h"
#include "tags/core/tag_result.h"

#include <optional>
#include <string>
#include <vector>

class Tid3tag;
class Tid3v2tag;

struct SuspectText {
    bool v1 = false; // the ID3v1 field, else the ID3v2 one
    const NamedField* field = nullptr;
    Utf8Text now;   // as it reads today
    Utf8Text after; // as it reads in the code page
    // The ID3v1 tag is rewritten only in the 8-bit code page chosen for it, when the text fits.
    bool writable = true;
};

struct FileSuspects {
    std::string path;
    std::string codePage; // the guess, or the code page given
    int confidence = 0;
    std::vector<SuspectText> texts;
    bool missing = false; // no file at the path
};

// The suspect texts of one file: its ID3v1 fields and the named ID3v2 fields whose text is
// 8-bit (ISO-8859-1 frames, and UTF-16 or UTF-8 ones holding only characters up to U+00FF),
// all weighed together. `from` is the code page the person names; the guess else. A file
// whose texts read right has none.
FileSuspects findSuspectTexts(const std::string& path, const std::optional<std::string>& from, Tid3tag& v1,
                              Tid3v2tag& v2);

// "FILE: FIELD: NOW -> AFTER (CODEPAGE)", the field as "v1 title" for the ID3v1 one.
std::string suspectLine(const FileSuspects& file, const SuspectText& text);
// The one batch, journaled, that writes every writable fix; no file when there is none.
BatchSaveRequest encodingFixRequest(const std::vector<FileSuspects>& files);
