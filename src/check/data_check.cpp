#include "check/data_check.h"

#include "molecule/count_line.h"
#include "molecule/molecule_list.h"
#include "screens/bitmap_loader.h"
#include "screens/key_table.h"

#include <SDL_ttf.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

namespace fs = std::filesystem;

namespace {

const char* const listFile = "Molecule List.txt";
const char* const fixedPictures[] = {"background.bmp", "correct.bmp", "incorrect.bmp", "last.bmp",
                                     "Homescreen.bmp"};

// Why a key of hardKeys may be missing from a keyboard, by the keys it covers.
struct HardKeyReason {
    const char* keys;
    const char* shown;
    const char* reason;
};
const HardKeyReason hardKeyReasons[] = {
    {"()", "( )", "which a US keyboard cannot type in this quiz (Shift+9 and Shift+0 type digits)"},
    {"+", "+", "which only a number pad types, and many laptops have none"},
};

class Checker {
  public:
    Checker(std::string dataFolder, std::string allowed)
        : folder(std::move(dataFolder)), allowedKeys(std::move(allowed))
    {
    }

    CheckReport run()
    {
        checkFont();
        for (const char* picture : fixedPictures) {
            checkPicture(picture, false);
        }
        checkList();
        return found;
    }

  private:
    void report(const std::string& problem) { found.problems.push_back(problem); }
    void warn(const std::string& warning) { found.warnings.push_back(warning); }

    // A name that needs a key many keyboards lack cannot be finished on them.
    void checkHardKeys(const std::string& name, const std::string& lineName)
    {
        for (const HardKeyReason& hard : hardKeyReasons) {
            std::string used;
            for (const char* key = hard.keys; *key != '\0'; ++key) {
                if (name.find(*key) != std::string::npos) {
                    used += *key;
                }
            }
            if (used.empty()) {
                continue;
            }
            std::string line = "hard-to-type name: \"";
            line.append(name).append("\" on ").append(lineName).append(" needs ").append(hard.shown);
            line.append(", ").append(hard.reason);
            if (used.find_first_not_of(allowedKeys) == std::string::npos) {
                warn(line.append("; allowed by --allow-keys"));
            } else {
                line.append(", so a student could never finish the quiz (allow with --allow-keys \"");
                line.append(used).append("\" if the class's keyboards have ");
                report(line.append(used.size() > 1 ? "these keys)" : "this key)"));
            }
        }
    }

    void checkFont()
    {
        const std::string path = folder + "/nsecthck.ttf";
        if (!fs::exists(path)) {
            report("missing file: nsecthck.ttf");
            return;
        }
        TTF_Font* font = TTF_Init() == 0 ? TTF_OpenFont(path.c_str(), 28) : nullptr;
        if (font == nullptr) {
            report("unreadable font: nsecthck.ttf (" + std::string(SDL_GetError()) + ")");
        } else {
            TTF_CloseFont(font);
        }
        TTF_Quit();
    }

    // Loads a picture the way the quiz does; a molecule's must also leave the prompt clear.
    void checkPicture(const std::string& file, bool isMolecule)
    {
        const std::string path = folder + "/" + file;
        if (!fs::exists(path)) {
            report((isMolecule ? "missing picture: " : "missing file: ") + file);
            return;
        }
        SDL_Surface* picture = loadBitmap(path.c_str());
        if (picture == nullptr) {
            report("unloadable picture: " + file + " (" + SDL_GetError() + ")");
            return;
        }
        if (isMolecule && picture->h > maxMoleculePictureHeight) {
            report("picture covers the prompt: " + file + " is " + std::to_string(picture->h) +
                   " pixels tall, at most " + std::to_string(maxMoleculePictureHeight) + " fit");
        }
        SDL_FreeSurface(picture);
    }

    void checkList()
    {
        std::ifstream list(folder + "/" + listFile);
        if (!list.is_open()) {
            report(std::string("missing file: ") + listFile);
            return;
        }
        std::string countLine;
        readListLine(list, countLine);
        const std::int32_t count = parseMoleculeCount(countLine);
        std::vector<std::string> lines;
        for (std::string line; readListLine(list, line);) {
            lines.push_back(line);
        }
        while (!lines.empty() && lines.back().empty()) {
            lines.pop_back();
        }

        if (count > maxMolecules) {
            report("count: the list announces " + std::to_string(count) + " molecules, more than the " +
                   std::to_string(maxMolecules) + " the quiz holds");
            return;
        }
        if (count < 1) {
            report("count: the first line \"" + countLine + "\" announces no molecules");
        } else if (static_cast<std::size_t>(count) != lines.size()) {
            report("count: the list announces " + std::to_string(count) + " molecules but holds " +
                   std::to_string(lines.size()) + " names");
        }
        lines.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        checkNames(lines);
    }

    void checkNames(const std::vector<std::string>& names)
    {
        std::map<std::string, int> seen;
        std::set<std::string> used;
        for (std::size_t k = 0; k < names.size(); ++k) {
            const std::string& name = names[k];
            const std::string line = "line " + std::to_string(k + 2);
            if (name.empty()) {
                report("empty name: " + line);
                continue;
            }
            if (!isTypeable(name)) {
                std::string problem = "untypeable name: \"";
                problem.append(name).append("\" on ").append(line);
                problem.append(" (the keys type a-z, A-Z, 0-9, space and ( ) + , - . /, at most ");
                report(problem.append(std::to_string(maxAnswerLength)).append(" characters)"));
            }
            checkHardKeys(name, line);
            if (++seen[name] == 2) {
                report("duplicate name: \"" + name + "\"");
            }
            used.insert(name + ".bmp");
            checkPicture(name + ".bmp", true);
        }
        checkUnusedPictures(used);
    }

    void checkUnusedPictures(std::set<std::string> used)
    {
        used.insert(std::begin(fixedPictures), std::end(fixedPictures));
        std::set<std::string> unused;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string file = entry.path().filename().string();
            if (entry.path().extension() == ".bmp" && used.count(file) == 0) {
                unused.insert(file);
            }
        }
        for (const std::string& file : unused) {
            report("unused picture: " + file);
        }
    }

    std::string folder;
    std::string allowedKeys;
    CheckReport found;
};

}  // namespace

CheckReport checkDataFolder(const std::string& folder, const std::string& allowedKeys)
{
    if (!fs::is_directory(folder)) {
        return {{"missing folder: " + folder}, {}};
    }
    return Checker(folder, allowedKeys).run();
}
