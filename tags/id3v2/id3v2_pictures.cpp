// Attached picture frames: listing them, setting the front cover, taking them all out.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>

namespace {

const std::string kPictureId = "APIC";

// Where the image begins in the frame's data; 0 when the data do not hold the whole layout
// or no image.
std::size_t parsePicture(const std::vector<uint8_t>& data, TPictureFrame& picture)
{
    FrameValue value;
    const std::size_t imageAt = parsePictureHeader(data, value);
    if (imageAt == 0 || imageAt >= data.size())
        return 0;
    picture.Encoding = value.encoding;
    picture.MimeType = std::move(value.mimeType);
    picture.PictureType = value.pictureType;
    picture.Description = std::move(value.description);
    return imageAt;
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
        // Pictures are not charged to the text budget: their size is what the frame says.
        std::size_t budget = kMaxTagBody;
        const id3v2::PlainFrame plain(frames, i, budget, textresult::kNotInflated);
        if (plain.result() != textresult::kOk) {
            visit(entry, nullptr, 0);
            continue;
        }
        const std::vector<uint8_t>& data = plain.data();
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
