// The code page of 8-bit tag texts: ISO-8859-1 unless the person names the one they are in.
#pragma once

#include "tags/core/utf8_text.h"

#include <cstddef>
#include <string>

// Empty for ISO-8859-1. Set once at start (--v1-codepage, the window's setting).
void setEightBitCodePage(const std::string& codePage);
const std::string& eightBitCodePage();

// An ID3v1 text as Unicode, read in the code page; bytes that are not text in it read as
// ISO-8859-1, so nothing is lost.
Utf8Text eightBitToUtf8(const std::string& bytes);
// The text in the code page; false when a character has no place in it, which then is "?".
bool eightBitFromUtf8(const Utf8Text& text, std::string& bytes);
// The same, at most `width` bytes, ending on a whole character.
bool eightBitFromUtf8(const Utf8Text& text, std::size_t width, std::string& bytes);

// Reads with ISO-8859-1 for as long as it lives, to judge texts by their stored bytes.
class Latin1Reading {
public:
    Latin1Reading() : m_kept(eightBitCodePage()) { setEightBitCodePage({}); }
    ~Latin1Reading() { setEightBitCodePage(m_kept); }
    Latin1Reading(const Latin1Reading&) = delete;
    Latin1Reading& operator=(const Latin1Reading&) = delete;

private:
    std::string m_kept;
};
