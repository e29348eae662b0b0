// How well a text reads: letters of one script per word, no stray symbols or controls.
#pragma once

#include "tags/core/utf8_text.h"

#include <string>

// 1 when every word is letters of one script and nothing odd stands between them; lower as
// words mix scripts, Latin words turn mostly accented, or symbols and controls appear.
double readingScore(const Utf8Text& text);
// The share of the code page's double-byte characters that fall where its common
// characters lie; 1 for a single-byte code page.
double commonShare(const std::string& bytes, const std::string& codePage);
