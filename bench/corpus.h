// Generated MP3 files for the benchmarks: realistic tags written byte by byte here,
// independently of the engine under test, in front of MPEG audio frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct CorpusOptions {
    std::size_t count = 2000;
    uint32_t seed = 1;
    uint64_t minAudio = 512 * 1024;
    uint64_t maxAudio = 3 * 1024 * 1024;
    // Every file gets an ID3v2 tag (for the re-save benchmark); otherwise a mix of
    // v2.3, v2.4, ID3v1 only and no tag at all, as a real library has.
    bool everyFileTagged = false;
};

struct CorpusSummary {
    std::vector<std::string> files;
    uint64_t bytes = 0;
    std::size_t v23 = 0, v24 = 0, v1Only = 0, untagged = 0, withPicture = 0, unsynchronised = 0;
};

CorpusSummary writeCorpus(const std::string& dir, const CorpusOptions& options);

// A file of `audioBytes` of MPEG audio behind a small ID3v2.3 tag without padding and
// an ID3v1 tag at the end, for the grow benchmark.
void writeGrowFile(const std::string& path, uint64_t audioBytes);

// Every .mp3 below `dir` (any letter case of the extension), sorted.
std::vector<std::string> listMp3Files(const std::string& dir);

} // namespace bench
