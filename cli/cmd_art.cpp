// varnoli-cli art: the pictures of the "ID3 Tags" tab, listed, set, removed or exported.
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

std::optional<ArtOptions> parseArtArgs(const Args& args, std::ostream& err)
{
    ArtOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const ArtOptions::Action action = arg == "--set"      ? ArtOptions::Action::Set
                                          : arg == "--remove" ? ArtOptions::Action::Remove
                                          : arg == "--export" ? ArtOptions::Action::Export
                                                              : ArtOptions::Action::List;
        if (action == ArtOptions::Action::List)
            return usageError(err, "art", "unknown option '" + arg + "'");
        if (options.action != ArtOptions::Action::List)
            return usageError(err, "art", "--set, --remove and --export exclude each other");
        options.action = action;
        if (action == ArtOptions::Action::Remove)
            continue;
        if (i + 1 == args.size())
            return usageError(err, "art", arg + " needs a value");
        options.value = args[++i];
    }
    if (options.files.empty())
        return usageError(err, "art", "no file given");
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

int cmdArt(const Args& args, std::ostream& out, std::ostream& err)
{
    const std::optional<ArtOptions> options = parseArtArgs(args, err);
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
