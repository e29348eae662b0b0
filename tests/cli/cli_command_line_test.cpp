// Tests of the command table and the one parser every command's arguments go through.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace {

int runNothing(const CommandArgs&, std::ostream&, std::ostream&) { return 0; }

const Command kTry{"try",
                   "try --name N [-r] [--title T] FILE...",
                   "A command for the parser's tests.",
                   {{"--name", "N", "", false, true}, {"-r, --recursive"}, {"--title", "T", "", true}},
                   "",
                   1,
                   "no file given",
                   runNothing};

struct Parse {
    std::optional<CommandArgs> args;
    std::string err;
};

Parse parse(const Args& args)
{
    std::ostringstream err;
    Parse p;
    p.args = parseCommandArgs(kTry, args, err);
    p.err = err.str();
    return p;
}

// The options a synopsis shows: "--title" out of "[--title T]", "-r" out of "[-r]".
std::set<std::string> synopsisOptions(const std::string& synopsis)
{
    std::set<std::string> options;
    std::istringstream words(synopsis);
    for (std::string word; words >> word;) {
        const std::size_t start = word.find('-');
        if (start == std::string::npos || (start > 0 && word[start - 1] != '[' && word[start - 1] != '('))
            continue;
        const std::size_t end = word.find_first_of("]|", start);
        options.insert(word.substr(start, end == std::string::npos ? std::string::npos : end - start));
    }
    return options;
}

} // namespace

TEST(CommandLine, OptionsOperandsAndTheirOrder)
{
    const Parse p = parse({"a.mp3", "-r", "--name", "x", "--name", "y", "--", "--title", "-r"});
    ASSERT_TRUE(p.args) << p.err;
    EXPECT_EQ((Args{"a.mp3", "--title", "-r"}), p.args->operands());
    EXPECT_TRUE(p.args->has("--recursive"));
    EXPECT_FALSE(p.args->has("--title"));
    EXPECT_EQ("y", *p.args->value("--name")); // the last use counts
    ASSERT_EQ(3u, p.args->options().size());
    EXPECT_EQ("--recursive", p.args->options()[0].first);
    // A lone "-" is a file, as scripts use it.
    EXPECT_TRUE(parse({"--name", "x", "-"}).args);
}

TEST(CommandLine, UsageErrorsSayWhatIsWrong)
{
    const std::pair<Args, std::string> cases[] = {
        {{"--name", "x", "--bogus", "a"}, "varnoli-cli try: unknown option '--bogus'\n"},
        {{"--name", "x", "-x", "a"}, "varnoli-cli try: unknown option '-x'\n"},
        {{"a", "--name"}, "varnoli-cli try: --name needs a value\n"},
        {{"--name", "x", "--title", "\xff", "a"}, "varnoli-cli try: --title: the value must be UTF-8 text\n"},
        {{"a"}, "varnoli-cli try: --name is needed\n"},
        {{"--name", "x"}, "varnoli-cli try: no file given\n"},
        {{"--name", "x", "--"}, "varnoli-cli try: no file given\n"},
    };
    for (const auto& [args, err] : cases) {
        const Parse p = parse(args);
        EXPECT_FALSE(p.args) << err;
        EXPECT_EQ(err, p.err);
    }
}

// The usage line and the option list are written apart; they must name the same options.
TEST(CommandTable, EachSynopsisShowsExactlyTheOptionsParsed)
{
    for (const Command& command : commandTable()) {
        SCOPED_TRACE(command.name);
        EXPECT_EQ(command.name, std::string(command.synopsis).substr(0, std::string(command.synopsis).find(' ')));
        EXPECT_EQ(&command, findCommand(command.name));
        std::set<std::string> shown = synopsisOptions(command.synopsis);
        for (const Option& option : command.options) {
            EXPECT_NE(std::string(option.help), "") << option.names;
            std::istringstream spellings(option.names);
            bool found = false;
            for (std::string spelling; std::getline(spellings >> std::ws, spelling, ',');)
                found |= shown.erase(spelling) > 0;
            EXPECT_TRUE(found) << option.names << " is missing from the synopsis";
        }
        for (const std::string& extra : shown)
            ADD_FAILURE() << extra << " is in the synopsis but parsed by no option";
    }
    EXPECT_EQ(nullptr, findCommand("frobnicate"));
}
