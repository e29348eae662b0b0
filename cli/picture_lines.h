// A file's pictures as varnoli-cli shows them: a line each for people, or a JSON array.
#pragma once

#include "features/tagedit/pictures.h"

#include <string>
#include <vector>

// "    Picture: type 3, image/png, 600 x 600 pixels, 5,120 bytes", one line each.
void appendPictureLines(std::string& out, const std::vector<PictureSummary>& pictures);
// [{"type": 3, "mime": "image/png", "description": "", "bytes": 5120, "width": 600, "height": 600}, ...];
// a frame that cannot be decoded is {"unreadable": true}.
void appendPicturesJson(std::string& out, const std::vector<PictureSummary>& pictures);
