// varnoli-cli set: the batch save of the "ID3 Tags" tab over the files named.
#include "cli_dialogs.h"
#include "commands.h"

#include "features/common/text.h"
#include "features/tagedit/batch_save.h"
#include "platform/terminal.h"
#include "tags/id3.h"
#include "tags/id3v2.h"

#include <optional>
#include <ostream>

namespace {

struct FieldOption {
    const char* name;
    SaveField* v1; // null for the genre, which ID3v1 takes from its list
    SaveField* v2;
};

int genreIndex(const std::string& name)
{
    for (std::size_t i = 0; i < kGenreCount; ++i)
        if (name == GenreList[i])
            return static_cast<int>(i);
    return -1;
}

// The request the arguments describe; a usage error is printed and gives nothing.
std::optional<BatchSaveRequest> parseSetArgs(const Args& args, std::ostream& err)
{
    BatchSaveRequest request;
    SaveField genre;
    const FieldOption options[] = {
        {"--title", &request.v1.title, &request.v2.title},
        {"--artist", &request.v1.artist, &request.v2.artist},
        {"--album", &request.v1.album, &request.v2.album},
        {"--year", &request.v1.year, &request.v2.year},
        {"--genre", nullptr, &request.v2.genre},
        {"--comment", &request.v1.comment, &request.v2.comment},
        {"--track", &request.v1.track, &request.v2.track},
    };
    bool onlyV1 = false, onlyV2 = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            request.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--v1" || arg == "--v2") {
            (arg == "--v1" ? onlyV1 : onlyV2) = true;
            continue;
        }
        const FieldOption* option = nullptr;
        for (const FieldOption& o : options)
            if (arg == o.name)
                option = &o;
        if (!option)
            return usageError(err, "set", "unknown option '" + arg + "'");
        if (i + 1 == args.size())
            return usageError(err, "set", arg + " needs a value");
        SaveField field{true, {}};
        if (!latin1Argument(err, "set", arg, args[++i], field.text))
            return std::nullopt;
        *option->v2 = field;
        if (option->v1)
            *option->v1 = field;
        else
            genre = field;
    }
    if (onlyV1 && onlyV2)
        return usageError(err, "set", "--v1 and --v2 exclude each other");
    if (request.files.empty())
        return usageError(err, "set", "no file given");
    request.saveV1 = !onlyV2;
    request.saveV2 = !onlyV1;
    request.recordForUndo = true;
    request.explainFailures = true;

    // Values only the ID3v1 tag has to understand are checked before any file is touched.
    if (request.saveV1 && genre.enabled) {
        request.v1.genreEnabled = true;
        request.v1.genreIndex = genreIndex(genre.text);
        if (request.v1.genreIndex < 0)
            return usageError(err, "set", "--genre: '" + latin1ToUtf8(genre.text) + "' is not in the genre list");
    }
    if (request.saveV1 && request.v1.track.enabled && !request.v1.track.text.empty() &&
        !parseInteger(request.v1.track.text))
        return usageError(err, "set", latin1ToUtf8(invalidIntegerText(request.v1.track.text)));
    return request;
}

} // namespace

int cmdSet(const Args& args, std::ostream& /*out*/, std::ostream& err)
{
    const std::optional<BatchSaveRequest> request = parseSetArgs(args, err);
    if (!request)
        return kExitUsage;
    Tid3tag v1;
    Tid3v2tag v2;
    CliDialogs dialogs(err);
    SubjectProgress subject(dialogs);
    StatusLine status(err, platform::isTerminal(2));
    dialogs.setStatusLine(&status);
    CountProgress progress(status, "set", subject);
    const BatchSaveOutcome outcome = runBatchSave(*request, v1, v2, dialogs, progress);
    return outcome.failures || outcome.stopped ? kExitFileFailed : kExitOk;
}
