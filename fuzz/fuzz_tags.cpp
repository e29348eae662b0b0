// Arbitrary bytes as an MP3 file: both tags load, the seven fields of the tag view are
// read, and a second load of the same bytes must give the same answers. A tag that
// loads is also saved back and loaded again, so that the writer sees hostile frames, and
// every frame goes through its kind's parse and render.
#include "features/common/tag_fields.h"
#include "features/tagedit/pictures.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

namespace {

const std::string& scratchPath()
{
    static const std::string path = [] {
        const std::filesystem::path dir = std::filesystem::exists("/dev/shm")
                                              ? std::filesystem::path("/dev/shm")
                                              : std::filesystem::temp_directory_path();
        return (dir / ("varnoli-fuzz-" + std::to_string(std::random_device()()) + ".mp3")).string();
    }();
    return path;
}

void writeScratch(const uint8_t* data, std::size_t size)
{
    std::ofstream out(scratchPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        std::abort();
}

struct Reading {
    TagResult v1Result = 0, v2Result = 0;
    std::string v1Fields, fields;
    uint32_t frameCount = 0, tagSize = 0;

    bool operator==(const Reading& o) const
    {
        return std::tie(v1Result, v2Result, v1Fields, fields, frameCount, tagSize) ==
               std::tie(o.v1Result, o.v2Result, o.v1Fields, o.fields, o.frameCount, o.tagSize);
    }
};

// Every frame that reads as its kind renders into data that read back as the same value.
void frameKindsRoundTrip(Tid3v2tag& v2, std::string& fields)
{
    for (const TFrameEntry& entry : v2.FrameList()) {
        fields += formatFrameKey(entry.Key) + '|';
        FrameValue value, back;
        if (v2.GetFrame(entry.Index, value) == textresult::kOk && value.kind != FrameKind::Binary) {
            std::vector<uint8_t> data;
            // Version 2.4 takes every encoding as it was found, and lists as they were.
            if (renderFrame(value, 4, data) != textresult::kOk) {
                if (value.kind != FrameKind::Comment)
                    std::abort();
                continue;
            }
            parseFrame(v2.FrameIndex().FrameID(entry.Index), data, back);
            if (!(back == value))
                std::abort();
        }
    }
}

Reading readAll(Tid3v2tag& v2)
{
    Reading r;
    Tid3tag v1;
    r.v1Result = v1.LoadFromFile(scratchPath());
    for (const std::string& text : v1FieldTexts(v1))
        r.v1Fields += text + '|';
    r.v1Fields += std::to_string(v1.Genre);

    r.v2Result = v2.LoadFromFile(scratchPath(), 0);
    r.frameCount = v2.FrameIndex().Count();
    r.tagSize = v2.TagSize;
    for (const std::string& text : v2FieldTexts(v2))
        r.fields += text + '|';
    frameKindsRoundTrip(v2, r.fields);
    // Pictures, and the image headers measured as the tab and varnoli-cli measure them.
    for (const TPictureEntry& p : v2.Pictures()) {
        const ImageInfo info = inspectImage(p.Picture.Data);
        r.fields += std::to_string(p.Readable) + p.Picture.MimeType + p.Picture.Description +
                    std::to_string(p.Picture.Data.size()) + 'x' + std::to_string(info.width) + 'x' +
                    std::to_string(info.height) + '|';
    }
    return r;
}

} // namespace

// A save that moves audio keeps a record in the state folder: keep those beside the scratch file.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string state = scratchPath() + ".state";
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    writeScratch(data, size);
    Tid3v2tag first, second;
    const Reading a = readAll(first);
    const Reading b = readAll(second);
    if (!(a == b))
        std::abort();

    if (!failed(a.v2Result)) {
        // Through the tag view's own path: change the title, save, load again.
        std::ignore = first.SetTextFrame("TIT2", "fuzz");
        if (first.SaveToFile() == 0) {
            Tid3v2tag reread;
            if (failed(reread.LoadFromFile(scratchPath(), 0)))
                std::abort();
        }
    }
    std::remove(scratchPath().c_str());
    return 0;
}
