// The 16-bit result word shared by every tag load and save.
#pragma once

#include <cstdint>
#include <string>

using TagResult = uint16_t; // high byte: error (0 = success), low byte: warning bits

constexpr TagResult kOk = 0x0000;
constexpr TagResult kErrOpen = 0x0100;
constexpr TagResult kErrReadOnly = 0x0200;
constexpr TagResult kErrRead = 0x0300;
constexpr TagResult kErrWrite = 0x0400;
constexpr TagResult kErrIo = 0x0500;
constexpr TagResult kErrOffset = 0x0800;
constexpr TagResult kErrNoTag = 0x1000;
constexpr TagResult kErrVersion = 0x1100;
constexpr TagResult kErrRevision = 0x1200;
constexpr TagResult kErrTagCompression = 0x1300; // ID3v2.2: the whole tag is compressed
constexpr TagResult kErrFileTooShort = 0x2000;
constexpr TagResult kErrFrameId = 0x2100;
constexpr TagResult kErrTagTooLarge = 0x2200;
constexpr TagResult kErrEncryption = 0xC000;
constexpr TagResult kErrGrouping = 0xC100;
constexpr TagResult kErrDataLength = 0xC200;
constexpr TagResult kErrNoFrames = 0xFD00;
constexpr TagResult kErrCorrupt = 0xFE00;

constexpr TagResult kWarnGenre = 0x0080;       // ID3v1: genre byte 148 to 254
constexpr TagResult kWarnHeaderFlags = 0x0080; // ID3v2: undefined header flag bit
constexpr TagResult kWarnExtFlags = 0x0040;
constexpr TagResult kWarnRevision = 0x0010;
constexpr TagResult kWarnPadding = 0x0004;

constexpr bool failed(TagResult r) { return r >= 0x0100; }

// What the error of a result word means, in a few words for people; empty without an error.
std::string resultText(TagResult r);
// "Error #N: " and the detail the engine gave for this failure, else the result's own words.
std::string errorText(TagResult r, const std::string& detail = {});
// 6210 as "6,210".
std::string groupedNumber(uint64_t n);
