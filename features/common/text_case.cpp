// Changes the letter case of UTF-8 texts word by word.
#include "text_case.h"

#include "text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <regex>

namespace {

using MapChar = utf8proc_int32_t (*)(utf8proc_int32_t);

// Bytes that are no UTF-8 pass through unchanged.
std::string mapped(const std::string& utf8, MapChar map)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        utf8proc_int32_t cp = 0;
        const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(utf8.data() + at);
        const utf8proc_ssize_t len = utf8proc_iterate(p, static_cast<utf8proc_ssize_t>(utf8.size() - at), &cp);
        if (len <= 0) {
            out += utf8[at++];
            continue;
        }
        utf8proc_uint8_t buffer[4];
        out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(utf8proc_encode_char(map(cp), buffer)));
        at += static_cast<std::size_t>(len);
    }
    return out;
}

bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }

// Written in capitals: "mix" is a word, "MIX" stays as it is.
bool romanNumeral(const std::string& word)
{
    static const std::regex roman("M{0,3}(CM|CD|D?C{0,3})(XC|XL|L?X{0,3})(IX|IV|V?I{0,3})");
    return !word.empty() && std::regex_match(word, roman);
}

// "McCartney", "iPhone": a capital after a lower-case letter.
bool innerCapital(const std::string& word)
{
    bool lowerSeen = false;
    for (const char c : word) {
        if (isAsciiUpper(c) && lowerSeen)
            return true;
        lowerSeen = lowerSeen || isAsciiLower(c);
    }
    return false;
}

// "AC/DC", "U.S.A.", "R&B".
bool capitalsWithMarks(const std::string& word)
{
    return word.size() >= 3 && upperText(word) == word && lowerText(word) != word &&
           word.find_first_of("/.&") != std::string::npos;
}

const std::string* exceptionFor(const std::string& word, const std::vector<std::string>& exceptions)
{
    for (const std::string& e : exceptions)
        if (sameIgnoringCase(e, word))
            return &e;
    return nullptr;
}

// Leading brackets and quotes stay where they are: "(feat." is "feat." in brackets.
std::size_t coreStart(const std::string& word)
{
    const std::size_t start = word.find_first_not_of("([{\"'");
    return start == std::string::npos ? word.size() : start;
}

std::string capitalised(const std::string& word)
{
    utf8proc_int32_t cp = 0;
    const utf8proc_ssize_t len = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(word.data()),
                                                  static_cast<utf8proc_ssize_t>(word.size()), &cp);
    const std::size_t first = len > 0 ? static_cast<std::size_t>(len) : std::min<std::size_t>(1, word.size());
    return upperText(word.substr(0, first)) + lowerText(word.substr(first));
}

enum class Place { First, Other };

std::string casedWord(const std::string& word, Place place, bool sentence, const std::vector<std::string>& exceptions)
{
    const std::size_t start = coreStart(word);
    const std::string core = word.substr(start);
    std::string result;
    if (const std::string* e = exceptionFor(core, exceptions)) {
        const bool small = lowerText(*e) == *e;
        result = small && place == Place::First ? capitalised(*e) : *e;
    } else if (romanNumeral(core) || innerCapital(core) || capitalsWithMarks(core)) {
        result = core;
    } else {
        result = sentence && place == Place::Other ? lowerText(core) : capitalised(core);
    }
    return word.substr(0, start) + result;
}

std::string casedWords(const std::string& utf8, bool sentence, const std::vector<std::string>& exceptions)
{
    std::string out;
    bool first = true;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t end = std::min(utf8.find(' ', at), utf8.size());
        if (end > at) {
            out += casedWord(utf8.substr(at, end - at), first ? Place::First : Place::Other, sentence, exceptions);
            first = false;
        }
        if (end < utf8.size())
            out += ' ';
        at = end + 1;
    }
    return out;
}

} // namespace

std::string upperText(const std::string& utf8) { return mapped(utf8, utf8proc_toupper); }
std::string lowerText(const std::string& utf8) { return mapped(utf8, utf8proc_tolower); }

const std::vector<std::string>& defaultCaseExceptions()
{
    static const std::vector<std::string> list = {
        "a", "an", "and", "as", "at", "but", "by", "for", "from", "in", "into", "nor", "of", "on", "or",
        "the", "to", "with", "vs.", "feat.", "ft.", "AC/DC", "iPhone", "iPod", "iTunes", "DJ", "TV", "UK", "USA"};
    return list;
}

std::string titleCase(const std::string& utf8, const std::vector<std::string>& exceptions)
{
    return casedWords(utf8, false, exceptions);
}

std::string sentenceCase(const std::string& utf8, const std::vector<std::string>& exceptions)
{
    return casedWords(utf8, true, exceptions);
}
