#include "corpus.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace bench {
namespace {

using Bytes = std::vector<uint8_t>;

const std::array<const char*, 16> kWords = {
    "Blue", "River", "Night", "Caf\xe9",  "Echo",  "Stone", "Fire",   "Silver",
    "Road", "Dream", "Sun",   "Gl\xf6" "ck", "Winter", "Light", "Garden", "Heart",
};

class Generator {
public:
    explicit Generator(uint32_t seed) : m_rng(seed) {}

    uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(m_rng); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    uint64_t between(uint64_t lo, uint64_t hi) { return std::uniform_int_distribution<uint64_t>(lo, hi)(m_rng); }

    std::string words(uint32_t lo, uint32_t hi)
    {
        std::string s;
        for (uint32_t i = 0, n = lo + below(hi - lo + 1); i < n; ++i) {
            if (i)
                s += ' ';
            s += kWords[below(kWords.size())];
        }
        return s;
    }

    void fill(uint8_t* out, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<uint8_t>(m_rng());
    }

private:
    std::mt19937 m_rng;
};

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz frames with random payload.
Bytes audio(Generator& g, uint64_t size)
{
    Bytes out(size);
    for (uint64_t at = 0; at < size; at += 417) {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(417, size - at));
        g.fill(out.data() + at, n);
        const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
        std::copy(header, header + std::min<std::size_t>(4, n), out.data() + at);
    }
    return out;
}

void putBE(Bytes& out, uint32_t v, bool syncSafe)
{
    if (syncSafe)
        v = (v & 0x7F) | ((v & 0x3F80) << 1) | ((v & 0x1FC000) << 2) | ((v & 0xFE00000) << 3);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// Text in the frame's encoding: 0 Latin-1, 1 UTF-16 with BOM, 3 UTF-8; 8-bit input.
Bytes encodeText(const std::string& text, uint8_t encoding, bool terminate)
{
    Bytes out;
    if (encoding == 1) {
        out = {0xFF, 0xFE};
        for (unsigned char c : text) {
            out.push_back(c);
            out.push_back(0);
        }
        if (terminate)
            out.insert(out.end(), {0, 0});
        return out;
    }
    for (unsigned char c : text) {
        if (encoding == 3 && c >= 0x80) {
            out.push_back(static_cast<uint8_t>(0xC0 | (c >> 6)));
            out.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(c);
        }
    }
    if (terminate)
        out.push_back(0);
    return out;
}

class TagBuilder {
public:
    explicit TagBuilder(uint8_t version) : m_version(version) {}

    void frame(const char* id, const Bytes& data)
    {
        m_body.insert(m_body.end(), id, id + 4);
        putBE(m_body, static_cast<uint32_t>(data.size()), m_version == 4);
        m_body.insert(m_body.end(), {0, 0});
        m_body.insert(m_body.end(), data.begin(), data.end());
    }

    void text(const char* id, const std::string& s, uint8_t encoding, bool terminate)
    {
        Bytes data{encoding};
        const Bytes t = encodeText(s, encoding, terminate);
        data.insert(data.end(), t.begin(), t.end());
        frame(id, data);
    }

    void comment(const std::string& s, uint8_t encoding)
    {
        Bytes data{encoding, 'e', 'n', 'g'};
        const Bytes d = encodeText("", encoding, true), t = encodeText(s, encoding, false);
        data.insert(data.end(), d.begin(), d.end());
        data.insert(data.end(), t.begin(), t.end());
        frame("COMM", data);
    }

    // v2.3 whole-tag unsynchronisation; v2.4 tags are never given it here.
    Bytes finish(uint32_t padding, bool unsynchronise)
    {
        Bytes body = m_body;
        if (unsynchronise) {
            Bytes u;
            for (std::size_t i = 0; i < body.size(); ++i) {
                u.push_back(body[i]);
                if (body[i] == 0xFF && (i + 1 == body.size() || body[i + 1] == 0 || body[i + 1] >= 0xE0))
                    u.push_back(0);
            }
            body.swap(u);
        }
        body.resize(body.size() + padding, 0);
        Bytes out = {'I', 'D', '3', m_version, 0, static_cast<uint8_t>(unsynchronise ? 0x80 : 0)};
        putBE(out, static_cast<uint32_t>(body.size()), true);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

private:
    uint8_t m_version;
    Bytes m_body;
};

Bytes id3v1(const std::string& title, const std::string& artist, const std::string& album, uint8_t track,
            uint8_t genre)
{
    Bytes out(128, 0);
    std::copy_n("TAG", 3, out.begin());
    auto put = [&](std::size_t at, std::size_t width, const std::string& s) {
        std::copy_n(s.begin(), std::min(width, s.size()), out.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, "2004");
    put(97, 28, "generated");
    out[126] = track;
    out[127] = genre;
    return out;
}

void writeFile(const fs::path& path, const Bytes& head, const Bytes& audioBytes, const Bytes& tail)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const Bytes* part : {&head, &audioBytes, &tail})
        out.write(reinterpret_cast<const char*>(part->data()), static_cast<std::streamsize>(part->size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

CorpusSummary writeCorpus(const std::string& dir, const CorpusOptions& options)
{
    Generator g(options.seed);
    CorpusSummary summary;
    for (std::size_t i = 0; i < options.count; ++i) {
        const std::string artist = g.words(1, 3), album = g.words(1, 4), title = g.words(1, 6);
        const uint8_t track = static_cast<uint8_t>(i % 12 + 1), genre = static_cast<uint8_t>(g.below(148));

        const uint32_t kind = options.everyFileTagged ? g.below(85) : g.below(100);
        const bool v2 = kind < 85, v24 = kind >= 50 && kind < 85, v1 = kind < 70 || (kind >= 85 && kind < 95);
        Bytes head, tail;
        if (v2) {
            const uint8_t version = v24 ? 4 : 3;
            const uint8_t encoding = v24 ? (g.chance(50) ? 3 : 0) : (g.chance(30) ? 1 : 0);
            const bool terminate = !v24 || g.chance(50);
            TagBuilder tag(version);
            tag.text("TIT2", title, encoding, terminate);
            tag.text("TPE1", artist, encoding, terminate);
            tag.text("TALB", album, encoding, terminate);
            tag.text(v24 ? "TDRC" : "TYER", std::to_string(1960 + g.below(60)), encoding, terminate);
            tag.text("TCON", g.chance(50) ? "(" + std::to_string(genre) + ")" : g.words(1, 1), encoding, terminate);
            tag.text("TRCK", std::to_string(track) + "/12", encoding, terminate);
            if (g.chance(60))
                tag.comment(g.words(2, 12), encoding);
            if (g.chance(50))
                tag.text("TPE2", artist, encoding, terminate);
            if (g.chance(40))
                tag.text("TENC", "encoder 3.100", 0, true);
            if (g.chance(30)) {
                Bytes priv = {'p', 'r', 'i', 'v', 0};
                priv.resize(priv.size() + 40 + g.below(200));
                g.fill(priv.data() + 5, priv.size() - 5);
                tag.frame("PRIV", priv);
            }
            if (g.chance(20)) {
                Bytes pic = {0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0, 0xFF, 0xD8};
                pic.resize(pic.size() + 20000 + g.below(80000));
                g.fill(pic.data() + 16, pic.size() - 16);
                tag.frame("APIC", pic);
                ++summary.withPicture;
            }
            const bool unsync = !v24 && g.chance(5);
            summary.unsynchronised += unsync;
            const uint32_t paddings[] = {0, 256, 1024, 2048, 4096};
            head = tag.finish(paddings[g.below(5)], unsync);
            ++(v24 ? summary.v24 : summary.v23);
        } else if (v1) {
            ++summary.v1Only;
        } else {
            ++summary.untagged;
        }
        if (v1)
            tail = id3v1(title, artist, album, track, genre);

        const Bytes body = audio(g, g.between(options.minAudio, options.maxAudio));
        const fs::path path = fs::path(dir) / ("Artist " + std::to_string(i / 100)) /
                              ("Album " + std::to_string(i / 10)) /
                              (std::to_string(i % 10 + 1) + " - " + std::to_string(i) + ".mp3");
        writeFile(path, head, body, tail);
        summary.files.push_back(path.string());
        summary.bytes += head.size() + body.size() + tail.size();
    }
    return summary;
}

void writeGrowFile(const std::string& path, uint64_t audioBytes)
{
    Generator g(7);
    TagBuilder tag(3);
    tag.text("TIT2", "Grow", 0, true);
    tag.text("TPE1", "Bench", 0, true);
    tag.text("TALB", "Two hundred", 0, true);
    tag.text("TYER", "2026", 0, true);
    tag.text("TCON", "(17)", 0, true);
    tag.text("TRCK", "1", 0, true);
    writeFile(path, tag.finish(0, false), audio(g, audioBytes), id3v1("Grow", "Bench", "Two hundred", 1, 17));
}

std::vector<std::string> listMp3Files(const std::string& dir)
{
    std::vector<std::string> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (e.is_regular_file() && ext == ".mp3")
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace bench
