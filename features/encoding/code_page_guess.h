// Guesses the code page that 8-bit tag texts were really written in.
#pragma once

#include "tags/core/utf8_text.h"

#include <optional>
#include <string>
#include <vector>

// A code page as people name it ("cp1251", "shift_jis", "utf-8") and how sure the guess is.
struct CodePageGuess {
    std::string codePage;
    int confidence = 0; // 0 to 100
};

// The code page a name stands for, in any letter case and its common spellings
// ("windows-1251", "CP1251", "1251"); a name only the system's converter knows passes as it
// is; nothing for a name nobody knows.
std::optional<std::string> codePageNamed(const std::string& name);
// The code pages the guess chooses from, in the order people are offered them.
const std::vector<std::string>& knownCodePages();

// Whether the bytes read right as ISO-8859-1 in a language written with it: accented
// letters among plain ones, no control or symbol inside a word.
bool plausibleLatin1(const std::string& bytes);

// The code page of a file's (or an album's) 8-bit texts taken together, since one short
// title says too little; nothing when they hold no byte above 0x7F or read right as
// ISO-8859-1. "utf-8" means UTF-8 bytes stored as 8-bit text.
std::optional<CodePageGuess> guessCodePage(const std::vector<std::string>& texts);

// The text's bytes read in the code page; nothing when they are not text in it.
std::optional<Utf8Text> decodeFrom(const std::string& bytes, const std::string& codePage);
// The text in the code page; false when a character has no place in it.
bool encodeInto(const Utf8Text& text, const std::string& codePage, std::string& bytes);
