// Offsets and sizes of the headers an encoder puts in the first MPEG frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mpeg_layout {

constexpr std::size_t kFrameHeaderSize = 4;
// How far into the audio the first frame is looked for.
constexpr std::size_t kSearchLimit = 64 << 10;

// Xing / Info: after the side information; "Xing" or "Info", then the flags word.
constexpr std::size_t kXingFlagsEnd = 8;
constexpr uint32_t kXingFrames = 1, kXingBytes = 2, kXingToc = 4, kXingQuality = 8;
constexpr std::size_t kXingTocSize = 100;

// LAME tag, after the Xing fields: the encoder's name, then its method.
constexpr std::size_t kLameTagSize = 36;
constexpr std::size_t kLameMethod = 9;
constexpr int kLameCbr = 1, kLameCbrTwoPass = 8;

// VBRI: 32 bytes after the frame header.
constexpr std::size_t kVbriOffset = 4 + 32;
constexpr std::size_t kVbriBytes = 10, kVbriFrames = 14, kVbriFramesEnd = 18;

} // namespace mpeg_layout
