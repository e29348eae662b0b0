// Builds the batch save that copies the seven fields between the two tags of each file.
#include "copy_tags.h"

#include "features/common/tag_fields.h"
#include "tags/id3v1/id3.h"

#include <algorithm>

namespace {

// The ID3v1 year keeps four characters: "2001-05-03" is the year 2001.
Utf8Text v1Year(const Utf8Text& year)
{
    std::size_t end = 0;
    for (std::size_t n = 0; end < year.size() && n < kYearSize; ++n)
        for (++end; end < year.size() && (static_cast<uint8_t>(year[end]) & 0xC0) == 0x80;)
            ++end;
    return year.substr(0, end);
}

V1SaveFields v1FieldsFrom(const FieldTexts& texts)
{
    V1SaveFields fields;
    for (TagField f : kAllFields)
        if (f != TagField::Genre)
            fields[f] = {true, texts[fieldIndex(f)]};
    fields[TagField::Year].text = v1Year(texts[fieldIndex(TagField::Year)]);
    SaveField& track = fields[TagField::Track];
    track.enabled = track.text.empty() || parseTrack(track.text).has_value();
    fields.genreEnabled = true;
    fields.genreIndex = genreListIndex(texts[fieldIndex(TagField::Genre)]);
    return fields;
}

V2SaveFields v2FieldsFrom(const FieldTexts& texts)
{
    V2SaveFields fields;
    for (TagField f : kAllFields)
        fields[f] = {true, texts[fieldIndex(f)]};
    // An ID3v1 tag without a track reads "0".
    if (fields[TagField::Track].text == "0")
        fields[TagField::Track].text.clear();
    return fields;
}

} // namespace

TagCopyPlan planTagCopy(const std::vector<std::string>& files, CopyTarget to, Tid3tag& v1, Tid3v2tag& v2)
{
    TagCopyPlan plan;
    BatchSaveRequest& request = plan.request;
    request.saveV1 = to == CopyTarget::V1;
    request.saveV2 = to == CopyTarget::V2;
    request.recordForUndo = true;
    request.explainFailures = true;
    for (const std::string& path : files) {
        v2.Reset();
        const FileFields read = readFileFields(path, v1, v2);
        const TagRead& from = to == CopyTarget::V1 ? read.v2 : read.v1;
        if (failed(from.result)) {
            plan.missed.push_back(path + ": no readable " + (to == CopyTarget::V1 ? "ID3v2" : "ID3v1") +
                                  " tag to copy from (" + resultText(from.result) + "); left alone");
            continue;
        }
        if (std::find(from.undecodable.begin(), from.undecodable.end(), true) != from.undecodable.end()) {
            plan.missed.push_back(path + ": a field of the tag to copy from cannot be decoded; left alone");
            continue;
        }
        FileSaveFields& fields = request.perFile.emplace_back();
        if (to == CopyTarget::V1)
            fields.v1 = v1FieldsFrom(from.fields);
        else
            fields.v2 = v2FieldsFrom(from.fields);
        request.files.push_back(path);
    }
    return plan;
}
