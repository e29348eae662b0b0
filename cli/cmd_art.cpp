// varnoli-cli art: the pictures of the "ID3 Tags" tab, listed, set, removed or exported.
#include "command_line.h"
#include "commands.h"
#include "picture_lines.h"

#include "features/common/text.h"
#include "features/show/show_files.h"
#include "features/tagedit/batch_save.h"
#include "tags/id3v2/id3v2.h"

#include <optional>
#include <ostream>

namespace {

struct ArtOptions {
    enum class Action { List, Set, Remove, Export };
    Action action = Action::List;
    std::string value; // the image or the output file
    Args files;
};

std::optional<ArtOptions> artOptions(const CommandArgs& args, std::ostream& err)
{
    ArtOptions options;
    options.files = args.operands();
    if (args.options().size() > 1)
        return usageError(err, "art", "--set, --remove and --export exclude each other");
    for (const auto& [name, value] : args.options()) {
        options.action = name == "--set"      ? ArtOptions::Action::Set
                         : name == "--remove" ? ArtOptions::Action::Remove
                                              : ArtOptions::Action::Export;
        options.value = value;
    }
    if (options.action == ArtOptions::Action::Export && options.files.size() != 1)
        return usageError(err, "art", "--export takes one file");
    return options;
}

int listPictures(const Args& files, std::ostream& out, std::ostream& err)
{
    Tid3v2tag tag;
    int code = kExitOk;
    std::string text;
    for (const std::string& path : files) {
        tag.Reset();
        const TagResult loaded = readV2Fields(path, tag).result;
        text.clear();
        appendReadable(text, path);
        text += '\n';
        const std::vector<PictureSummary> pictures = failed(loaded) ? std::vector<PictureSummary>() : pictureSummaries(tag);
        if (unreadable(loaded)) {
            printReadFailure(err, path, loaded, tag.ErrorDetail());
            code = kExitFileFailed;
        }
        if (pictures.empty())
            text += "    (no picture)\n";
        appendPictureLines(text, pictures);
        out << text;
    }
    return code;
}

} // namespace

int cmdArt(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    const std::optional<ArtOptions> options = artOptions(args, err);
    if (!options)
        return kExitUsage;
    switch (options->action) {
    case ArtOptions::Action::List: return listPictures(options->files, out, err);
    case ArtOptions::Action::Export: {
        Tid3v2tag tag;
        const std::string failure = exportPicture(options->files.front(), options->value, tag);
        if (failure.empty())
            return kExitOk;
        printLine(err, "varnoli-cli art: " + failure);
        return kExitFileFailed;
    }
    case ArtOptions::Action::Set:
    case ArtOptions::Action::Remove: break;
    }
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = options->files;
    request.recordForUndo = true;
    request.explainFailures = true;
    PictureChange& change = request.v2.picture;
    change.kind = PictureChange::Kind::RemoveAll;
    if (options->action == ArtOptions::Action::Set) {
        CoverImage image = readCoverImage(options->value);
        if (!image.refusal.empty()) {
            usageError(err, "art", image.refusal);
            return kExitUsage;
        }
        change.kind = PictureChange::Kind::SetFrontCover;
        change.mimeType = image.mimeType;
        change.data = std::move(image.bytes);
    }
    return runSaveRequest(request, "art", err);
}
