// Letter case of tag texts: upper, lower, Title Case and sentence case, by Unicode's rules.
#pragma once

#include <string>
#include <vector>

std::string upperText(const std::string& utf8);
std::string lowerText(const std::string& utf8);

// Words whose spelling Title Case keeps wherever they stand ("AC/DC", "iPhone"), and small
// words it writes in lower case unless they open the text ("of", "the", "feat.").
const std::vector<std::string>& defaultCaseExceptions();

// Each word's first letter upper and the rest lower, except: a word of the list, matched in
// any letter case, takes the list's spelling; a roman numeral written in capitals, a word with
// a capital inside ("McCartney") and capitals around "/", "." or "&" ("R&B") stay as written.
std::string titleCase(const std::string& utf8, const std::vector<std::string>& exceptions);
// The first letter upper, every other word lower, with Title Case's exceptions kept.
std::string sentenceCase(const std::string& utf8, const std::vector<std::string>& exceptions);
