// molvane-check [--allow-keys CHARS] [DATA_FOLDER]: checks a quiz's data folder (./data by
// default), prints one line per problem and per warning, then a summary line, and exits 0
// only when there is no problem.
#include "check/data_check.h"

#include <iostream>
#include <string>

namespace {

const char* const usage =
    "usage: molvane-check [--allow-keys CHARS] [DATA_FOLDER]\n"
    "Checks a quiz's data folder (default ./data).\n"
    "  --allow-keys CHARS  accept names that use these of ( ) + (for keyboards that have\n"
    "                      them as keys of their own; a US layout does not)\n";

// "1 warning", "2 problems".
std::string counted(std::size_t count, const std::string& what)
{
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// The last line: "no problems found" only when nothing at all was reported.
std::string summary(const CheckReport& report)
{
    if (report.problems.empty() && report.warnings.empty()) {
        return "no problems found";
    }
    if (report.problems.empty()) {
        return counted(report.warnings.size(), "warning") + ", no problems";
    }
    std::string line = counted(report.problems.size(), "problem");
    if (!report.warnings.empty()) {
        line += ", " + counted(report.warnings.size(), "warning");
    }
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = "./data";
    std::string allowedKeys;
    bool folderGiven = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const std::string option = "--allow-keys";
        if (arg == "-h" || arg == "--help") {
            std::cout << usage;
            return 0;
        }
        if (arg == option || arg.rfind(option + "=", 0) == 0) {
            if (arg == option && k + 1 == argc) {
                std::cerr << "molvane-check: --allow-keys needs the characters to allow\n" << usage;
                return 2;
            }
            allowedKeys = arg == option ? argv[++k] : arg.substr(option.size() + 1);
            if (allowedKeys.find_first_not_of(hardKeys) != std::string::npos) {
                std::cerr << "molvane-check: --allow-keys takes only the characters " << hardKeys << "\n";
                return 2;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "molvane-check: unknown option " << arg << "\n" << usage;
            return 2;
        } else if (folderGiven) {
            std::cerr << "molvane-check: one data folder at a time\n" << usage;
            return 2;
        } else {
            folder = arg;
            folderGiven = true;
        }
    }

    const CheckReport report = checkDataFolder(folder, allowedKeys);
    for (const std::string& problem : report.problems) {
        std::cout << problem << '\n';
    }
    for (const std::string& warning : report.warnings) {
        std::cout << "warning: " << warning << '\n';
    }
    std::cout << folder << ": " << summary(report) << '\n';
    return report.problems.empty() ? 0 : 1;
}
