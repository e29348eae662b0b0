// Named fields' texts beside the seven.
#include "named_texts.h"

#include <algorithm>
#include <cctype>

const Utf8Text* textOf(const NamedTexts& texts, const NamedField& field)
{
    const auto found = std::find_if(texts.begin(), texts.end(), [&](const auto& t) { return t.first == &field; });
    return found == texts.end() ? nullptr : &found->second;
}

NamedTexts presentTexts(Tid3v2tag& tag)
{
    NamedTexts texts;
    for (const PresentField& present : presentFields(tag))
        texts.emplace_back(present.field, joinedValues(present.values));
    return texts;
}

const NamedField* fieldNamedOrCaptioned(const std::string& text)
{
    if (const NamedField* field = namedField(text))
        return field;
    for (const NamedField& field : namedFields()) {
        const std::string_view caption = field.caption;
        if (caption.size() == text.size() &&
            std::equal(caption.begin(), caption.end(), text.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return &field;
    }
    return nullptr;
}
