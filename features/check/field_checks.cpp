// The checks of a file's seven fields and of its ID3v1 record's bytes.
#include "file_checks.h"

#include "features/check/field_values.h"
#include "features/tagedit/batch_save.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v1/id3_layout.h"

#include <cctype>

namespace {

const Utf8Text& v1Text(const FileFacts& facts, TagField f) { return facts.v1.fields[fieldIndex(f)]; }
const Utf8Text& v2Text(const FileFacts& facts, TagField f) { return facts.v2.fields[fieldIndex(f)]; }

// Version 2.4 dates ("2001-05-03") begin with the year.
bool numericYear(const Utf8Text& year)
{
    if (year.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (!std::isdigit(static_cast<unsigned char>(year[i])))
            return false;
    return year.size() == 4 || year[4] == '-' || year[4] == 'T';
}

void checkCount(FileReport& report, const char* name, const char* what, const Utf8Text& text)
{
    const std::optional<CountValue> count = countOf(text);
    if (count && count->total > 0 && count->number > count->total)
        addProblem(report, name, std::string("the ") + what + " is " + text + ", beyond its total");
}

void checkMissing(const FileFacts& facts, FileReport& report)
{
    static constexpr std::pair<TagField, const char*> kNeeded[] = {
        {TagField::Title, "missing_title"}, {TagField::Artist, "missing_artist"}, {TagField::Album, "missing_album"}};
    for (const auto& [field, name] : kNeeded)
        if (v1Text(facts, field).empty() && v2Text(facts, field).empty())
            addProblem(report, name, std::string("no tag holds the ") + fieldName(field));
}

void checkValues(const FileFacts& facts, FileReport& report)
{
    const Utf8Text& year = facts.hasV2() && !v2Text(facts, TagField::Year).empty() ? v2Text(facts, TagField::Year)
                                                                                  : v1Text(facts, TagField::Year);
    if (!year.empty() && !numericYear(year))
        addProblem(report, "year_not_numeric", "the year is \"" + year + "\"");
    checkCount(report, "track_over_total", "track", v2Text(facts, TagField::Track));
    checkCount(report, "disc_over_total", "disc", facts.disc);
}

// Bytes after the NUL that ends a text: readers that stop at the NUL and those that do not disagree.
bool junkAfterNul(const std::array<uint8_t, 128>& record, id3v1::Field f)
{
    bool ended = false;
    for (std::size_t i = f.offset; i < f.offset + f.width; ++i) {
        if (ended && record[i] != 0)
            return true;
        ended = ended || record[i] == 0;
    }
    return false;
}

void checkV1Record(const FileFacts& facts, FileReport& report)
{
    const auto& r = facts.v1Record;
    const bool trackForm = r[id3v1::kTrackMarker] == 0 && r[id3v1::kTrack] != 0;
    static constexpr std::pair<id3v1::Field, TagField> kTexts[] = {{id3v1::kTitle, TagField::Title},
        {id3v1::kArtist, TagField::Artist}, {id3v1::kAlbum, TagField::Album}, {id3v1::kYear, TagField::Year}};
    for (const auto& [slot, field] : kTexts)
        if (junkAfterNul(r, slot))
            addProblem(report, "v1_bad_padding", std::string("the ID3v1 ") + fieldName(field) + " has bytes after its end");
    if (junkAfterNul(r, trackForm ? id3v1::kTrackComment : id3v1::kComment))
        addProblem(report, "v1_bad_padding", "the ID3v1 Comment has bytes after its end");
    if (facts.v1Result & kWarnGenre)
        addProblem(report, "v1_bad_genre", "the ID3v1 genre byte is " + std::to_string(facts.v1Genre));
    for (TagField f : {TagField::Title, TagField::Artist, TagField::Album, TagField::Comment})
        if (v1Cuts(v1Text(facts, f), v2Text(facts, f), f))
            addProblem(report, "v1_truncated", std::string("the ID3v1 ") + fieldName(f) + " holds only the start of the ID3v2 one");
}

void checkAgreement(const FileFacts& facts, FileReport& report)
{
    for (TagField f : kAllFields) {
        const Utf8Text& one = v1Text(facts, f);
        const Utf8Text& two = v2Text(facts, f);
        if (!sameInBothTags(f, one, two))
            addProblem(report, disagreementCheck(f),
                       std::string("the ") + fieldName(f) + " is \"" + one + "\" in the ID3v1 tag and \"" + two +
                           "\" in the ID3v2 tag");
    }
}

} // namespace

void checkFields(const FileFacts& facts, FileReport& report)
{
    if (!facts.openFailure.empty() || !facts.foreign.empty() || (!facts.hasV1() && !facts.hasV2()))
        return;
    // A damaged tag's fields read empty: what it holds is told by damaged_tag.
    if (!facts.v2Damaged())
        checkMissing(facts, report);
    checkValues(facts, report);
    if (facts.hasV1())
        checkV1Record(facts, report);
    if (facts.hasV1() && facts.hasV2() && !facts.v2Damaged())
        checkAgreement(facts, report);
}
