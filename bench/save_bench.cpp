// Save benchmarks, Varnoli's engine side by side with TagLib:
//
//   save_bench resave FOLDER [FILES] [ROUNDS]   a changed title saved into every file of
//       a generated library, through the "ID3 Tags" tab's batch save; the padding
//       absorbs the change, so no audio may move. Varnoli's save is timed again with
//       the undo journal, kept in FOLDER/state.
//   save_bench batches FOLDER CLI [ROUNDS]       2,000 files given their titles by 50 runs
//       of `CLI set`, 40 files each (one title per run, the undo journal kept), against
//       TagLib's writer giving the same titles to the same 2,000 files in one process.
//   save_bench grow FOLDER [MIB] [ROUNDS]       the tag of one large file grows past its
//       padding, so the audio moves: elapsed and processor time against cp of the same
//       file (processor time is the steadier on a shared machine), and the peak
//       memory of the process that saves.
#include "bench_util.h"
#include "corpus.h"

#include "features/tagedit/batch_save.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string self;

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "save_bench: %s\n", what.c_str());
    std::exit(1);
}

std::string shellQuoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// ---- resave ----

class CountingReporter : public Dialogs {
public:
    void error(const std::string& text) override { ++errors, last = text; }
    void message(const std::string& text) override { ++errors, last = text; }
    void info(const std::string& text) override { ++errors, last = text; }
    Answer confirm(const std::string&) override { return Yes; }
    int errors = 0;
    std::string last;
};

std::string roundTitle(int round)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "Title of round %03d", round);
    return buf;
}

double varnoliResave(const std::vector<std::string>& files, int round, bool journal = false)
{
    BatchSaveRequest request;
    request.saveV1 = false;
    request.recordForUndo = journal;
    request.v2[TagField::Title] = {true, roundTitle(round)};
    request.files = files;
    Tid3tag v1;
    Tid3v2tag v2;
    CountingReporter reporter;
    const bench::Stopwatch clock;
    runBatchSave(request, v1, v2, reporter);
    const double s = clock.seconds();
    if (reporter.errors)
        fail(std::to_string(reporter.errors) + " Varnoli saves failed: " + reporter.last);
    return s;
}

double tagLibResave(const std::vector<std::string>& files, int round)
{
    const TagLib::String title(roundTitle(round));
    const bench::Stopwatch clock;
    for (const std::string& path : files) {
        TagLib::MPEG::File file(path.c_str(), false);
        file.ID3v2Tag(true)->setTitle(title);
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone))
            fail("TagLib could not save " + path);
    }
    return clock.seconds();
}

std::vector<uintmax_t> sizes(const std::vector<std::string>& files)
{
    std::vector<uintmax_t> out;
    for (const std::string& f : files)
        out.push_back(fs::file_size(f));
    return out;
}

std::size_t changedSizes(const std::vector<std::string>& files, const std::vector<uintmax_t>& before)
{
    const std::vector<uintmax_t> now = sizes(files);
    std::size_t n = 0;
    for (std::size_t i = 0; i < now.size(); ++i)
        n += now[i] != before[i];
    return n;
}

// Two equal libraries of tagged files, one per side, written afresh under `folder`. The undo
// journal of the runs that keep one stays beside the files, never in the home folder.
std::pair<std::vector<std::string>, std::vector<std::string>> freshLibraries(const std::string& folder,
                                                                               std::size_t count)
{
    bench::CorpusOptions options;
    options.count = count;
    options.everyFileTagged = true;
    options.minAudio = 256 * 1024;
    options.maxAudio = 1536 * 1024;
    fs::remove_all(fs::path(folder) / "varnoli");
    fs::remove_all(fs::path(folder) / "taglib");
    fs::remove_all(fs::path(folder) / "state");
    setenv("XDG_STATE_HOME", (fs::absolute(folder) / "state").c_str(), 1);
    return {bench::writeCorpus(folder + "/varnoli", options).files,
            bench::writeCorpus(folder + "/taglib", options).files};
}

int resave(const std::string& folder, std::size_t count, int rounds)
{
    const auto [ours, theirs] = freshLibraries(folder, count);

    // Each library's first saves settle the tag into the size its own padding rule
    // picks; only saves after that are measured.
    for (int warm = -2; warm < 0; ++warm) {
        varnoliResave(ours, warm + 900);
        tagLibResave(theirs, warm + 900);
    }
    const std::vector<uintmax_t> ourSizes = sizes(ours), theirSizes = sizes(theirs);

    std::vector<double> a, b, journaled;
    std::size_t ourMoves = 0, theirMoves = 0;
    for (int round = 0; round < rounds; ++round) {
        double s, t, j;
        if (round % 2 == 0) {
            s = varnoliResave(ours, round);
            t = tagLibResave(theirs, round);
            j = varnoliResave(ours, round, true);
        } else {
            j = varnoliResave(ours, round, true);
            t = tagLibResave(theirs, round);
            s = varnoliResave(ours, round);
        }
        journaled.push_back(ours.size() / j);
        a.push_back(ours.size() / s);
        b.push_back(theirs.size() / t);
        ourMoves += changedSizes(ours, ourSizes);
        theirMoves += changedSizes(theirs, theirSizes);
    }

    // Both wrote what was asked.
    std::size_t ourTitles = 0, theirTitles = 0;
    std::string text;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        Tid3v2tag tag;
        ourTitles += !failed(tag.LoadFromFile(ours[i], 0)) && tag.GetTextFrame("TIT2", text) == 0 &&
                     text == roundTitle(rounds - 1);
        TagLib::MPEG::File file(theirs[i].c_str(), false);
        theirTitles += file.ID3v2Tag() && file.ID3v2Tag()->title() == TagLib::String(roundTitle(rounds - 1));
    }

    const double v = bench::median(a), t = bench::median(b);
    std::printf("resave: changed title into %zu files, median of %d rounds\n", ours.size(), rounds);
    std::printf("  %-8s %10.0f files/s  (files whose size changed: %zu, titles read back: %zu)\n", "Varnoli", v,
                ourMoves, ourTitles);
    std::printf("  %-8s %10.0f files/s  (files whose size changed: %zu, titles read back: %zu)\n", "TagLib", t,
                theirMoves, theirTitles);
    std::printf("  ratio    %10.2fx  (range %.2f to %.2f)\n", v / t, bench::minRatio(a, b), bench::maxRatio(a, b));
    const double j = bench::median(journaled);
    std::printf("  Varnoli with the undo journal %10.0f files/s  (%.2f of its speed without)\n", j, j / v);
    return ourTitles == ours.size() && ourMoves == 0 ? 0 : 1;
}

// ---- batches ----

constexpr std::size_t kBatches = 50, kBatchFiles = 40;

// Runs the command without a shell, as a script would; false when it fails.
bool runCommand(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Times {
    double wall = 0, cpu = 0; // cpu: this process and its children, user and system
};

double cpuSeconds()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(self.ru_utime) + s(self.ru_stime) + s(children.ru_utime) + s(children.ru_stime);
}

std::string batchTitle(int round, std::size_t batch)
{
    return roundTitle(round) + " batch " + std::to_string(batch);
}

Times varnoliBatches(const std::string& cli, const std::vector<std::string>& files, int round)
{
    const double cpu = cpuSeconds();
    const bench::Stopwatch clock;
    for (std::size_t b = 0; b < kBatches; ++b) {
        std::vector<std::string> args = {cli, "set", "--v2", "--title", batchTitle(round, b)};
        args.insert(args.end(), files.begin() + b * kBatchFiles, files.begin() + (b + 1) * kBatchFiles);
        if (!runCommand(args))
            fail("varnoli-cli set failed in batch " + std::to_string(b));
    }
    return {clock.seconds(), cpuSeconds() - cpu};
}

Times tagLibBatches(const std::vector<std::string>& files, int round)
{
    const double cpu = cpuSeconds();
    const bench::Stopwatch clock;
    for (std::size_t i = 0; i < files.size(); ++i) {
        TagLib::MPEG::File file(files[i].c_str(), false);
        file.ID3v2Tag(true)->setTitle(TagLib::String(batchTitle(round, i / kBatchFiles)));
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone))
            fail("TagLib could not save " + files[i]);
    }
    return {clock.seconds(), cpuSeconds() - cpu};
}

int batches(const std::string& folder, const std::string& cli, int rounds)
{
    const auto [ours, theirs] = freshLibraries(folder, kBatches * kBatchFiles);
    const std::string program = fs::absolute(cli).string();
    // The first runs settle each library's padding; only later ones are measured.
    varnoliBatches(program, ours, 900);
    tagLibBatches(theirs, 900);

    std::vector<double> a, b, ca, cb;
    for (int round = 0; round < rounds; ++round) {
        const bool oursFirst = round % 2 == 0;
        Times v, t;
        if (oursFirst)
            v = varnoliBatches(program, ours, round);
        t = tagLibBatches(theirs, round);
        if (!oursFirst)
            v = varnoliBatches(program, ours, round);
        a.push_back(v.wall), b.push_back(t.wall), ca.push_back(v.cpu), cb.push_back(t.cpu);
    }
    std::size_t titles = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        Tid3v2tag tag;
        std::string text;
        titles += !failed(tag.LoadFromFile(ours[i], 0)) && tag.GetTextFrame("TIT2", text) == 0 &&
                  text == batchTitle(rounds - 1, i / kBatchFiles);
    }
    std::printf("batches: %zu runs of set, %zu files each, median of %d rounds (process starts included)\n",
                kBatches, kBatchFiles, rounds);
    std::printf("  %-8s %8.3f s  processor %.3f s  (titles read back: %zu)\n", "Varnoli", bench::median(a),
                bench::median(ca), titles);
    std::printf("  %-8s %8.3f s  processor %.3f s\n", "TagLib", bench::median(b), bench::median(cb));
    std::printf("  Varnoli takes %.2fx TagLib's time (range %.2f to %.2f)\n", bench::median(a) / bench::median(b),
                bench::minRatio(a, b), bench::maxRatio(a, b));
    return titles == ours.size() ? 0 : 1;
}

// ---- grow ----

// 10 bytes of header plus the sync-safe size; 0 without an ID3v2 tag.
uint64_t id3v2Extent(std::ifstream& in)
{
    unsigned char h[10] = {};
    in.seekg(0);
    in.read(reinterpret_cast<char*>(h), 10);
    if (!in || h[0] != 'I' || h[1] != 'D' || h[2] != '3')
        return 0;
    return 10 + ((uint64_t(h[6]) << 21) | (uint64_t(h[7]) << 14) | (uint64_t(h[8]) << 7) | h[9]);
}

// The bytes after each file's ID3v2 tag, compared in 1 MiB pieces.
bool sameAudio(const std::string& a, const std::string& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    const uint64_t ea = id3v2Extent(fa), eb = id3v2Extent(fb);
    if (fs::file_size(a) - ea != fs::file_size(b) - eb)
        return false;
    fa.seekg(static_cast<std::streamoff>(ea));
    fb.seekg(static_cast<std::streamoff>(eb));
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (fa && fb) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        if (fa.gcount() != fb.gcount() || !std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin()))
            return false;
    }
    return true;
}

const std::string kLongComment(6000, 'c');

// Runs in a process of its own, so that its peak memory is the save's alone.
int growChild(const std::string& library, const std::string& path)
{
    bool ok = false;
    if (library == "varnoli") {
        Tid3v2tag tag;
        if (!failed(tag.LoadFromFile(path, 0))) {
            TCommentFrame comment;
            comment.Language = "eng";
            comment.Text = kLongComment;
            ok = tag.SetComment(comment, "", "eng") == 0 && tag.SaveToFile() == 0;
        }
    } else if (library == "taglib") {
        TagLib::MPEG::File file(path.c_str(), false);
        file.ID3v2Tag(true)->setComment(kLongComment);
        ok = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
    } else {
        ok = library == "idle";
    }
    std::printf("%d %ld\n", ok ? 1 : 0, bench::peakResidentKiB());
    return ok ? 0 : 1;
}

struct ChildRun {
    double wall = 0, cpu = 0;
    long peakKiB = 0;
};

ChildRun runTimed(const std::string& command, const std::string& outFile)
{
    ChildRun r;
    const double cpu = cpuSeconds();
    const bench::Stopwatch clock;
    const int status = std::system((command + " > " + shellQuoted(outFile)).c_str());
    r.wall = clock.seconds();
    r.cpu = cpuSeconds() - cpu;
    if (status != 0)
        fail("failed: " + command);
    std::ifstream in(outFile);
    int ok = 0;
    in >> ok >> r.peakKiB;
    return r;
}

int grow(const std::string& folder, uint64_t mib, int rounds)
{
    fs::create_directories(folder);
    const std::string original = folder + "/grow-original.mp3", work = folder + "/grow-work.mp3",
                      copy = folder + "/grow-cp.mp3", out = folder + "/grow-child.out";
    bench::writeGrowFile(original, mib << 20);

    auto fresh = [&] { fs::copy_file(original, work, fs::copy_options::overwrite_existing); };
    auto child = [&](const char* library, const std::string& file) {
        return shellQuoted(self) + " grow-child " + library + " " + shellQuoted(file);
    };

    const ChildRun idle = runTimed(child("idle", work), out);
    std::vector<double> cp, ours, theirs, cpCpu, ourCpu, theirCpu;
    long ourPeak = 0, theirPeak = 0;
    bool ourAudioIntact = true, theirAudioIntact = true;
    for (int round = -1; round < rounds; ++round) { // round -1 warms the page cache
        fs::remove(copy);
        const ChildRun c = runTimed("cp " + shellQuoted(original) + " " + shellQuoted(copy), out);
        fresh();
        const ChildRun v = runTimed(child("varnoli", work), out);
        ourAudioIntact = ourAudioIntact && sameAudio(original, work);
        fresh();
        const ChildRun t = runTimed(child("taglib", work), out);
        theirAudioIntact = theirAudioIntact && sameAudio(original, work);
        if (round < 0)
            continue;
        cp.push_back(c.wall), ours.push_back(v.wall), theirs.push_back(t.wall);
        cpCpu.push_back(c.cpu), ourCpu.push_back(v.cpu), theirCpu.push_back(t.cpu);
        ourPeak = std::max(ourPeak, v.peakKiB);
        theirPeak = std::max(theirPeak, t.peakKiB);
    }
    fs::remove(copy);
    fs::remove(work);
    fs::remove(out);

    const double c = bench::median(cp), v = bench::median(ours), t = bench::median(theirs);
    const double cc = bench::median(cpCpu), vc = bench::median(ourCpu), tc = bench::median(theirCpu);
    std::printf("grow: tag of a %llu MiB file grows by 6,000 bytes, median of %d rounds (process start included)\n",
                static_cast<unsigned long long>(mib), rounds);
    std::printf("  %-8s %8.3f s            processor %.3f s\n", "cp", c, cc);
    std::printf("  %-8s %8.3f s  = %.2fx cp  processor %.3f s = %.2fx cp  peak %ld KiB (%+ld KiB over an idle "
                "process)  audio %s\n",
                "Varnoli", v, v / c, vc, vc / cc, ourPeak, ourPeak - idle.peakKiB,
                ourAudioIntact ? "intact" : "DAMAGED");
    std::printf("  %-8s %8.3f s  = %.2fx cp  processor %.3f s = %.2fx cp  peak %ld KiB (%+ld KiB over an idle "
                "process)  audio %s\n",
                "TagLib", t, t / c, tc, tc / cc, theirPeak, theirPeak - idle.peakKiB,
                theirAudioIntact ? "intact" : "DAMAGED");
    std::printf("  Varnoli takes %.2fx TagLib's time\n", v / t);
    return ourAudioIntact ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    self = fs::absolute(argv[0]).string();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "grow-child" && argc == 4)
        return growChild(argv[2], argv[3]);
    if (mode == "batches" && argc >= 4)
        return batches(argv[2], argv[3], argc > 4 ? std::stoi(argv[4]) : 5);
    if ((mode == "resave" || mode == "grow") && argc >= 3) {
        const std::string folder = argv[2];
        const int rounds = argc > 4 ? std::stoi(argv[4]) : 5;
        if (mode == "resave")
            return resave(folder, argc > 3 ? std::stoul(argv[3]) : 2000, rounds);
        return grow(folder, argc > 3 ? std::stoull(argv[3]) : 200, rounds);
    }
    std::fprintf(stderr, "usage: save_bench resave FOLDER [FILES] [ROUNDS]\n"
                         "       save_bench batches FOLDER CLI [ROUNDS]\n"
                         "       save_bench grow FOLDER [MIB] [ROUNDS]\n");
    return 2;
}
