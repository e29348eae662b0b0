// Saves that ended while they moved a file's audio, or between a file's two tags: what
// start-up tells the person, and the repair that puts such a file back.
#pragma once

#include "tags/file/move_record.h"

#include <string>
#include <vector>

// One text per interrupted save, naming the file and saying what to do; empty when none.
std::vector<std::string> interruptedSaveTexts();
// The files those texts name, as their records name them.
std::vector<std::string> interruptedSavePaths();
// The same texts gathered into the one message the window shows at start; empty when none.
std::string interruptedSavesMessage();

// What a killed run left in the state folder goes, and the folder and its subfolders are
// made private to this user; called once at start, before anything is saved. Gives
// interruptedSaveTexts() from the same look at the folder.
std::vector<std::string> tidyStateFolder();

// The engine's own answer: whether the file was put back, and what was done or why not.
using RepairOutcome = MoveRepair;
// Puts the file back as it was before its interrupted save, byte for byte, where the
// record of the move or the save's undo entry allows it; otherwise says why not.
RepairOutcome repairInterruptedSave(const std::string& path);
