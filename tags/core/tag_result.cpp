// The result word in words.
#include "tags/core/tag_result.h"

std::string resultText(TagResult r)
{
    switch (r & 0xFF00) {
    case 0: return {};
    case kErrOpen: return "the file does not exist or cannot be opened";
    case kErrReadOnly: return "the file is marked read-only, hidden or system";
    case kErrRead: return "the file could not be read";
    case kErrWrite: return "the file could not be written";
    case kErrIo: return "the file could not be read or written";
    case kErrOffset: return "the tag would start beyond the end of the file";
    case kErrNoTag: return "the file has no tag";
    case kErrVersion: return "the tag's version is not one that can be read or written";
    case kErrRevision: return "the tag's revision cannot be written";
    case kErrTagCompression: return "the tag is compressed as a whole, which no reader understands";
    case kErrFileTooShort: return "the tag claims more bytes than the file holds";
    case kErrFrameId: return "a frame has an invalid ID";
    case kErrTagTooLarge: return "the tag would be larger than a tag can be";
    case kErrEncryption: return "a frame would have to be encrypted or decrypted";
    case kErrGrouping: return "a frame's grouping would have to change";
    case kErrDataLength: return "the length of an encrypted frame is unknown";
    case kErrNoFrames: return "the tag has no frame to write";
    case kErrCorrupt: return "the tag is damaged";
    default: return "unknown error";
    }
}

std::string errorText(TagResult r, const std::string& detail)
{
    return "Error #" + std::to_string(r) + ": " + (detail.empty() ? resultText(r) : detail);
}

std::string groupedNumber(uint64_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, ',');
    return digits;
}
