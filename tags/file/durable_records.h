// What the two kinds of records that outlive a run share, the move records that let an
// interrupted save be repaired and the undo journal's entries: their checksum, the byte
// order of their numbers and their folders in the person's state folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// zlib's CRC-32 of n bytes, continuing `crc`, sizes past 32 bits counted whole; worked out
// by ISA-L where the build has it, which gives the same values many times faster.
uint32_t crcOf(const uint8_t* data, std::size_t n, uint32_t crc = 0);
// The CRC-32 of two runs of bytes one after the other, from the CRC-32 of each.
uint32_t crcJoined(uint32_t first, uint32_t second, uint64_t secondLength);

void writeBE64(uint8_t* p, uint64_t v);
uint64_t readBE64(const uint8_t* p);

// <state folder><name>/; empty when the person has no state folder.
std::string stateSubfolder(const char* name);
// Makes the state folder and `folder` in it, both private to this user; false when either
// cannot be made or is not a real folder.
bool makeStateSubfolder(const std::string& folder);
