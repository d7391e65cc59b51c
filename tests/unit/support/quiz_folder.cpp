#include "support/quiz_folder.h"

#include "shell/resources.h"
#include "shell/start_up.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

const char* const shutDownLog =
    "Freeing surfaces.\nClosing Molecule list.\nClosing Fonts.\nQuitting SDL_TTF.\nQuitting SDL.\nGoodbye!";

namespace {

void put16(std::ofstream& out, unsigned value)
{
    out.put(static_cast<char>(value & 0xFF)).put(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::ofstream& out, unsigned value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Folders still to be removed when the process ends: a death test's child exits
// from inside a test, so its QuizFolder is never destroyed.
std::vector<std::string>& foldersLeft()
{
    static std::vector<std::string> folders;
    return folders;
}

void removeFoldersLeft()
{
    std::error_code ignored;
    for (const std::string& folder : foldersLeft()) {
        fs::remove_all(folder, ignored);
    }
}

}  // namespace

void writeBitmap(const std::string& path, int width, int height, std::uint32_t rgb)
{
    const unsigned rowBytes = (static_cast<unsigned>(width) * 3 + 3) / 4 * 4;
    const unsigned dataSize = rowBytes * static_cast<unsigned>(height);
    std::ofstream out(path, std::ios::binary);
    out << "BM";
    put32(out, 54 + dataSize);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<unsigned>(width));
    put32(out, static_cast<unsigned>(height));
    put16(out, 1);
    put16(out, 24);
    for (int i = 0; i < 6; ++i) {
        put32(out, 0);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.put(static_cast<char>(rgb & 0xFF)).put(static_cast<char>((rgb >> 8) & 0xFF));
            out.put(static_cast<char>((rgb >> 16) & 0xFF));
        }
        for (unsigned pad = static_cast<unsigned>(width) * 3; pad < rowBytes; ++pad) {
            out.put(0);
        }
    }
}

QuizFolder::QuizFolder() : previous(fs::current_path())
{
    char pattern[] = "/tmp/molvane-test-XXXXXX";
    root = mkdtemp(pattern);
    if (foldersLeft().empty()) {
        std::atexit(removeFoldersLeft);
    }
    foldersLeft().push_back(root);
    fs::create_directory(root + "/data");
    fs::copy_file(TEST_FONT, data("nsecthck.ttf"));
    writeBitmap(data("background.bmp"), 800, 600, 0xF0F0F0);
    writeBitmap(data("correct.bmp"), 800, 600, 0x00C000);
    writeBitmap(data("incorrect.bmp"), 800, 600, 0xC00000);
    writeBitmap(data("last.bmp"), 800, 600, 0x0000C0);
    writeBitmap(data("Homescreen.bmp"), 800, 600, 0xC0C000);
    writeList("0\n");
    fs::current_path(root);
}

QuizFolder::~QuizFolder()
{
    fs::current_path(previous);
    fs::remove_all(root);
}

std::string QuizFolder::data(const std::string& name) const
{
    return root + "/data/" + name;
}

void QuizFolder::writeList(const std::string& contents) const
{
    std::ofstream(data("Molecule List.txt"), std::ios::binary) << contents;
}

void QuizFolder::addMolecule(const std::string& name) const
{
    writeBitmap(data(name + ".bmp"), 40, 30, 0x336699);
}

void QuizFolder::remove(const std::string& name) const
{
    fs::remove(data(name));
}

void startUpOrFail()
{
    ASSERT_TRUE(startUp());
    std::cout.flush();
}

void releaseAll()
{
    for (SDL_Surface** surface : {&background, &prompt, &correctPicture, &incorrectPicture, &lastPicture}) {
        if (*surface != nullptr) {
            SDL_FreeSurface(*surface);
        }
        *surface = nullptr;
    }
    if (font != nullptr) {
        TTF_CloseFont(font);
        font = nullptr;
    }
    moleculeList.close();
    moleculeList.clear();
    TTF_Quit();
    SDL_Quit();
    screen = nullptr;
    moleculeCount = 0;
}

void stdoutToStderr()
{
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
}
