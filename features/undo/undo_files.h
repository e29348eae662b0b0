// What the undo of one file of a save entry shares with the look at start for half-done files.
#pragma once

#include "journal_store.h"

#include <cstdint>
#include <optional>
#include <string>

struct UndoReport;

// Where the file a record names is now, under its old name or another in its folder.
std::optional<std::string> whereIsNow(const SavedFileRecord& r);
bool sameEnd(uint64_t length, uint32_t crc, uint64_t otherLength, uint32_t otherCrc);
// Each end of the file as the save left it or as it was before.
bool leftOrPartlyBack(const Fingerprint& now, const Fingerprint& after, const Fingerprint& then);
// Puts one file of an entry back; false when the entry must stay for another try.
bool undoFile(const SavedFile& f, UndoReport& report);
