// Named fields' texts beside the seven.
#include "named_texts.h"

#include "features/common/text.h"

#include <algorithm>

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
        if (sameIgnoringCase(field.caption, text))
            return &field;
    }
    return nullptr;
}
