// Test helpers: temporary folders, file bytes and running a program.
#include "test_support.h"

#include "platform/file_system.h"
#include "tags/id3v2/id3v2.h"

#include <dirent.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <tuple>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// Every test process keeps its undo journal, tag index and other state in a folder of its own, so that
// no test ever writes into the person's home. Child processes (varnoli-cli) inherit it.
// A test that sets a size limit sees its writes fail, as the program does, rather than end.
const struct PrivateStateHome {
    PrivateStateHome()
    {
        setenv("XDG_STATE_HOME", folder.path().c_str(), 1);
        setenv("XDG_CACHE_HOME", folder.path().c_str(), 1);
        platform::ignoreFileSizeLimitSignal();
    }
    TempDir folder;
} privateStateHome;

} // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    if (const char* previous = std::getenv(name))
        m_previous = previous;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_previous)
        setenv(m_name.c_str(), m_previous->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = fs::temp_directory_path() / ("varnoli-test-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            m_path = p.string() + "/";
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Read-only files inside would stop nothing, but restore write bits for tidiness.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); it != fs::recursive_directory_iterator(); ++it)
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const
{
    writeFile(file(name), bytes);
    return file(name);
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes audioPattern(std::size_t size, uint32_t seed)
{
    Bytes b(size);
    std::mt19937 gen(seed);
    std::generate(b.begin(), b.end(), [&] { return static_cast<uint8_t>(gen()); });
    // MPEG 1 layer III at 128 kbit/s and 44.1 kHz, so that a file without tags passes for MP3.
    constexpr std::size_t kFrameLength = 417;
    constexpr uint8_t kFrameHeader[] = {0xFF, 0xFB, 0x90, 0x64};
    for (std::size_t at = 0; at + sizeof kFrameHeader <= size; at += kFrameLength)
        std::copy(std::begin(kFrameHeader), std::end(kFrameHeader), b.begin() + std::ptrdiff_t(at));
    return b;
}

void makeReadOnly(const std::string& path)
{
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

namespace {

bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

bool canList(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (dir)
        ::closedir(dir);
    return dir != nullptr;
}

} // namespace

UnlistableFolder::UnlistableFolder(const std::string& path) : m_path(path)
{
    ::chmod(path.c_str(), 0);
    if (::geteuid() == 0) {
        // Without SECBIT_NOROOT a program started as root would get every capability back.
        __user_cap_data_struct caps[2];
        m_secureBits = ::prctl(PR_GET_SECUREBITS);
        if (m_secureBits < 0 || !capabilities(caps, false))
            return;
        m_asRoot = true;
        m_effective[0] = caps[0].effective;
        m_effective[1] = caps[1].effective;
        if (::prctl(PR_SET_SECUREBITS, m_secureBits | SECBIT_NOROOT) != 0)
            return;
        caps[0].effective &= ~(CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH));
        if (!capabilities(caps, true))
            return;
    }
    m_available = !canList(path);
}

UnlistableFolder::~UnlistableFolder()
{
    if (m_asRoot) {
        __user_cap_data_struct caps[2];
        if (capabilities(caps, false)) {
            caps[0].effective = m_effective[0];
            caps[1].effective = m_effective[1];
            capabilities(caps, true);
        }
        ::prctl(PR_SET_SECUREBITS, m_secureBits);
    }
    ::chmod(m_path.c_str(), 0700);
}

std::string corpusDir()
{
    return VARNOLI_CORPUS_DIR;
}

bool corpusPresent()
{
    std::error_code ec;
    return fs::is_directory(corpusDir(), ec);
}

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(corpusDir()))
        if (e.is_regular_file())
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string copyCorpusFile(const TempDir& dir, const std::string& name)
{
    const std::string target = dir.file(name);
    fs::copy_file(fs::path(corpusDir()) / name, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target;
}

CommandResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    TempDir dir;
    const std::string outPath = dir.file("stdout"), errPath = dir.file("stderr");
    auto quote = [](const std::string& s) {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string cmd = quote(program);
    for (const std::string& a : args)
        cmd += " " + quote(a);
    cmd += " </dev/null >" + quote(outPath) + " 2>" + quote(errPath);
    const int status = std::system(cmd.c_str());
    CommandResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes out = readFile(outPath), err = readFile(errPath);
    r.out.assign(out.begin(), out.end());
    r.err.assign(err.begin(), err.end());
    return r;
}

Bytes id3v1Record(const std::string& title, const std::string& artist, const std::string& album,
                  const std::string& year, const std::string& comment, uint8_t genre, uint8_t track)
{
    Bytes r(128, 0);
    auto put = [&r](std::size_t at, std::size_t width, const std::string& text) {
        std::copy_n(text.begin(), std::min(width, text.size()), r.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(0, 3, "TAG");
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, track ? 28 : 30, comment);
    if (track)
        r[126] = track;
    r[127] = genre;
    return r;
}

std::string v2TextOf(const std::string& path, const char* frameId, uint32_t tagOffset)
{
    Tid3v2tag tag;
    std::string text;
    if (!failed(tag.LoadFromFile(path, tagOffset)))
        std::ignore = tag.GetTextFrame(frameId, text);
    return text;
}

uint16_t saveTitle(const std::string& path, std::size_t titleSize)
{
    Tid3v2tag tag;
    if (failed(tag.LoadFromFile(path, 0)))
        return tag.LoadResult;
    std::ignore = tag.SetTextFrame("TIT2", std::string(titleSize, 't'));
    return tag.SaveToFile(path, 255, -1, 255);
}

int killedTitleSave(const std::string& path, std::size_t titleSize, uint64_t killAtWrite)
{
    const pid_t pid = fork();
    if (pid == 0) {
        platform::faults::killAtWrite(killAtWrite);
        _exit(failed(saveTitle(path, titleSize)) ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

CommandResult runCli(const std::vector<std::string>& args)
{
    return runProgram(VARNOLI_CLI, args);
}

std::string mutagenPython()
{
    for (const char* python : {"/usr/bin/python3", "python3"})
        if (runProgram(python, {"-c", "import mutagen"}).exitCode == 0)
            return python;
    return {};
}

std::string mutagenPictures(const std::string& python, const std::string& path)
{
    const char* script = R"(
import sys, mutagen.id3 as m
for p in m.ID3(sys.argv[1]).getall('APIC'):
    print(int(p.type), p.mime, repr(p.desc), p.data.hex())
)";
    const CommandResult result = runProgram(python, {"-c", script, path});
    return result.exitCode == 0 ? result.out : "mutagen failed: " + result.err;
}

std::string frontCoverLine(const std::string& mime, const Bytes& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : data)
        (hex += digits[b >> 4]) += digits[b & 15];
    return "3 " + mime + " '' " + hex + "\n";
}

Bytes pngImage(uint32_t width, uint32_t height)
{
    const auto be32 = [](uint32_t v) { return Bytes{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; };
    const auto chunk = [&](const std::string& type, const Bytes& data) {
        const Bytes body = concat({bytesOf(type), data});
        return concat({be32(static_cast<uint32_t>(data.size())), body,
                       be32(static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))))});
    };
    Bytes rows;
    for (uint32_t y = 0; y < height; ++y) {
        rows.push_back(0); // no filter
        for (uint32_t x = 0; x < width; ++x)
            rows.insert(rows.end(), {uint8_t(x * 7), uint8_t(y * 11), 0x80});
    }
    Bytes packed(compressBound(static_cast<uLong>(rows.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()));
    packed.resize(packedSize);
    const Bytes header = concat({be32(width), be32(height), {8, 2, 0, 0, 0}}); // 8-bit RGB
    return concat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, chunk("IHDR", header), chunk("IDAT", packed),
                   chunk("IEND", {})});
}

} // namespace testsupport
