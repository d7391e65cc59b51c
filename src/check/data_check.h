// Checks that a quiz's data folder is complete and every molecule can be answered.
#pragma once

#include <string>
#include <vector>

// The tallest molecule picture that stays clear of the prompt centred at y = 375.
constexpr int maxMoleculePictureHeight = 340;

// One line per problem found in the data folder at folder; none when it is clean.
std::vector<std::string> checkDataFolder(const std::string& folder);
