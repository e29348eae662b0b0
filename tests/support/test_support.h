// Temporary files, byte helpers and the sample corpus for the tests.
#pragma once

#include <cstdint>
#include <filesystem>
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

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
Bytes concat(std::initializer_list<Bytes> parts);
Bytes bytesOf(const std::string& text);
// Deterministic stand-in for audio data: no two nearby chunks look alike.
Bytes audioPattern(std::size_t size, uint32_t seed = 1);
void makeReadOnly(const std::string& path);

std::string corpusDir();
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

} // namespace testsupport
