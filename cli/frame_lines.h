// The named fields and every frame of an ID3v2 tag for varnoli-cli's listings.
#pragma once

#include "features/common/named_fields.h"
#include "features/tagedit/pictures.h"

#include <string>
#include <vector>

class Tid3v2tag;

// The named fields beyond the seven as members of the tag's object: ", \"disc\": \"1/2\"";
// a field of several values gives an array.
void appendNamedFieldsJson(std::string& out, const std::vector<PresentField>& fields);
// The members "fields" (every named field present, the seven first) and "frames" (every
// frame in file order) of the tag's object; the pictures are those the tag's frames hold.
void appendAllJson(std::string& out, Tid3v2tag& tag, const FieldTexts& seven, const std::vector<PresentField>& fields,
                   const std::vector<PictureSummary>& pictures);
// The same for people: the named fields beyond the seven, then a line per frame.
void appendAllLines(std::string& out, Tid3v2tag& tag, const std::vector<PresentField>& fields,
                    const std::vector<PictureSummary>& pictures);
