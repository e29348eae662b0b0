// varnoli-cli action and run: actions over chosen fields of many files, one given on the
// command line or a recipe's, previewed with --dry-run or saved as one batch.
#include "command_line.h"
#include "commands.h"

#include "features/actions/action_words.h"
#include "features/actions/recipes.h"
#include "features/tagedit/batch_save.h"
#include "tags/id3v2/id3v2.h"

#include <optional>
#include <ostream>

namespace {

// The command line's options as the action's words, two values split where the parser joined them.
std::vector<std::string> actionWords(const CommandArgs& args)
{
    std::vector<std::string> words;
    for (const auto& [name, value] : args.options()) {
        if (name == "--dry-run")
            continue;
        words.emplace_back(name);
        const bool takesValue = name != "--trim" && name != "--number" && name != "--per-folder";
        for (std::size_t start = 0; takesValue && start <= value.size();) {
            const std::size_t end = std::min(value.find('\0', start), value.size());
            words.push_back(value.substr(start, end - start));
            start = end + 1;
        }
    }
    return words;
}

std::string changeLine(const FieldChange& change)
{
    return change.path + ": " + change.field->name + " \"" + change.before + "\" -> \"" + change.after + "\"";
}

int runActions(const std::vector<Action>& actions, const std::vector<std::string>& files, bool dryRun,
               const char* command, std::ostream& out, std::ostream& err)
{
    Tid3v2tag v2;
    const ActionPlan plan = planActions(actions, files, v2);
    if (!plan.problems.empty()) {
        for (const std::string& problem : plan.problems)
            printLine(err, problem);
        printLine(err, "Nothing was saved.");
        return kExitFileFailed;
    }
    if (dryRun) {
        for (const FieldChange& change : plan.changes)
            printLine(out, changeLine(change));
        return kExitOk;
    }
    const BatchSaveRequest request = [&] {
        BatchSaveRequest r = actionRequest(plan);
        r.explainFailures = true;
        return r;
    }();
    return request.files.empty() ? kExitOk : runSaveRequest(request, command, err);
}

} // namespace

int cmdAction(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    std::string problem;
    const std::optional<Action> action = parseActionWords(actionWords(args), problem);
    if (!action) {
        usageError(err, "action", problem);
        return kExitUsage;
    }
    return runActions({*action}, args.operands(), args.has("--dry-run"), "action", out, err);
}

int cmdRun(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    std::string problem;
    const std::optional<std::vector<Action>> actions = loadRecipe(args.operands().front(), problem);
    if (!actions) {
        usageError(err, "run", problem);
        return kExitUsage;
    }
    const std::vector<std::string> files(args.operands().begin() + 1, args.operands().end());
    return runActions(*actions, files, args.has("--dry-run"), "run", out, err);
}
