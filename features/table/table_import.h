// Import of a tag table: what each row would change in the file it names, checked before
// anything is written, and the one journaled batch save that writes it.
#pragma once

#include "features/table/table_columns.h"
#include "features/table/table_text.h"
#include "features/tagedit/batch_save.h"

#include <string>
#include <vector>

// One cell whose value differs from what its file holds now.
struct CellChange {
    std::string path;
    TableColumn column;
    Utf8Text before, after;
};

struct ImportPlan {
    std::vector<CellChange> changes;    // in table order, each file's changes together
    std::vector<std::string> unmatched; // one line per row that names no file
    std::vector<std::string> refused;   // one line per column or cell that cannot be written
};

// The file a row names: the name as it stands, or below `base` when a base is given and the
// name is relative.
std::string rowFile(const std::string& name, const std::string& base);

// Compares each row with the file it names: only cells that differ from what the file holds
// become changes, an empty cell clears its field and a column the row leaves out is left
// alone. A changed cell is checked as `set` checks its value. Nothing is written.
ImportPlan planImport(const TextTable& table, const std::string& base, Tid3tag& v1, Tid3v2tag& v2);

// The files the plan changes, in order.
std::vector<std::string> changedFiles(const ImportPlan& plan);
// "FILE: FIELD: NOW -> AFTER".
std::string changeLine(const CellChange& change);

// The plan's changes as one batch save, journaled for undo: one of the seven goes into both
// tags as `set` writes it (an ID3v1 genre outside the list becomes none), any other field
// or frame into the ID3v2 tag. Never save a plan with refusals.
BatchSaveRequest importRequest(const ImportPlan& plan);
