// Reads and writes 8-bit tag texts in the code page the person chose.
#include "features/encoding/eight_bit_text.h"

#include "features/encoding/code_page_guess.h"
#include "platform/code_pages.h"

namespace {

std::string& chosenCodePage()
{
    static std::string codePage;
    return codePage;
}

} // namespace

void setEightBitCodePage(const std::string& codePage) { chosenCodePage() = codePage; }

const std::string& eightBitCodePage() { return chosenCodePage(); }

Utf8Text eightBitToUtf8(const std::string& bytes)
{
    if (!chosenCodePage().empty())
        if (std::optional<Utf8Text> text = decodeFrom(bytes, chosenCodePage()))
            return *text;
    return latin1ToUtf8(bytes);
}

bool eightBitFromUtf8(const Utf8Text& text, std::string& bytes)
{
    if (chosenCodePage().empty())
        return latin1FromUtf8(text, bytes);
    if (encodeInto(text, chosenCodePage(), bytes))
        return true;
    // Character by character, so only what has no place becomes "?".
    bytes.clear();
    std::string one;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        nextCodePoint(text, i);
        const bool fits = encodeInto(text.substr(start, i - start), chosenCodePage(), one);
        bytes += fits ? one : "?";
    }
    return false;
}

bool eightBitFromUtf8(const Utf8Text& text, std::size_t width, std::string& bytes)
{
    const bool whole = eightBitFromUtf8(text, bytes);
    if (bytes.size() <= width || chosenCodePage().empty())
        return whole;
    // A character of two bytes is never cut in half at the field's end.
    bytes.clear();
    std::string one;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        nextCodePoint(text, i);
        if (!encodeInto(text.substr(start, i - start), chosenCodePage(), one))
            one = "?";
        if (bytes.size() + one.size() > width)
            break;
        bytes += one;
    }
    return whole;
}
