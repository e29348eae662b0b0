// The manual pages and the bash completion made at build time agree with what --help says.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// The page as man shows it, as words; empty when groff is not there to render it.
std::vector<std::string> renderedWords(const std::string& page)
{
    const CommandResult r = runProgram("groff", {"-man", "-Tascii", "-P-cbou", "-rLL=250n", "-ww", page});
    EXPECT_EQ("", r.err) << page;
    return r.exitCode == 0 ? words(r.out) : std::vector<std::string>();
}

// Every line of the help but its usage line stands in the page, word for word.
void expectInPage(const std::vector<std::string>& page, const std::string& help)
{
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> want = words(line);
        // The usage line is the page's synopsis, a heading such as "Commands:" its section title.
        if (want.empty() || want[0] == "usage:" || (want.size() == 1 && want[0].back() == ':'))
            continue;
        EXPECT_NE(page.end(), std::search(page.begin(), page.end(), want.begin(), want.end())) << line;
    }
}

std::vector<std::string> cliCommands()
{
    const std::string help = runCli({"--help"}).out;
    const std::string first = help.substr(0, help.find('\n'));
    std::vector<std::string> names = words(first.substr(first.find("commands:") + 9));
    EXPECT_GE(names.size(), 10u);
    return names;
}

// What bash offers for the words typed, the last one being completed, in the folder.
std::string completions(const std::string& typed, const std::string& folder)
{
    const std::string script = "source /usr/share/bash-completion/bash_completion && source '" VARNOLI_HELP_FILES_DIR
                               "/varnoli-cli.bash' && cd '" + folder + "' && COMP_LINE='" + typed +
                               "' && COMP_POINT=${#COMP_LINE} && read -ra COMP_WORDS <<< \"$COMP_LINE\" && "
                               "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=(''); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) "
                               "&& complete -p ${COMP_WORDS[0]} >/dev/null && { _${COMP_WORDS[0]//-/_}; } 2>/dev/null; "
                               "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | tr '\\n' ' '";
    return runProgram("bash", {"-c", script}).out;
}

} // namespace

TEST(ManualPages, SayEveryLineOfHelp)
{
    if (runProgram("groff", {"-v"}).exitCode != 0)
        GTEST_SKIP() << "groff is not installed";
    const std::vector<std::string> cliPage = renderedWords(VARNOLI_HELP_FILES_DIR "/varnoli-cli.1");
    expectInPage(cliPage, runCli({"--help"}).out);
    for (const std::string& command : cliCommands())
        expectInPage(cliPage, runCli({command, "--help"}).out);
    const CommandResult window = runProgram(VARNOLI_WINDOW, {"--help"});
    EXPECT_EQ(0, window.exitCode);
    expectInPage(renderedWords(VARNOLI_HELP_FILES_DIR "/varnoli.1"), window.out);
    // One version for both programs and the help's About page.
    const std::string version = runCli({"--version"}).out.substr(12);
    EXPECT_EQ("varnoli " + version, runProgram(VARNOLI_WINDOW, {"--version"}).out);
    const Bytes about = readFile(VARNOLI_ABOUT_PAGE);
    EXPECT_NE(std::string::npos, std::string(about.begin(), about.end()).find("Varnoli " + version.substr(0, version.size() - 1) + ","));
}

TEST(BashCompletion, OffersCommandsOptionsFieldsAndMp3Files)
{
    if (runProgram("test", {"-f", "/usr/share/bash-completion/bash_completion"}).exitCode != 0)
        GTEST_SKIP() << "bash-completion is not installed";
    TempDir dir;
    dir.write("a.mp3", {});
    dir.write("B.MP3", {});
    dir.write("c.txt", {});
    std::filesystem::create_directories(dir.file("sub"));
    EXPECT_EQ("search set show strip ", completions("varnoli-cli s", dir.path()));
    EXPECT_EQ("--json ", completions("varnoli-cli show --j", dir.path()));
    EXPECT_EQ("Artist,Title Artist,Track ", completions("varnoli-cli rename --fields Artist,T", dir.path()));
    EXPECT_EQ("B.MP3 a.mp3 sub ", completions("varnoli-cli set --title x ", dir.path()));
    EXPECT_EQ("sub ", completions("varnoli-cli search ", dir.path()));
    EXPECT_EQ("album= albumartist= albumartistsort= albumsort= ",
              completions("varnoli-cli set --field alb", dir.path()));
    EXPECT_EQ("comment compilation composer ", completions("varnoli-cli set --remove-field com", dir.path()));
    EXPECT_EQ("B.MP3 a.mp3 sub ", completions("varnoli ", dir.path()));
}
