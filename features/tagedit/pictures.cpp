// Cover pictures: image signatures and headers, the picture box's view and the save's change.
#include "pictures.h"

#include "platform/file_system.h"
#include "tags/core/byte_order.h"
#include "tags/core/tag_result.h"

#include <algorithm>

namespace {

const uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t bigEndian16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

void measurePng(const uint8_t* b, std::size_t size, ImageInfo& info)
{
    // The signature, then the IHDR chunk: length, type, width, height.
    constexpr std::size_t kType = 12, kWidth = 16, kHeight = 20;
    if (size < kHeight + 4 || !std::equal(b + kType, b + kType + 4, "IHDR"))
        return;
    info.width = readBE32(&b[kWidth]);
    info.height = readBE32(&b[kHeight]);
}

bool isFrameHeader(uint8_t marker)
{
    // SOF0 to SOF15; C4, C8 and CC are other segments that share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void measureJpeg(const uint8_t* b, std::size_t size, ImageInfo& info)
{
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (b[i] != 0xFF)
            return;
        const uint8_t marker = b[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image, start of scan: no frame header before
            return;
        const std::size_t length = bigEndian16(&b[i + 2]);
        if (isFrameHeader(marker)) {
            // Length, precision, height, width.
            if (length < 7 || i + 9 > size)
                return;
            info.height = bigEndian16(&b[i + 5]);
            info.width = bigEndian16(&b[i + 7]);
            return;
        }
        if (length < 2)
            return;
        i += 2 + length;
    }
}

std::string noFileChanged(const std::string& path, const std::string& why)
{
    return "'" + path + "' " + why + "; no file was changed.";
}

bool samePicture(const PictureView& a, const PictureView& b)
{
    return a.state == b.state && a.picture.Data == b.picture.Data;
}

PictureView fileView(const std::string& path, Tid3v2tag& tag)
{
    // A fresh tag: a load that finds none leaves the object as the previous file had it.
    tag.Reset();
    if (failed(tag.LoadFromFile(path, 0)))
        return PictureView();
    return pictureViewOf(tag);
}

} // namespace

PictureView pictureViewOf(const Tid3v2tag& tag)
{
    PictureView view;
    const std::vector<TPictureEntry> pictures = tag.Pictures();
    const TPictureEntry* shown = shownPicture(pictures);
    if (!shown)
        return view;
    if (!shown->Readable) {
        view.state = PictureView::State::Unreadable;
        return view;
    }
    view.state = PictureView::State::Shown;
    view.picture = shown->Picture;
    view.info = inspectImage(view.picture.Data);
    return view;
}

ImageInfo inspectImage(const uint8_t* bytes, std::size_t size)
{
    ImageInfo info;
    if (size >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes)) {
        info.format = ImageFormat::Png;
        measurePng(bytes, size, info);
    } else if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        info.format = ImageFormat::Jpeg;
        measureJpeg(bytes, size, info);
    }
    return info;
}

ImageInfo inspectImage(const std::vector<uint8_t>& bytes)
{
    return inspectImage(bytes.data(), bytes.size());
}

std::vector<PictureSummary> pictureSummaries(const Tid3v2tag& tag)
{
    std::vector<PictureSummary> summaries;
    tag.VisitPictures([&](TPictureEntry& entry, const uint8_t* image, std::size_t size) {
        PictureSummary& s = summaries.emplace_back();
        s.readable = entry.Readable;
        s.empty = entry.Empty;
        s.type = entry.Picture.PictureType;
        s.mimeType = std::move(entry.Picture.MimeType);
        s.description = std::move(entry.Picture.Description);
        s.bytes = size;
        if (size > 0)
            s.info = inspectImage(image, size);
    });
    return summaries;
}

std::string imageMimeType(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg: return "image/jpeg";
    case ImageFormat::Png: return "image/png";
    case ImageFormat::Unknown: break;
    }
    return std::string();
}

CoverImage readCoverImage(const std::string& path)
{
    CoverImage image;
    std::string reason;
    std::optional<platform::File> file = platform::File::open(path, platform::File::Mode::Read, &reason);
    if (!file) {
        image.refusal = noFileChanged(path, "could not be opened (" + reason + ")");
        return image;
    }
    try {
        const uint64_t size = file->size();
        if (size > kMaxImageBytes) {
            image.refusal = noFileChanged(path, "is larger than 16 MiB");
            return image;
        }
        image.bytes.resize(static_cast<std::size_t>(size));
        file->readExactAt(0, image.bytes.data(), image.bytes.size());
    } catch (const platform::IoError& e) {
        image.bytes.clear();
        image.refusal = noFileChanged(path, std::string("could not be read (") + e.what() + ")");
        return image;
    }
    image.mimeType = imageMimeType(inspectImage(image.bytes).format);
    if (image.mimeType.empty()) {
        image.bytes.clear();
        image.refusal = noFileChanged(path, "is not a JPEG or PNG image");
    }
    return image;
}

void applyPictureChange(const PictureChange& change, Tid3v2tag& tag)
{
    switch (change.kind) {
    case PictureChange::Kind::SetFrontCover: tag.SetFrontCover(change.mimeType, change.data); break;
    case PictureChange::Kind::RemoveAll: tag.RemovePictures(); break;
    case PictureChange::Kind::Keep: break;
    }
}

const TPictureEntry* shownPicture(const std::vector<TPictureEntry>& pictures)
{
    const auto front = std::find_if(pictures.begin(), pictures.end(), [](const TPictureEntry& e) {
        return e.Readable && e.Picture.PictureType == kFrontCover;
    });
    if (front != pictures.end())
        return &*front;
    return pictures.empty() ? nullptr : &pictures.front();
}

PictureView readPictureView(const std::vector<std::string>& files, Tid3v2tag& tag)
{
    PictureView first;
    for (std::size_t i = 0; i < files.size() && first.state != PictureView::State::Different; ++i) {
        if (i == 0)
            first = fileView(files[i], tag);
        else
            joinPictureViews(first, fileView(files[i], tag));
    }
    return first;
}

void joinPictureViews(PictureView& first, const PictureView& other)
{
    if (!samePicture(first, other))
        first = PictureView{PictureView::State::Different, {}, {}};
}

std::string exportPicture(const std::string& file, const std::string& out, Tid3v2tag& tag)
{
    const PictureView view = fileView(file, tag);
    if (view.state == PictureView::State::None)
        return "'" + file + "' holds no picture.";
    if (view.state == PictureView::State::Unreadable)
        return "'" + file + "': its picture cannot be read.";
    try {
        const std::vector<uint8_t>& data = view.picture.Data;
        platform::replaceFileAtomically(out, std::string(data.begin(), data.end()));
    } catch (const platform::IoError& e) {
        return "'" + out + "' could not be written (" + e.what() + ").";
    }
    return std::string();
}

std::string pictureSizeText(const ImageInfo& info, std::size_t bytes)
{
    const std::string size = groupedNumber(bytes) + " bytes";
    if (info.width == 0 || info.height == 0)
        return size;
    return std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels, " + size;
}

std::string setCoverConfirmationText(const std::string& image, std::size_t fileCount)
{
    return "Do you wish to make '" + image + "' the front cover of the selected " + std::to_string(fileCount) +
           " file(s)?";
}

std::string removePicturesConfirmationText(std::size_t fileCount)
{
    return "Do you wish to remove every picture from the selected " + std::to_string(fileCount) + " file(s)?";
}
