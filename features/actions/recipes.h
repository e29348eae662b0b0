// Recipes: several actions under one name, kept as a small text file in the person's
// settings folder, one action a line in the words varnoli-cli's action command takes.
#pragma once

#include "actions.h"

#include <optional>
#include <string>
#include <vector>

// $XDG_CONFIG_HOME/varnoli/recipes/ (else ~/.config/varnoli/recipes/); empty when unknown.
std::string recipesFolder();
// A name ("tidy") is a file of the recipes folder ("tidy.txt"); a text with a "/" is a path.
std::string recipePath(const std::string& nameOrPath);
// The names of the saved recipes, sorted.
std::vector<std::string> recipeNames();

// The actions of a recipe's text: a line starting with "#" and an empty line say nothing;
// nothing with `problem` naming the line at fault.
std::optional<std::vector<Action>> parseRecipe(const std::string& text, std::string& problem);
std::optional<std::vector<Action>> loadRecipe(const std::string& nameOrPath, std::string& problem);

std::string renderRecipe(const std::vector<Action>& actions);
// Writes the recipe under its name, replacing one of the same name; false with `problem`.
bool saveRecipe(const std::string& name, const std::vector<Action>& actions, std::string& problem);
