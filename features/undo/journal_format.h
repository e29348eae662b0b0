// The byte layout of the undo journal's entries: <id>.entry (a finished entry), <id>.open (a
// save's entry while it runs, left so when the save was stopped), <id>.partial (a rename's
// entry while it is written) and <id>.undone (an entry taken back). Two empty markers: <id>.settled
// (a stopped save looked at, with no half-saved file left) and <id>.undoing (its undo runs, or
// was ended before it finished).
//
// An entry is a header and then records, each: type, payload length, payload, and the CRC-32
// of every byte of the entry before it. So each record vouches for the whole entry up to
// itself, and the end record for the whole entry. Numbers are big-endian, as in the move
// records; each layout below is the one table that both the writer and the reader follow.
#pragma once

#include "tags/file/durable_records.h"

#include <cstddef>
#include <cstdint>

namespace journalformat {

using records::Field;

// Version 3. An entry of an earlier version starts with "VNJ" and another digit: it is
// refused by name, never read.
inline constexpr char kEntryMagic[4] = {'V', 'N', 'J', '3'};
inline constexpr std::size_t kVersionAt = 3;

namespace header {
enum : std::size_t { kKind, kTime, kFiles, kCount };
inline constexpr Field kLayout[kCount] = {{1}, {8}, {4}};
} // namespace header

// What comes before and after each record's payload.
namespace framing {
enum : std::size_t { kType, kLength, kCount };
inline constexpr Field kLayout[kCount] = {{1}, {8}};
inline constexpr std::size_t kCrcSize = 4;
} // namespace framing

inline constexpr uint8_t kSnapshot = 'S', kChanged = 'F', kUnchanged = 'N', kRename = 'R', kEnd = 'E',
                         kHeadChange = 'H';

// What a file had before the save. kFlagHeadByChanges: `head` is empty and the old ID3v2
// tag's size and CRC-32 stand for it; kHeadChange records, written as the save goes, hold
// what it replaced. The file's device and inode name it whatever it is called by then.
namespace snapshot {
enum : std::size_t { kIndex, kPath, kFlags, kOldSize, kOldHeadSize, kOldHeadCrc, kHead, kTail, kDevice, kInode, kCount };
inline constexpr Field kLayout[kCount] = {{4}, {4, true}, {1}, {8}, {8}, {4}, {8, true}, {8, true}, {8}, {8}};
inline constexpr uint8_t kFlagWhole = 2, kFlagV1 = 4, kFlagV2 = 8, kFlagHeadByChanges = 16;
} // namespace snapshot

// kChanged: what the save left; kUnchanged has the index alone.
namespace outcome {
enum : std::size_t { kIndex, kSize, kHead, kTail, kHeadCrc, kTailCrc, kCount };
inline constexpr Field kLayout[kCount] = {{4}, {8}, {8}, {8}, {4}, {4}};
inline constexpr Field kUnchangedLayout[1] = {{4}};
} // namespace outcome

namespace headchange {
enum : std::size_t { kIndex, kWhole, kAt, kBytes, kCount };
inline constexpr Field kLayout[kCount] = {{4}, {1}, {8}, {8, true}};
} // namespace headchange

// A device and inode of 0 (inode 0 names no file): the file could not be looked at.
namespace rename {
enum : std::size_t { kFrom, kTo, kDevice, kInode, kSize, kCount };
inline constexpr Field kLayout[kCount] = {{4, true}, {4, true}, {8}, {8}, {8}};
} // namespace rename

} // namespace journalformat
