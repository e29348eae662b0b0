// varnoli-cli set: the batch save of the "ID3 Tags" tab over the files named.
#include "cli_dialogs.h"
#include "command_line.h"
#include "commands.h"

#include "features/common/named_fields.h"
#include "features/tagedit/batch_save.h"
#include "platform/terminal.h"
#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

#include <optional>
#include <ostream>
#include <string_view>

namespace {

// The field an option such as "--title" names.
std::optional<TagField> fieldOption(std::string_view option)
{
    for (TagField f : kAllFields) {
        std::string name = std::string("--") + fieldName(f);
        name[2] = static_cast<char>(name[2] - 'A' + 'a');
        if (option == name)
            return f;
    }
    return std::nullopt;
}

int genreIndex(const std::string& name)
{
    for (std::size_t i = 0; i < kGenreCount; ++i)
        if (name == GenreList[i])
            return static_cast<int>(i);
    return -1;
}

// Adds the change an option beyond the seven asks for; why it cannot be made, else nothing.
// One of the seven named by --field is that field's own option.
std::optional<std::string> addEdit(BatchSaveRequest& request, std::string_view option, const std::string& value)
{
    const bool byField = option == "--field" || option == "--remove-field";
    const bool removes = option == "--remove-field" || option == "--remove-frame";
    if (!byField && !removes && option != "--frame")
        return std::nullopt;
    std::string name = value;
    FieldEdit change;
    if (!removes) {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos)
            return std::string(option) + " takes " + (byField ? "NAME" : "KEY") + "=VALUE, not '" + value + "'";
        name = value.substr(0, equals);
        change.text = value.substr(equals + 1);
    }
    if (byField) {
        change.field = namedField(name);
        if (!change.field)
            return "'" + name + "' is not a field name (see varnoli-cli set --help)";
        if (const std::optional<TagField> seven = change.field->seven) {
            request.v1[*seven] = request.v2[*seven] = {true, change.text.value_or(Utf8Text())};
            return std::nullopt;
        }
    } else if (!parseFrameKey(name, change.key)) {
        return "'" + name + "' is not a frame key such as TPE3, TXXX:desc, COMM:desc:eng or USLT::eng";
    }
    request.v2.edits.push_back(std::move(change));
    return std::nullopt;
}

// The request the arguments describe; a usage error is printed and gives nothing.
std::optional<BatchSaveRequest> setRequest(const CommandArgs& args, std::ostream& err)
{
    BatchSaveRequest request;
    request.files = args.operands();
    const bool onlyV1 = args.has("--v1"), onlyV2 = args.has("--v2");
    for (const auto& [option, value] : args.options()) {
        if (const std::optional<TagField> field = fieldOption(option))
            request.v1[*field] = request.v2[*field] = {true, value};
        if (const std::optional<std::string> refusal = addEdit(request, option, value))
            return usageError(err, "set", *refusal);
    }
    if (onlyV1 && onlyV2)
        return usageError(err, "set", "--v1 and --v2 exclude each other");
    if (onlyV1 && !request.v2.edits.empty())
        return usageError(err, "set", "--v1 leaves out the ID3v2 tag, the only one that holds fields beyond the seven");
    request.saveV1 = !onlyV2;
    request.saveV2 = !onlyV1;
    request.recordForUndo = true;
    request.explainFailures = true;
    request.saveNonAudio = args.has("--force");

    // Values only the ID3v1 tag has to understand are checked before any file is touched.
    // Its genre comes from the list, never from the genre text.
    SaveField& genre = request.v1[TagField::Genre];
    if (request.saveV1 && genre.enabled) {
        request.v1.genreEnabled = true;
        request.v1.genreIndex = genreIndex(genre.text);
        if (request.v1.genreIndex < 0)
            return usageError(err, "set", "--genre: '" + genre.text + "' is not in the genre list");
    }
    genre = {};
    if (const std::optional<std::string> refusal = refusedValue(request))
        return usageError(err, "set", *refusal);
    return request;
}

} // namespace

int cmdSet(const CommandArgs& args, std::ostream& /*out*/, std::ostream& err)
{
    const std::optional<BatchSaveRequest> request = setRequest(args, err);
    return request ? runSaveRequest(*request, "set", err) : kExitUsage;
}

int runSaveRequest(const BatchSaveRequest& request, const char* command, std::ostream& err,
                   BatchSaveOutcome* kept)
{
    Tid3tag v1;
    Tid3v2tag v2;
    CliDialogs dialogs(err);
    SubjectProgress subject(dialogs);
    StatusLine status(err, platform::isTerminal(2));
    dialogs.setStatusLine(&status);
    CountProgress progress(status, command, subject);
    const BatchSaveOutcome outcome = runBatchSave(request, v1, v2, dialogs, progress);
    for (const std::string& line : lostCharacterTexts(outcome))
        dialogs.info(line);
    for (const std::string& line : droppedFrameTexts(outcome))
        dialogs.info(line);
    const int code = outcome.failures || outcome.stopped ? kExitFileFailed : kExitOk;
    if (kept)
        *kept = outcome;
    return code;
}
