// The rows of the tag table as plain records, where they come from, and the one batch save
// that writes the cells people changed.
#pragma once

#include "features/table/table_columns.h"
#include "features/tagedit/batch_save.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The column a name stands for; nothing for a name that is neither a field nor a frame key.
std::optional<TableColumn> tableColumn(const std::string& name);
// The columns a list such as "artist, title, TXXX:MOOD" names, each once, in order; the
// names that stand for nothing go to `unknown`.
std::vector<TableColumn> tableColumns(const std::string& list, std::vector<std::string>& unknown);

// One file's values, by column name; a column the file lacks is absent.
struct TableRecord {
    std::string path;
    std::map<std::string, Utf8Text> values;
    bool unreadable = false; // the file could not be read
};

// Where the table's records come from: the files themselves, or an index of them.
class TableRecordSource {
public:
    virtual ~TableRecordSource() = default;
    // One record per path, in order. Called on a worker thread.
    virtual std::vector<TableRecord> load(const std::vector<std::string>& paths,
                                          const std::vector<TableColumn>& columns) = 0;
};

// Reads each file's tags: a seven field from the ID3v2 tag, else from the ID3v1 tag.
class FileRecordSource : public TableRecordSource {
public:
    std::vector<TableRecord> load(const std::vector<std::string>& paths,
                                  const std::vector<TableColumn>& columns) override;
};

class TagIndex;
// Takes the records from the person's tag index, reading only files changed since; without an
// index (or while an 8-bit code page is chosen) reads the files. Made on the thread that loads.
class IndexRecordSource : public TableRecordSource {
public:
    IndexRecordSource();
    ~IndexRecordSource() override;
    std::vector<TableRecord> load(const std::vector<std::string>& paths,
                                  const std::vector<TableColumn>& columns) override;

private:
    std::unique_ptr<TagIndex> m_index;
    bool m_opened = false;
    FileRecordSource m_files;
};

// One changed cell.
struct TableCellEdit {
    std::string path;
    TableColumn column;
    Utf8Text text;
};
// Every changed cell as one journaled batch, a file's cells together (addCellEdit).
BatchSaveRequest tableSaveRequest(const std::vector<TableCellEdit>& edits);
