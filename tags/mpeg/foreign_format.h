// Telling a file that holds no MPEG audio from one that does, by its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Why the bytes at the start of a file with no tag are not MPEG audio: a known other format
// by its signature, or no frame in them at all (`whole`: they are all the file holds, else the
// first mpeg_layout::kSearchLimit bytes). Empty when they hold a frame.
std::string foreignFormatReason(const uint8_t* head, std::size_t n, bool whole);
