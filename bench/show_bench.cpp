// Reads the seven fields of both tags of every MP3 below a folder in one process each:
// `varnoli-cli show --json -r`, a TagLib reader printing the same fields, and the I/O
// floor (open, read the tags' bytes, close); each writes to a file, in alternating rounds.
//
//   show_bench FOLDER VARNOLI_CLI OUT_FILE [ROUNDS]
//   show_bench --taglib FOLDER      (the TagLib reader, one line of fields per file)
//   show_bench --floor FOLDER       (the floor, one line of byte counts per file)
#include "bench_util.h"
#include "corpus.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void appendTag(std::string& line, const TagLib::Tag* tag)
{
    if (!tag) {
        line += "\t\t\t\t\t\t\t";
        return;
    }
    for (const TagLib::String& s : {tag->title(), tag->artist(), tag->album(), tag->genre(), tag->comment()}) {
        line += '\t';
        line += s.to8Bit(true);
    }
    line += '\t' + std::to_string(tag->year()) + '\t' + std::to_string(tag->track());
}

int tagLibReader(const std::string& folder)
{
    std::string line;
    for (const std::string& path : bench::listMp3Files(folder)) {
        TagLib::MPEG::File file(path.c_str(), false);
        line = path;
        appendTag(line, file.ID3v1Tag());
        appendTag(line, file.ID3v2Tag());
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

// What any reader of both tags must do: open, the ID3v2 header and the tag behind it, the
// 128 bytes of an ID3v1 record at the end, close.
int floorReader(const std::string& folder)
{
    std::vector<unsigned char> buffer(1 << 20);
    for (const std::string& path : bench::listMp3Files(folder)) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0)
            return 1;
        ssize_t n = ::pread(fd, buffer.data(), 10, 0);
        std::size_t tagBytes = 0;
        if (n == 10 && buffer[0] == 'I' && buffer[1] == 'D' && buffer[2] == '3') {
            tagBytes = std::size_t(buffer[6]) << 21 | std::size_t(buffer[7]) << 14 | std::size_t(buffer[8]) << 7 | buffer[9];
            if (tagBytes > buffer.size())
                buffer.resize(tagBytes);
            n = ::pread(fd, buffer.data(), tagBytes, 10);
        }
        const ssize_t tail = st.st_size >= 128 ? ::pread(fd, buffer.data(), 128, st.st_size - 128) : 0;
        ::close(fd);
        std::printf("%zu %zd\n", tagBytes, tail);
    }
    return 0;
}

struct Timing {
    double wall = 0, cpu = 0; // cpu: the process's user and system time
};

double childCpuSeconds()
{
    struct rusage usage;
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Timing timed(const std::string& command)
{
    const double cpu = childCpuSeconds();
    const bench::Stopwatch clock;
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "show_bench: '%s' failed\n", command.c_str());
    return {clock.seconds(), childCpuSeconds() - cpu};
}

void report(const char* what, const std::vector<double> (&rates)[3])
{
    const double v = bench::median(rates[0]), t = bench::median(rates[1]), f = bench::median(rates[2]);
    std::printf("  %s\n", what);
    std::printf("    %-22s %9.0f files/s\n", "varnoli-cli show --json", v);
    std::printf("    %-22s %9.0f files/s  (Varnoli %.2fx, range %.2f to %.2f)\n", "TagLib", t, v / t,
                bench::minRatio(rates[0], rates[1]), bench::maxRatio(rates[0], rates[1]));
    std::printf("    %-22s %9.0f files/s  (Varnoli takes %.2fx its time, range %.2f to %.2f)\n", "I/O floor", f, f / v,
                bench::minRatio(rates[2], rates[0]), bench::maxRatio(rates[2], rates[0]));
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--taglib")
        return tagLibReader(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--floor")
        return floorReader(argv[2]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: show_bench FOLDER VARNOLI_CLI OUT_FILE [ROUNDS]\n");
        return 2;
    }
    const std::string folder = argv[1], out = quoted(argv[3]) + " 2>/dev/null";
    const int rounds = argc > 4 ? std::stoi(argv[4]) : 7;
    const std::size_t files = bench::listMp3Files(folder).size();
    const std::string commands[] = {
        quoted(argv[2]) + " show --json -r " + quoted(folder) + " >" + out,
        quoted(argv[0]) + " --taglib " + quoted(folder) + " >" + out,
        quoted(argv[0]) + " --floor " + quoted(folder) + " >" + out,
    };
    for (const std::string& c : commands) // into the page cache
        timed(c);

    std::vector<double> wall[3], cpu[3];
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with a different one, so none always meets a warmer machine.
        for (int i = 0; i < 3; ++i) {
            const int k = (round + i) % 3;
            const Timing t = timed(commands[k]);
            wall[k].push_back(files / t.wall);
            cpu[k].push_back(files / t.cpu);
        }
    }
    std::printf("show: %zu files, one process each, output to a file, median of %d rounds\n", files, rounds);
    report("elapsed time", wall);
    report("processor time (user + system), steadier on a busy machine", cpu);
    return 0;
}
