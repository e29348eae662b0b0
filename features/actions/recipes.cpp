// Finds, reads and writes recipe files.
#include "recipes.h"

#include "action_words.h"

#include "platform/file_system.h"

#include <algorithm>

namespace {

constexpr const char* kSuffix = ".txt";

bool validName(const std::string& name)
{
    return !name.empty() && name[0] != '.' && name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

} // namespace

std::string recipesFolder()
{
    const std::string config = platform::configFolder();
    return config.empty() ? std::string() : config + "recipes/";
}

std::string recipePath(const std::string& nameOrPath)
{
    if (nameOrPath.find('/') != std::string::npos)
        return nameOrPath;
    return recipesFolder() + nameOrPath + kSuffix;
}

std::vector<std::string> recipeNames()
{
    std::vector<std::string> names;
    const std::string suffix = kSuffix;
    for (const platform::DirEntry& entry : platform::listDirectory(recipesFolder()))
        if (entry.name.size() > suffix.size() && entry.name.compare(entry.name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(entry.name.substr(0, entry.name.size() - suffix.size()));
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<Action>> parseRecipe(const std::string& text, std::string& problem)
{
    std::vector<Action> actions;
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const std::optional<std::vector<std::string>> words = splitLine(line);
        std::optional<Action> action = words ? parseActionWords(*words, problem) : std::nullopt;
        if (!action) {
            problem = "line " + std::to_string(number + 1) + ": " + (words ? problem : "a '\"' is not closed");
            return std::nullopt;
        }
        actions.push_back(std::move(*action));
    }
    if (actions.empty())
        problem = "the recipe holds no action";
    return actions.empty() ? std::nullopt : std::optional<std::vector<Action>>(std::move(actions));
}

std::optional<std::vector<Action>> loadRecipe(const std::string& nameOrPath, std::string& problem)
{
    const std::string path = recipePath(nameOrPath);
    try {
        std::optional<std::vector<Action>> actions = parseRecipe(platform::readWholeFile(path), problem);
        if (!actions)
            problem = "'" + path + "': " + problem;
        return actions;
    } catch (const platform::IoError& e) {
        problem = "'" + path + "' cannot be read: " + e.what();
        return std::nullopt;
    }
}

std::string renderRecipe(const std::vector<Action>& actions)
{
    std::string text = "# One action a line, as varnoli-cli action takes them.\n";
    for (const Action& action : actions)
        text += joinLine(action.words) + "\n";
    return text;
}

bool saveRecipe(const std::string& name, const std::vector<Action>& actions, std::string& problem)
{
    if (!validName(name) || recipesFolder().empty()) {
        problem = validName(name) ? "no settings folder is known" : "'" + name + "' cannot be a recipe's name";
        return false;
    }
    try {
        if (!platform::makeFolders(recipesFolder()))
            throw platform::IoError(platform::IoErrorKind::Write, "the folder '" + recipesFolder() + "' cannot be made");
        platform::replaceFileAtomically(recipePath(name), renderRecipe(actions));
        return true;
    } catch (const platform::IoError& e) {
        problem = e.what();
        return false;
    }
}
