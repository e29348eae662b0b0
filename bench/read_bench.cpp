// Reads the ID3v1 and ID3v2 tags and the seven fields of every MP3 below a folder, with
// Varnoli's engine and with TagLib (audio properties off), in alternating rounds.
//
//   read_bench FOLDER [ROUNDS]
#include "bench_util.h"
#include "corpus.h"

#include "features/common/tag_fields.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct PassResult {
    double seconds = 0;
    std::size_t fields = 0; // fields that came back non-empty, so both read the same data
};

// A v1 track of "0" and an unlisted genre are the texts of no value, as TagLib reads them.
std::size_t nonEmpty(const FieldTexts& fields, bool v1)
{
    std::size_t n = 0;
    for (TagField f : kAllFields) {
        const std::string& text = fields[fieldIndex(f)];
        n += !text.empty() && !(v1 && f == TagField::Track && text == "0");
    }
    return n;
}

PassResult varnoliPass(const std::vector<std::string>& files)
{
    PassResult r;
    const bench::Stopwatch clock;
    Tid3tag v1;
    Tid3v2tag v2;
    for (const std::string& path : files) {
        r.fields += nonEmpty(readV1Fields(path, v1).fields, true);
        r.fields += nonEmpty(readV2Fields(path, v2).fields, false);
    }
    r.seconds = clock.seconds();
    return r;
}

template <typename Tag> std::size_t tagLibFields(const Tag* tag)
{
    if (!tag)
        return 0;
    const bool filled[] = {!tag->title().isEmpty(), !tag->artist().isEmpty(), !tag->album().isEmpty(), tag->year() != 0,
                           !tag->comment().isEmpty(), !tag->genre().isEmpty(), tag->track() != 0};
    std::size_t n = 0;
    for (bool f : filled)
        n += f;
    return n;
}

PassResult tagLibPass(const std::vector<std::string>& files)
{
    PassResult r;
    const bench::Stopwatch clock;
    for (const std::string& path : files) {
        TagLib::MPEG::File file(path.c_str(), false);
        r.fields += tagLibFields(file.ID3v1Tag()) + tagLibFields(file.ID3v2Tag());
    }
    r.seconds = clock.seconds();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: read_bench FOLDER [ROUNDS]\n");
        return 2;
    }
    const std::vector<std::string> files = bench::listMp3Files(argv[1]);
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 7;
    if (files.empty()) {
        std::fprintf(stderr, "read_bench: no .mp3 files below %s\n", argv[1]);
        return 1;
    }

    // One untimed pass each brings the files into the page cache.
    std::ignore = varnoliPass(files);
    std::ignore = tagLibPass(files);

    std::vector<double> ours, theirs;
    std::size_t ourFields = 0, theirFields = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternate who goes first, so that neither always meets a warmer machine.
        PassResult a, b;
        if (round % 2 == 0) {
            a = varnoliPass(files);
            b = tagLibPass(files);
        } else {
            b = tagLibPass(files);
            a = varnoliPass(files);
        }
        ours.push_back(files.size() / a.seconds);
        theirs.push_back(files.size() / b.seconds);
        ourFields = a.fields;
        theirFields = b.fields;
    }

    const double v = bench::median(ours), t = bench::median(theirs);
    std::printf("read: %zu files, ID3v1 + ID3v2 + seven fields, median of %d rounds\n", files.size(), rounds);
    std::printf("  %-8s %10.0f files/s  (%zu fields)\n", "Varnoli", v, ourFields);
    std::printf("  %-8s %10.0f files/s  (%zu fields)\n", "TagLib", t, theirFields);
    std::printf("  ratio    %10.2fx  (range %.2f to %.2f)\n", v / t, bench::minRatio(ours, theirs),
                bench::maxRatio(ours, theirs));
    return 0;
}
