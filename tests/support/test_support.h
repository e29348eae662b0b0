// Temporary files, byte helpers and the sample corpus for the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; } // ends with "/"
    std::string file(const std::string& name) const { return m_path + name; }
    // Writes bytes to a file in this folder and returns its full path.
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::string m_path;
};

// Sets an environment variable, or unsets it given null, until the end of the scope, then
// puts back what was there, so that later tests in the process never see the change.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
Bytes concat(std::initializer_list<Bytes> parts);
Bytes bytesOf(const std::string& text);
// Deterministic stand-in for audio data: MPEG frame headers, random bytes between, so that no
// two nearby chunks look alike.
Bytes audioPattern(std::size_t size, uint32_t seed = 1);
void makeReadOnly(const std::string& path);

// For the scope, a folder that neither this thread nor the programs it starts can list: its
// mode is 000, and a root user, whom modes do not stop, sets aside the capabilities that
// pass over them. available() is false where that cannot be had.
class UnlistableFolder {
public:
    explicit UnlistableFolder(const std::string& path);
    ~UnlistableFolder();
    UnlistableFolder(const UnlistableFolder&) = delete;
    UnlistableFolder& operator=(const UnlistableFolder&) = delete;
    bool available() const { return m_available; }

private:
    std::string m_path;
    bool m_available = false;
    bool m_asRoot = false;
    int m_secureBits = 0;
    uint32_t m_effective[2] = {0, 0};
};

std::string corpusDir();
// The sample files live beside the repository; a clone without them skips those tests.
bool corpusPresent();
// Every sample file, sorted by name.
std::vector<std::string> corpusFiles();
// Copies a sample file into the folder, so the original is never written.
std::string copyCorpusFile(const TempDir& dir, const std::string& name);

struct CommandResult {
    int exitCode = -1;
    std::string out, err;
};
// Runs a program with arguments (no shell quoting needed) and captures its output.
CommandResult runProgram(const std::string& program, const std::vector<std::string>& args);

// A 128-byte ID3v1 record; a track above 0 gives the form with a track number.
Bytes id3v1Record(const std::string& title, const std::string& artist, const std::string& album,
                  const std::string& year, const std::string& comment, uint8_t genre, uint8_t track = 0);

// A text frame as a fresh load of the file reads it; empty when the load or the frame fails.
std::string v2TextOf(const std::string& path, const char* frameId, uint32_t tagOffset = 0);

// Saves the file's ID3v2 tag with a title of `titleSize` bytes; the result word.
uint16_t saveTitle(const std::string& path, std::size_t titleSize);
// The same save in a child process that is killed at its n-th write; the child's wait status.
int killedTitleSave(const std::string& path, std::size_t titleSize, uint64_t killAtWrite);

// Runs varnoli-cli with the arguments.
CommandResult runCli(const std::vector<std::string>& args);
// The arguments followed by more, such as a command's options and then its files.
inline std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The python3 that has mutagen, or empty.
std::string mutagenPython();
// The attached pictures mutagen reads in the file, a line each: "TYPE MIME 'DESCRIPTION' DATA-IN-HEX".
std::string mutagenPictures(const std::string& python, const std::string& path);
// The line mutagenPictures gives for a front cover with an empty description.
std::string frontCoverLine(const std::string& mime, const Bytes& data);

// A valid PNG of the size, in a few colours, with its checksums right.
Bytes pngImage(uint32_t width, uint32_t height);

} // namespace testsupport

#define VARNOLI_NEED_CORPUS()                                                                      \
    do {                                                                                           \
        if (!::testsupport::corpusPresent())                                                       \
            GTEST_SKIP() << "sample files not found in " << ::testsupport::corpusDir();            \
    } while (0)

// Under CI (CI=true) a missing mutagen is a failure: the check it guards must run there.
#define VARNOLI_NEED_MUTAGEN(python)                                                               \
    do {                                                                                           \
        if ((python).empty()) {                                                                    \
            if (std::getenv("CI"))                                                                 \
                FAIL() << "python3 with mutagen is required under CI";                             \
            GTEST_SKIP() << "python3 with mutagen is not installed";                               \
        }                                                                                          \
    } while (0)
