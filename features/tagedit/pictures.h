// Cover pictures: the images a person may set, what the tab shows of a file's pictures,
// and the change a save makes to them.
#pragma once

#include "tags/id3v2/id3v2.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ImageFormat { Unknown, Jpeg, Png };

// What an image's bytes tell without decoding it: the format by its signature and the size
// in pixels from the PNG header or the JPEG frame header; 0 when they cannot be measured.
struct ImageInfo {
    ImageFormat format = ImageFormat::Unknown;
    uint32_t width = 0, height = 0;
};
ImageInfo inspectImage(const uint8_t* bytes, std::size_t size);
ImageInfo inspectImage(const std::vector<uint8_t>& bytes);
// "image/jpeg", "image/png"; empty for an unknown format.
std::string imageMimeType(ImageFormat format);

constexpr std::size_t kMaxImageBytes = std::size_t(16) << 20;

// An image file read for setting as a cover; `refusal` names the file and why it cannot be
// (not JPEG or PNG, over 16 MiB, unreadable), the bytes then empty.
struct CoverImage {
    std::vector<uint8_t> bytes;
    std::string mimeType;
    std::string refusal;
};
CoverImage readCoverImage(const std::string& path);

// What a save does to the ID3v2 tag's pictures.
struct PictureChange {
    enum class Kind { Keep, SetFrontCover, RemoveAll };
    Kind kind = Kind::Keep;
    std::string mimeType;      // SetFrontCover
    std::vector<uint8_t> data; // SetFrontCover
};
void applyPictureChange(const PictureChange& change, Tid3v2tag& tag);

// What a listing tells of one picture frame, measured without copying its image.
struct PictureSummary {
    bool readable = false;
    bool empty = false; // no image, as TPictureEntry::Empty says; the header's fields where it has one
    uint8_t type = 0;
    std::string mimeType;
    Utf8Text description;
    std::size_t bytes = 0;
    ImageInfo info;
};
std::vector<PictureSummary> pictureSummaries(const Tid3v2tag& tag);

// The picture a file shows: the first readable front cover, else its first picture frame.
// Null when the tag has no picture frame.
const TPictureEntry* shownPicture(const std::vector<TPictureEntry>& pictures);

// What the picture box shows of the selected files.
struct PictureView {
    enum class State { None, Shown, Different, Unreadable };
    State state = State::None;
    TPictureFrame picture; // Shown
    ImageInfo info;        // Shown
};
// Every file's shown picture: the same bytes in all of them is Shown, none in any is None,
// an unreadable one in the only file (or in all) is Unreadable, anything else Different.
PictureView readPictureView(const std::vector<std::string>& files, Tid3v2tag& tag);
// The picture a tag loaded from a file shows.
PictureView pictureViewOf(const Tid3v2tag& tag);
// What the box shows of two files together: `first`, unless `other` shows something else.
void joinPictureViews(PictureView& first, const PictureView& other);

// Writes the picture `file` shows to `out`, byte for byte; empty on success, else why not.
std::string exportPicture(const std::string& file, const std::string& out, Tid3v2tag& tag);

// The questions asked before a picture change of `fileCount` files.
std::string setCoverConfirmationText(const std::string& image, std::size_t fileCount);
std::string removePicturesConfirmationText(std::size_t fileCount);

// "600 x 600 pixels, 5,120 bytes" as the tab and varnoli-cli print a picture's size.
std::string pictureSizeText(const ImageInfo& info, std::size_t bytes);
