// Tests of the letter case rules, patterns, action words and recipe lines.
#include "features/actions/action_words.h"
#include "features/actions/recipes.h"
#include "features/common/text_case.h"
#include "features/pattern/pattern.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::string expand(const std::string& text, const std::map<std::string, std::string>& values,
                   PatternUse use = PatternUse::Name)
{
    std::string problem;
    const std::optional<Pattern> pattern = parsePattern(text, problem);
    EXPECT_TRUE(pattern) << text << ": " << problem;
    return pattern ? expandPattern(*pattern, [&](const NamedField& f) {
        const auto found = values.find(f.name);
        return found == values.end() ? std::string() : found->second;
    }, use) : std::string();
}

} // namespace

TEST(TextCase, TitleCaseKeepsTheExceptionsAndWhatIsWrittenOnPurpose)
{
    const auto& list = defaultCaseExceptions();
    const std::pair<const char*, const char*> cases[] = {
        {"the sound OF silence", "The Sound of Silence"},
        {"ac/dc live at river plate", "AC/DC Live at River Plate"},
        {"my IPHONE song feat. someone", "My iPhone Song feat. Someone"},
        {"rocky II and rocky IV", "Rocky II and Rocky IV"},
        {"old mcDonald (live)", "Old mcDonald (Live)"},
        {"ÉTÉ à paris", "Été À Paris"},
        {"  two  spaces ", "  Two  Spaces "},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, titleCase(in, list)) << in;
    EXPECT_EQ("The sound of silence by AC/DC", sentenceCase("THE SOUND OF SILENCE BY ac/dc", list));
    EXPECT_EQ("ÇA ÇA", upperText("ça ça"));
    EXPECT_EQ("straße", lowerText("STRAßE"));
}

TEST(Pattern, ExpandsFieldsPaddingOptionalPartsAndFunctions)
{
    const std::map<std::string, std::string> song{{"artist", "AC/DC"}, {"title", "back in black"},
                                                  {"track", "3/12"}, {"album", "Back\x01In"}};
    EXPECT_EQ("03 back in black", expand("[{disc}-]{track:02} {title}", song));
    EXPECT_EQ("2-03", expand("[{disc}-]{track:02}", {{"disc", "2/2"}, {"track", "3"}}));
    EXPECT_EQ("AC-DC/Back In", expand("{artist}/{album}", song));
    EXPECT_EQ("AC/DC", expand("{artist}", song, PatternUse::Text));
    EXPECT_EQ("BACK IN BLACK|back|Back in Black|bAck in blAck",
              expand("{upper:title}|{left:4:title}|{title:title}|{replace:title:a:A}", song));
    EXPECT_EQ("{x} [y]", expand("\\{x\\} \\[y\\]", song));
    EXPECT_EQ("{artist} - {track:2}", positionsPattern({namedField("artist"), nullptr, namedField("track")}, " - ", 2));

    std::string problem;
    for (const char* bad : {"{title", "[{title}", "title]", "{nofield}", "{left:x:title}", "{upper:title:02}"})
        EXPECT_FALSE(parsePattern(bad, problem)) << bad;
    EXPECT_TRUE(parsePattern("{artist}/{title}", problem)->makesFolders());
    EXPECT_FALSE(parsePattern("{artist} - {title}", problem)->makesFolders());
}

TEST(ActionWords, ParsesRefusesAndWritesBackLines)
{
    std::string problem;
    const auto words = splitLine(R"(--fields title,Album --regex "^(\d+) \"x\"" "$1")");
    ASSERT_TRUE(words);
    EXPECT_EQ((std::vector<std::string>{"--fields", "title,Album", "--regex", R"(^(\d+) "x")", "$1"}), *words);
    EXPECT_EQ(words, splitLine(joinLine(*words)));
    const std::optional<Action> action = parseActionWords(*words, problem);
    ASSERT_TRUE(action) << problem;
    EXPECT_EQ(2u, action->fields.size());

    const std::vector<std::vector<std::string>> refused{
        {"--regex", "(", "x"}, {"--trim", "--case", "upper"}, {"--case", "shout"}, {"--fields", "nofield", "--trim"},
        {"--replace", "x"}, {"--fields"}, {"--fields", "title,album", "--set-from", "{artist}"}, {"--frobnicate"}, {}};
    for (const auto& bad : refused)
        EXPECT_FALSE(parseActionWords(bad, problem)) << joinLine(bad);
    EXPECT_FALSE(splitLine("--replace \"x y"));

    EXPECT_EQ(2u, parseRecipe("# comment\n\n--trim\r\n  --case upper\n", problem)->size());
    EXPECT_FALSE(parseRecipe("--trim\n--regex ( x\n", problem));
    EXPECT_EQ(0u, problem.find("line 2: ")) << problem;
    EXPECT_FALSE(parseRecipe("# nothing\n", problem));
}

TEST(Actions, TheDiscOfAFolderName)
{
    EXPECT_EQ(2u, discOfFolder("CD2"));
    EXPECT_EQ(2u, discOfFolder("Album (Disc 02)"));
    EXPECT_EQ(3u, discOfFolder("disk_3"));
    for (const char* none : {"Album", "CD", "ABCD2x", "Discography 2", "MCD2000"})
        EXPECT_FALSE(discOfFolder(none)) << none;
}
