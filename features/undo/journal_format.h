// The byte layout of the undo journal's entries: <id>.entry (a finished entry), <id>.open (a
// save's entry while it runs, left so when the save was stopped), <id>.partial (a rename's
// entry while it is written) and <id>.undone (an entry taken back).
//
// An entry is a header and then records, each: type, payload length, payload, and the CRC-32
// of every byte of the entry before it. So each record vouches
// for the whole entry up to itself, and the end record for the whole entry.
#pragma once

#include <cstddef>
#include <cstdint>

namespace journalformat {

inline constexpr char kEntryMagic[4] = {'V', 'N', 'J', '2'};
// kFlagHeadByChanges: the snapshot holds the old ID3v2 tag's size and CRC-32, not its bytes;
// kHeadChange records, written as the save goes, hold what it replaced.
inline constexpr uint8_t kFlagWhole = 2, kFlagV1 = 4, kFlagV2 = 8, kFlagHeadByChanges = 16;
inline constexpr uint8_t kSnapshot = 'S', kChanged = 'F', kUnchanged = 'N', kRename = 'R', kEnd = 'E',
                         kHeadChange = 'H';
inline constexpr std::size_t kFingerprintSize = 4 + 8 + 8 + 8 + 4 + 4;
inline constexpr std::size_t kRecordHead = 1 + 8;
inline constexpr std::size_t kIdentitySize = 8 + 8 + 8;

} // namespace journalformat
