// The table of checks: one row per check, its fix beside it.
#include "check_kinds.h"

#include "features/check/check_fixes.h"

#include <algorithm>

namespace {

constexpr Severity E = Severity::Error, W = Severity::Warning, I = Severity::Info;

const char* const kDisagree = "players and devices that read only one of the tags show another value";
const char* const kCopied = "copied the field into the tag that differed";

const std::vector<CheckKind> kKinds{
    {"unreadable_file", E, "nothing in it can be checked or played", nullptr, nullptr},
    {"not_mp3", E, "a tag put in front of it would spoil it for its own programs", nullptr, nullptr},
    {"no_tag", W, "players show the file by its name only", nullptr, nullptr},
    {"interrupted_save", E, "the file is not as any save left it; 'varnoli-cli repair FILE' puts it back", nullptr,
     nullptr},
    {"damaged_tag", E, "players may show no fields at all, and saves of the tag are refused", fixes::repairDamagedTag,
     "wrote the frames that could be read as a new ID3v2 tag"},
    {"tag_size_lies", E, "the tag claims bytes past the end of the file, so no save may touch it", nullptr, nullptr},
    {"frame_unreadable", E, "what the frame holds is lost to every player", nullptr, nullptr},
    {"frame_size_lies", E, "readers that trust the size read past the frame or lose the frames after it", nullptr,
     nullptr},
    {"wrong_unsynchronisation", W, "old players read the tag's false syncs as audio and click or skip",
     fixes::resaveV2, "saved the ID3v2 tag again"},
    {"undecodable_text", E, "the field shows as empty everywhere", nullptr, nullptr},
    {"odd_tag_header", W, "strict readers refuse flags and revisions they do not know", fixes::resaveV2,
     "saved the ID3v2 tag again"},
    {"duplicate_frames", W, "players show one of them at random", fixes::removeDuplicateFrames,
     "removed the later copies"},
    {"empty_frame", I, "it holds nothing but takes room, and some players show an empty field", fixes::removeEmptyFrames,
     "removed the empty frames"},
    {"picture_too_large", W, "devices and players skip or choke on pictures over 1 MB", nullptr, nullptr},
    {"second_front_cover", W, "players show one of the covers at random", fixes::removeSecondFrontCovers,
     "removed the later front covers"},
    {"padding_too_large", I, "over 1 MB of the file holds nothing", fixes::resaveV2, "saved the ID3v2 tag again"},
    {"v24_tag", I, "many car stereos, phones and Windows read ID3v2.3 only", nullptr, nullptr},
    {"v22_frames_dropped", W, "a save as version 2.3 leaves these frames out", nullptr, nullptr},
    {"missing_title", W, "players show the file name instead", nullptr, nullptr},
    {"missing_artist", W, "the file is sorted under an unknown artist", nullptr, nullptr},
    {"missing_album", W, "the file is sorted under an unknown album", nullptr, nullptr},
    {"year_not_numeric", W, "players cannot sort or show the year", nullptr, nullptr},
    {"track_over_total", W, "players sort the track wrongly or show a false count", nullptr, nullptr},
    {"disc_over_total", W, "players sort the disc wrongly or show a false count", nullptr, nullptr},
    {"v1_bad_padding", W, "readers that do not stop at the first NUL show the bytes after it", fixes::rewriteV1,
     "wrote the ID3v1 tag again"},
    {"v1_bad_genre", W, "the genre byte names no genre, so readers show a number or nothing", nullptr, nullptr},
    {"v1_truncated", I, "players that read ID3v1 only show the field cut short", nullptr, nullptr},
    {"tags_disagree_artist", W, kDisagree, fixes::copyArtist, kCopied},
    {"tags_disagree_title", W, kDisagree, fixes::copyTitle, kCopied},
    {"tags_disagree_album", W, kDisagree, fixes::copyAlbum, kCopied},
    {"tags_disagree_year", W, kDisagree, fixes::copyYear, kCopied},
    {"tags_disagree_genre", W, kDisagree, fixes::copyGenre, kCopied},
    {"tags_disagree_comment", W, kDisagree, fixes::copyComment, kCopied},
    {"tags_disagree_track", W, kDisagree, fixes::copyTrack, kCopied},
    {"album_year_differs", W, "the album splits in two where players group by year", fixes::setYear,
     "set the album's year"},
    {"album_artist_differs", W, "the album splits in two where players group by album artist", fixes::setAlbumArtist,
     "set the album artist"},
    {"album_disc_count_differs", W, "players cannot tell how many discs the album has", fixes::setDiscTotal,
     "set the album's disc count"},
    {"track_gap", I, "a track of the album may be missing", nullptr, nullptr},
    {"track_duplicate", W, "two files claim the same place in the album", nullptr, nullptr},
};

} // namespace

const char* severityName(Severity s)
{
    switch (s) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Info:
        break;
    }
    return "info";
}

const std::vector<CheckKind>& checkKinds() { return kKinds; }

const CheckKind* checkKind(std::string_view name)
{
    const auto it = std::find_if(kKinds.begin(), kKinds.end(), [&](const CheckKind& k) { return name == k.name; });
    return it == kKinds.end() ? nullptr : &*it;
}

bool FileReport::hasError() const
{
    return std::any_of(problems.begin(), problems.end(),
                       [](const Problem& p) { return p.kind->severity == Severity::Error; });
}

void addProblem(FileReport& report, std::string_view name, const std::string& detail, std::string fixValue)
{
    const CheckKind* kind = checkKind(name);
    report.problems.push_back({kind, detail + "; " + kind->why, std::move(fixValue)});
}
