// Checks that a quiz's data folder is complete and every molecule can be answered.
#pragma once

#include <string>
#include <vector>

// The tallest molecule picture that stays clear of the prompt centred at y = 375.
constexpr int maxMoleculePictureHeight = 340;

// Keys of the quiz's table that many keyboards cannot give it: on a US layout Shift+9
// and Shift+0 type the digits, and only a number pad has a "+" of its own.
constexpr const char* hardKeys = "()+";

// What a check found. Problems keep the quiz from being played to its end; warnings
// are worth a look but do not.
struct CheckReport {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};

// Checks the data folder at folder. A name that needs one of hardKeys is a problem,
// unless the key is in allowedKeys, when it is a warning.
CheckReport checkDataFolder(const std::string& folder, const std::string& allowedKeys = "");
