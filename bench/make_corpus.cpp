// Writes a generated MP3 library for the read benchmark.
//
//   make_corpus FOLDER [FILES] [SEED] [MAX_AUDIO_KIB]
#include "corpus.h"

#include <algorithm>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_corpus FOLDER [FILES] [SEED] [MAX_AUDIO_KIB]\n");
        return 2;
    }
    bench::CorpusOptions options;
    if (argc > 2)
        options.count = std::stoul(argv[2]);
    if (argc > 3)
        options.seed = static_cast<uint32_t>(std::stoul(argv[3]));
    if (argc > 4) { // smaller files, for a library of many: a tag read touches only their ends
        options.maxAudio = std::stoull(argv[4]) * 1024;
        options.minAudio = std::min(options.minAudio, options.maxAudio / 4);
    }
    const bench::CorpusSummary s = bench::writeCorpus(argv[1], options);
    std::printf("%zu files, %.1f MiB: %zu ID3v2.3 (%zu unsynchronised), %zu ID3v2.4, %zu ID3v1 only, %zu untagged; "
                "%zu with a picture\n",
                s.files.size(), s.bytes / 1048576.0, s.v23, s.unsynchronised, s.v24, s.v1Only, s.untagged,
                s.withPicture);
    return 0;
}
