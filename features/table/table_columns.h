// The columns of a tag table and a file's value in each: a named field, or any frame by its key.
#pragma once

#include "features/common/named_fields.h"
#include "features/common/tag_fields.h"
#include "features/tagedit/batch_save.h"

#include <optional>
#include <string>
#include <vector>

struct IndexRecord;
class Tid3tag;
class Tid3v2tag;

struct TableColumn {
    std::string name;                  // as the header writes it
    const NamedField* field = nullptr; // else `key` names the frame
    FrameKey key;
};

// The column a header's name stands for: a named field in any letter case, else a frame key;
// why not, in words.
std::optional<std::string> columnNamed(const std::string& name, TableColumn& column);
// The seven, in the order the forms list them.
std::vector<TableColumn> sevenColumns();
TableColumn fieldColumn(const NamedField& field);

// One file's tags as a table reads them.
struct LoadedFile {
    FileFields shown; // the seven of both tags, as the "ID3 Tags" tab shows them
    Tid3v2tag& v2;    // the file's ID3v2 tag, loaded
};
// Loads both tags of the file through one open.
LoadedFile loadFile(const std::string& path, Tid3tag& v1, Tid3v2tag& v2);

// The file's value in a column: one of the seven from the ID3v2 tag, else from the ID3v1
// tag (no track there is empty); another field's values or a frame's text joined with "; ";
// empty when the file has none.
Utf8Text cellValue(const TableColumn& column, const LoadedFile& file);
// The same from the file's record in the tag index.
Utf8Text cellValue(const TableColumn& column, const IndexRecord& record);

// Why the text cannot be the column's value, as `set` would refuse it; nothing when it can.
std::optional<std::string> refusedCell(const TableColumn& column, const Utf8Text& text);
// Adds a cell's value to a file's save: one of the seven into both tags as `set` writes it (an
// ID3v1 genre outside the list becomes none), any other field or frame into the ID3v2 tag.
void addCellEdit(FileSaveFields& fields, const TableColumn& column, const Utf8Text& text);
