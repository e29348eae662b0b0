// Finds a file's texts written in a legacy code page and builds the batch that fixes them.
#include "features/encoding/misread_texts.h"

#include "features/encoding/code_page_guess.h"
#include "features/encoding/eight_bit_text.h"
#include "features/encoding/reading_score.h"
#include "platform/file_system.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <algorithm>

namespace {

struct Candidate {
    bool v1;
    const NamedField* field;
    std::string bytes;
};

bool hasHighByte(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void addV1(std::vector<Candidate>& out, const std::string& path, Tid3tag& tag)
{
    if (failed(tag.LoadFromFile(path)))
        return;
    const std::pair<TagField, std::string> texts[] = {{TagField::Title, tag.Title()}, {TagField::Artist, tag.Artist()},
        {TagField::Album, tag.Album()}, {TagField::Comment, tag.Comment()}};
    for (const auto& [field, bytes] : texts)
        if (hasHighByte(bytes))
            out.push_back({true, &namedField(field), bytes});
}

// A frame's text is 8-bit when every character is one of ISO-8859-1's.
void addV2(std::vector<Candidate>& out, const std::string& path, Tid3v2tag& tag)
{
    tag.Reset();
    if (failed(tag.LoadFromFile(path, 0)))
        return;
    const Latin1Reading stored;
    for (const NamedField& field : namedFields()) {
        const std::vector<Utf8Text> values = readField(tag, field);
        std::string bytes;
        if (values.size() == 1 && latin1FromUtf8(values[0], bytes) && hasHighByte(bytes))
            out.push_back({false, &field, bytes});
    }
}

// A text that reads no better in the code page than it does now stays, as a Western comment
// beside Cyrillic titles does; the code page the person names is taken as said.
std::optional<SuspectText> suspectOf(const Candidate& c, const std::string& codePage, bool named)
{
    SuspectText text{c.v1, c.field, c.v1 ? eightBitToUtf8(c.bytes) : latin1ToUtf8(c.bytes), {}, true};
    const std::optional<Utf8Text> after = decodeFrom(c.bytes, codePage);
    if (!after || *after == text.now || (!named && readingScore(*after) <= readingScore(text.now)))
        return std::nullopt;
    text.after = *after;
    std::string stored;
    text.writable = !c.v1 || (!eightBitCodePage().empty() && eightBitFromUtf8(text.after, stored));
    return text;
}

} // namespace

FileSuspects findSuspectTexts(const std::string& path, const std::optional<std::string>& from, Tid3tag& v1,
                              Tid3v2tag& v2)
{
    FileSuspects file{path, {}, 0, {}, !platform::fileExists(path)};
    std::vector<Candidate> candidates;
    addV1(candidates, path, v1);
    addV2(candidates, path, v2);
    std::vector<std::string> bytes;
    for (const Candidate& c : candidates)
        bytes.push_back(c.bytes);
    const std::optional<CodePageGuess> guess = from ? CodePageGuess{*from, 100} : guessCodePage(bytes);
    if (!guess)
        return file;
    file.codePage = guess->codePage;
    file.confidence = guess->confidence;
    for (const Candidate& c : candidates)
        if (std::optional<SuspectText> text = suspectOf(c, file.codePage, from.has_value()))
            file.texts.push_back(*text);
    return file;
}

std::string suspectLine(const FileSuspects& file, const SuspectText& text)
{
    return file.path + ": " + (text.v1 ? "v1 " : "") + text.field->name + ": " + text.now + " -> " + text.after +
           " (" + file.codePage + ")";
}

BatchSaveRequest encodingFixRequest(const std::vector<FileSuspects>& files)
{
    BatchSaveRequest request;
    request.saveV1 = false;
    request.recordForUndo = true;
    for (const FileSuspects& file : files) {
        FileSaveFields fields;
        bool any = false;
        for (const SuspectText& text : file.texts) {
            if (!text.writable)
                continue;
            any = true;
            if (text.v1) {
                fields.v1[*text.field->seven] = SaveField{true, text.after};
                request.saveV1 = true;
            } else {
                fields.v2.edits.push_back(FieldEdit{text.field, {}, text.after});
            }
        }
        if (!any)
            continue;
        request.files.push_back(file.path);
        request.perFile.push_back(std::move(fields));
    }
    return request;
}
