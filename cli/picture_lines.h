// A file's pictures as varnoli-cli shows them: a line each for people, or a JSON array.
#pragma once

#include "features/tagedit/pictures.h"

#include <string>
#include <vector>

// "type 3, image/png, 600 x 600 pixels, 5,120 bytes"; "type 3, image/jpeg, no image" for a
// frame without its image.
void appendPictureText(std::string& out, const PictureSummary& picture);
// "    Picture: " and that text, one line each.
void appendPictureLines(std::string& out, const std::vector<PictureSummary>& pictures);
// {"type": 3, "mime": "image/png", "description": "", "bytes": 5120, "width": 600, "height": 600};
// a frame that cannot be decoded is {"unreadable": true}, one without its image has
// "bytes": 0 and "empty": true.
void appendPictureJson(std::string& out, const PictureSummary& picture);
// [picture, ...]
void appendPicturesJson(std::string& out, const std::vector<PictureSummary>& pictures);
