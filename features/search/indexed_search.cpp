// The search's checks on a file's index record, which match as the checks on the file do.
#include "search.h"

#include "features/index/tag_index.h"

#include <algorithm>

void TagSearch::checkBatch(const SearchRequest& request, std::vector<std::string>& batch, std::size_t& done,
                           Progress& progress, std::vector<std::string>& results)
{
    if (batch.empty())
        return;
    for (const IndexRecord& record : m_index->lookup(batch)) {
        progress.advance(done, record.path);
        if (CheckSearchRecord(request, record, record.path.substr(record.path.rfind('/') + 1)))
            results.push_back(record.path);
        ++done;
    }
    batch.clear();
}

bool TagSearch::CheckSearchRecord(const SearchRequest& request, const IndexRecord& record, const std::string& name)
{
    if (m_textAsked && !matchesRecordText(request, record, name))
        return false;
    return request.audio.asked() ? request.audio.admits(record.audio) : m_textAsked;
}

bool TagSearch::matchesRecordText(const SearchRequest& request, const IndexRecord& record, const std::string& name)
{
    if (!request.filename.text.empty() && matches(name, request.filename, m_criterionKeys[0]))
        return true;
    for (TagField field : kAllFields) {
        const SearchCriterion& criterion = request.fields[fieldIndex(field)];
        if (!criterion.text.empty() &&
            matchRecordCriterion(record, field, criterion, m_criterionKeys[1 + fieldIndex(field)]))
            return true;
    }
    for (std::size_t i = 0; i < request.more.size(); ++i) {
        const FieldCriterion& more = request.more[i];
        if (more.criterion.text.empty() || !more.field)
            continue;
        if (more.field->seven ? matchRecordCriterion(record, *more.field->seven, more.criterion, m_moreKeys[i])
                              : matchRecordNamed(record, *more.field, more.criterion, m_moreKeys[i]))
            return true;
    }
    return false;
}

// The record's ID3v1 texts are those the search reads, as ISO-8859-1.
bool TagSearch::matchRecordCriterion(const IndexRecord& record, TagField field, const SearchCriterion& criterion,
                                     const std::string& criterionKey)
{
    const std::size_t i = fieldIndex(field);
    if (field != TagField::Genre && !failed(record.fields.v1.result) && !record.fields.v1.fields[i].empty() &&
        matches(record.fields.v1.fields[i], criterion, criterionKey))
        return true;
    return !failed(record.fields.v2.result) && matches(record.fields.v2.fields[i], criterion, criterionKey);
}

bool TagSearch::matchRecordNamed(const IndexRecord& record, const NamedField& field, const SearchCriterion& criterion,
                                 const std::string& criterionKey)
{
    const auto present = std::find_if(record.named.begin(), record.named.end(),
                                      [&](const PresentField& p) { return p.field == &field; });
    if (present == record.named.end())
        return false;
    const std::vector<Utf8Text>& values = present->values;
    return std::any_of(values.begin(), values.end(),
                       [&](const Utf8Text& value) { return matches(value, criterion, criterionKey); }) ||
           (values.size() > 1 && matches(joinedValues(values), criterion, criterionKey));
}
