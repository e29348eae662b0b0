// The names people know ID3v2 frames by, beside their four-letter IDs.
#pragma once

#include <string_view>

// "Album artist / band" for TPE2, "User text" for TXXX; empty for an ID no version 2.3 or
// 2.4 tag defines.
std::string_view frameIdName(std::string_view id);
