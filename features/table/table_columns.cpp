// The columns of a tag table and a file's value in each.
#include "features/table/table_columns.h"

#include "features/common/text.h"
#include "features/index/index_record.h"
#include "features/show/show_files.h"
#include "features/tagedit/frame_table.h"
#include "tags/core/utf8_text.h"
#include "tags/id3v2/id3v2.h"

std::optional<std::string> columnNamed(const std::string& name, TableColumn& column)
{
    column = TableColumn{name, namedField(name), {}};
    if (column.field || parseFrameKey(name, column.key))
        return std::nullopt;
    return "'" + name + "' is neither a field name nor a frame key (TPE3, TXXX:desc, COMM:desc:eng)";
}

TableColumn fieldColumn(const NamedField& field)
{
    std::string name = field.name;
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return {name, &field, {}};
}

std::vector<TableColumn> sevenColumns()
{
    std::vector<TableColumn> columns;
    for (TagField f : kAllFields)
        columns.push_back(fieldColumn(namedField(f)));
    return columns;
}

LoadedFile loadFile(const std::string& path, Tid3tag& v1, Tid3v2tag& v2)
{
    return {readShownFields(path, v1, v2), v2};
}

namespace {

// One of the seven from the ID3v2 tag, else from the ID3v1 tag, where no track is empty.
Utf8Text sevenValue(TagField field, const FileFields& shown)
{
    const std::size_t i = fieldIndex(field);
    if (!shown.v2.fields[i].empty())
        return shown.v2.fields[i];
    const Utf8Text& v1 = shown.v1.fields[i];
    return field == TagField::Track && v1 == "0" ? Utf8Text() : v1;
}

} // namespace

Utf8Text cellValue(const TableColumn& column, const LoadedFile& file)
{
    if (column.field && column.field->seven)
        return sevenValue(*column.field->seven, file.shown);
    if (failed(file.shown.v2.result)) // the tag object may still hold the previous file's frames
        return {};
    if (column.field)
        return joinedValues(readField(file.v2, *column.field));
    FrameValue value;
    return file.v2.GetFrame(column.key, value) == textresult::kOk ? frameText(value) : Utf8Text();
}

Utf8Text cellValue(const TableColumn& column, const IndexRecord& record)
{
    if (column.field && column.field->seven)
        return sevenValue(*column.field->seven, record.fields);
    return column.field ? record.value(column.field->name) : record.value(column.name);
}

std::optional<std::string> refusedCell(const TableColumn& column, const Utf8Text& text)
{
    if (!isUtf8(text))
        return column.name + ": the text is not UTF-8";
    if (column.field && column.field->seven == TagField::Track && !text.empty() && !parseTrack(text))
        return "track: " + invalidIntegerText(text);
    if (column.field && column.field->seven == TagField::Year && utf8Length(text) > kYearSize)
        return "year: '" + text + "' has more than " + std::to_string(kYearSize) +
               " characters, which the ID3v1 tag cannot hold";
    if (column.field)
        return refusedFieldText(*column.field, text);
    FieldEdit edit;
    return frameEditOf(column.name, text, edit);
}


void addCellEdit(FileSaveFields& fields, const TableColumn& column, const Utf8Text& text)
{
    if (column.field && column.field->seven) {
        const TagField f = *column.field->seven;
        fields.v1[f] = fields.v2[f] = {true, text};
        if (f == TagField::Genre) {
            fields.v1.genreEnabled = true;
            fields.v1.genreIndex = genreListIndex(text, true);
            fields.v1[f] = {};
        }
    } else if (column.field) {
        fields.v2.edits.push_back({column.field, {}, text});
    } else {
        addFrameEdit(fields.v2.edits, {nullptr, column.key, text});
    }
}
