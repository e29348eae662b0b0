// Attached picture frames: listing them, setting the front cover, taking them all out.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_layout.h"

#include <algorithm>

namespace {

const std::string kPictureId = "APIC";
constexpr uint8_t kHighestEncoding = 3;

// Where the image begins in the frame's data; 0 when the data do not hold the whole layout.
std::size_t parsePicture(const std::vector<uint8_t>& data, TPictureFrame& picture)
{
    using namespace id3v2::picture;
    if (data.size() <= kMimeType || data[kEncoding] > kHighestEncoding)
        return 0;
    picture.Encoding = data[kEncoding];
    const auto mimeBegin = data.begin() + kMimeType;
    const auto mimeEnd = std::find(mimeBegin, data.end(), uint8_t{0});
    if (mimeEnd == data.end() || mimeEnd + 1 == data.end())
        return 0;
    picture.MimeType.assign(mimeBegin, mimeEnd);
    const std::size_t typeAt = static_cast<std::size_t>(mimeEnd - data.begin()) + 1;
    picture.PictureType = data[typeAt];
    std::size_t consumed = 0;
    const uint8_t decoded = DecodeTextUtf8(data, typeAt + 1, picture.Encoding, picture.Description, consumed);
    if (undecodable(decoded))
        return 0;
    // Without a terminator the description runs to the end and no picture is left.
    const std::size_t dataAt = typeAt + 1 + consumed;
    return dataAt < data.size() ? dataAt : 0;
}

std::vector<uint8_t> frontCoverData(const std::string& mimeType, const std::vector<uint8_t>& image)
{
    std::vector<uint8_t> data;
    data.reserve(1 + mimeType.size() + 3 + image.size());
    data.push_back(0); // ISO-8859-1: the description is empty
    data.insert(data.end(), mimeType.begin(), mimeType.end());
    data.push_back(0);
    data.push_back(kFrontCover);
    data.push_back(0);
    data.insert(data.end(), image.begin(), image.end());
    return data;
}

} // namespace

void Tid3v2tag::VisitPictures(const PictureVisitor& visit) const
{
    const TFrameIndex& frames = FrameIndex();
    for (uint32_t i = 1; i <= frames.Count(); ++i) {
        if (!id3v2::sameFrameId(frames.FrameID(i), kPictureId))
            continue;
        TPictureEntry entry;
        entry.Index = i;
        // A plain frame is read where it lies. Any other is read from a copy, so that a frame
        // only looked at goes back to the file exactly as it came, not inflated and compressed
        // again.
        const bool plain = !frames.IsUnsynchronised(i) && !frames.IsCompressed(i) && !frames.Encryption(i) &&
                           !frames.IsEncrypted(i);
        TFrameIndex scratch;
        if (!plain) {
            scratch.Frame(scratch.Add(kPictureId)) = frames.Frame(i);
            // Pictures are not charged to the text budget: their size is what the frame says.
            std::size_t budget = kMaxTagBody;
            if (id3v2::prepareFrame(scratch, 1, budget, textresult::kNotInflated) != textresult::kOk) {
                visit(entry, nullptr, 0);
                continue;
            }
        }
        const std::vector<uint8_t>& data = plain ? frames.Data(i) : scratch.Data(1);
        const std::size_t imageAt = parsePicture(data, entry.Picture);
        entry.Readable = imageAt > 0;
        if (!entry.Readable) {
            entry.Picture = TPictureFrame();
            visit(entry, nullptr, 0);
            continue;
        }
        visit(entry, data.data() + imageAt, data.size() - imageAt);
    }
}

std::vector<TPictureEntry> Tid3v2tag::Pictures() const
{
    std::vector<TPictureEntry> pictures;
    VisitPictures([&](TPictureEntry& entry, const uint8_t* image, std::size_t size) {
        if (size > 0)
            entry.Picture.Data.assign(image, image + size);
        pictures.push_back(std::move(entry));
    });
    return pictures;
}

void Tid3v2tag::SetFrontCover(const std::string& mimeType, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> frameData = frontCoverData(mimeType, data);
    for (const TPictureEntry& entry : Pictures()) {
        if (entry.Readable && entry.Picture.PictureType == kFrontCover) {
            id3v2::replaceData(FrameIndex().Frame(entry.Index), std::move(frameData));
            Modified = true;
            return;
        }
    }
    FrameIndex().Data(FrameIndex().Add(kPictureId)) = std::move(frameData);
    Modified = true;
}

uint32_t Tid3v2tag::RemovePictures()
{
    uint32_t removed = 0;
    TFrameIndex& frames = FrameIndex();
    for (uint32_t i = frames.Count(); i >= 1; --i) {
        if (frames.FrameID(i) == kPictureId && frames.Delete(i))
            ++removed;
    }
    Modified = Modified || removed > 0;
    return removed;
}
