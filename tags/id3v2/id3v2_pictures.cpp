// Attached picture frames: listing them, setting the front cover, taking them all out.
#include "tags/id3v2/id3v2.h"

#include "tags/id3v2/id3v2_frame_data.h"

#include <algorithm>

namespace {

const std::string kPictureId = "APIC";

// Where the image begins in the frame's data, at their end when there is none; 0 when the
// data do not hold the whole header.
std::size_t parsePicture(const std::vector<uint8_t>& data, TPictureFrame& picture)
{
    FrameValue value;
    const std::size_t imageAt = parsePictureHeader(data, value);
    if (imageAt == 0)
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
            entry.Empty = plain.result() == textresult::kEmpty;
            visit(entry, nullptr, 0);
            continue;
        }
        const std::vector<uint8_t>& data = plain.data();
        const std::size_t imageAt = parsePicture(data, entry.Picture);
        entry.Readable = imageAt > 0 && imageAt < data.size();
        entry.Empty = data.empty() || (imageAt > 0 && imageAt == data.size());
        if (!entry.Readable) {
            if (!entry.Empty)
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
    // A cover without its image is replaced rather than doubled, but only where no real one is.
    uint32_t readable = 0, empty = 0;
    VisitPictures([&](const TPictureEntry& entry, const uint8_t*, std::size_t) {
        const bool front = entry.Picture.PictureType == kFrontCover;
        if (entry.Readable && front && readable == 0)
            readable = entry.Index;
        const bool noData = FrameIndex().Data(entry.Index).empty();
        if (entry.Empty && (front || noData) && empty == 0)
            empty = entry.Index;
    });
    std::vector<uint8_t> frameData = frontCoverData(mimeType, data);
    if (const uint32_t target = readable != 0 ? readable : empty)
        id3v2::replaceData(FrameIndex().Frame(target), std::move(frameData));
    else
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
