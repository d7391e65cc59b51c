#include "screens/bitmap_header.h"
#include "screens/bitmap_loader.h"
#include "support/bitmap_file.h"
#include "support/quiz_folder.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool withinBudget(const Bitmap& bitmap, std::size_t length = bitmapHeaderBytes)
{
    const std::string bytes = bitmap.bytes();
    return isWithinPictureBudget(reinterpret_cast<const unsigned char*>(bytes.data()), length);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

SDL_Surface* loadWithSdlAlone(const std::string& path)
{
    return SDL_LoadBMP_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
}

}  // namespace

TEST(BitmapHeader, RefusesOnlyPicturesOverTheBudget)
{
    EXPECT_TRUE(withinBudget(Bitmap{800, 600}));
    EXPECT_TRUE(withinBudget(Bitmap{4096, 4096, 32}));
    EXPECT_FALSE(withinBudget(Bitmap{4097, 4096, 32}));
    EXPECT_TRUE(withinBudget(Bitmap{1, 1 << 24, 1}));
    EXPECT_FALSE(withinBudget(Bitmap{1, (1 << 24) + 1, 1}));
    EXPECT_TRUE(withinBudget(Bitmap{4096, -4096}));  // stored top down
    EXPECT_FALSE(withinBudget(Bitmap{4097, -4096}));
    EXPECT_FALSE(withinBudget(Bitmap{16000, 40000, 32}));
    EXPECT_FALSE(withinBudget(Bitmap{INT32_MAX, INT32_MAX, 32}));
    EXPECT_FALSE(withinBudget(Bitmap{INT32_MAX, INT32_MIN, 32}));
    // The old OS/2 header has sides of 16 bits.
    EXPECT_TRUE(withinBudget(Bitmap{65535, 256, 24, 0, 12}));
    EXPECT_FALSE(withinBudget(Bitmap{65535, 257, 24, 0, 12}));
    // Any longer header keeps the sides where the 40-byte one has them.
    EXPECT_FALSE(withinBudget(Bitmap{16000, 40000, 32, 0, 124}));

    // Where SDL finds no picture to allocate for, it refuses the file in its own words.
    EXPECT_TRUE(withinBudget(Bitmap{-16000, 40000}));
    EXPECT_TRUE(withinBudget(Bitmap{16000, 0}));
    EXPECT_TRUE(withinBudget(Bitmap{16000, 40000, 24, 0, 39}));
    std::string notBm = Bitmap{16000, 40000}.bytes();
    notBm[1] = 'A';
    EXPECT_TRUE(isWithinPictureBudget(reinterpret_cast<const unsigned char*>(notBm.data()), notBm.size()));
    // A file that ends inside the header: SDL reads what is there, zeros for the rest.
    EXPECT_TRUE(withinBudget(Bitmap{16000, 40000}, 22));
    EXPECT_FALSE(withinBudget(Bitmap{16000, 40000}, 24));
    EXPECT_TRUE(isWithinPictureBudget(reinterpret_cast<const unsigned char*>("BM"), 2));
}

TEST(BitmapLoader, LoadsEveryPictureSdlLoads)
{
    QuizFolder folder;
    const std::string deltaAndEnd("\x03\x01\x00\x02\xC8\xC8\x04\x02\x00\x01", 10);
    std::string palette1Unpadded = Bitmap{9, 3, 1, 0, 40, palette(2), rows(2, 3)}.bytes();
    palette1Unpadded.resize(palette1Unpadded.size() - 2);
    std::string palette4Unpadded = Bitmap{5, 3, 4, 0, 40, palette(16), rows(3, 3)}.bytes();
    palette4Unpadded.resize(palette4Unpadded.size() - 1);
    const std::pair<const char*, std::string> pictures[] = {
        {"sides 9000x1", Bitmap{9000, 1, 24, 0, 40, "", rows(27000, 1)}.bytes()},
        {"sides 1x8193", Bitmap{1, 8193, 24, 0, 40, "", rows(3, 8193)}.bytes()},
        {"run-length, mostly skipped", Bitmap{400, 400, 8, 1, 40, palette(4), deltaAndEnd}.bytes()},
        {"run-length, ends early",
         Bitmap{4000, 4000, 8, 1, 40, palette(4), std::string("\x05\x01\x00\x01", 4)}.bytes()},
        {"2 bits a pixel", Bitmap{5, 3, 2, 0, 40, palette(4), rows(2, 3)}.bytes()},
        {"24-bit colour masks", Bitmap{3, 2, 24, 3, 40, masks({0xFF0000, 0xFF00, 0xFF}), rows(9, 2)}.bytes()},
        {"alpha colour masks",
         Bitmap{3, 2, 32, 6, 40, masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}), rows(12, 2)}.bytes()},
        {"pixels at offset 0", Bitmap{3, 2, 24, 0, 40, "", rows(9, 2), 0}.bytes()},
        {"1 bit, last row unpadded", palette1Unpadded},
        {"4 bits, last row unpadded", palette4Unpadded},
    };
    for (const auto& [what, bytes] : pictures) {
        SCOPED_TRACE(what);
        writeFile("picture.bmp", bytes);
        SDL_Surface* plain = loadWithSdlAlone("picture.bmp");
        ASSERT_NE(plain, nullptr) << SDL_GetError();
        SDL_Surface* picture = loadBitmap("picture.bmp");
        ASSERT_NE(picture, nullptr) << SDL_GetError();
        EXPECT_EQ(picture->w, plain->w);
        EXPECT_EQ(picture->h, plain->h);
        ASSERT_EQ(picture->pitch, plain->pitch);
        EXPECT_EQ(
            std::memcmp(picture->pixels, plain->pixels, static_cast<std::size_t>(plain->pitch * plain->h)),
            0);
        SDL_FreeSurface(picture);
        SDL_FreeSurface(plain);
    }
}

TEST(BitmapLoader, FailsInSdlsOwnWords)
{
    QuizFolder folder;
    const std::string whole = Bitmap{30, 30, 24, 0, 40, "", rows(90, 30)}.bytes();
    const std::pair<const char*, std::string> broken[] = {
        {"garbage", std::string(200, 'G')},
        {"truncated", whole.substr(0, whole.size() / 2)},
        {"empty", ""},
        {"7 bits a pixel", Bitmap{4, 3, 7}.bytes()},
        {"no sides", Bitmap{0, 3}.bytes()},
    };
    for (const auto& [what, bytes] : broken) {
        SCOPED_TRACE(what);
        writeFile("broken.bmp", bytes);
        ASSERT_EQ(loadWithSdlAlone("broken.bmp"), nullptr);
        const std::string sdlsWords = SDL_GetError();
        SDL_ClearError();
        EXPECT_EQ(loadBitmap("broken.bmp"), nullptr);
        EXPECT_EQ(SDL_GetError(), sdlsWords);
        EXPECT_NE(sdlsWords, "");
    }
    writeFile("garbage.bmp", std::string(200, 'G'));
    EXPECT_EQ(loadBitmap("garbage.bmp"), nullptr);
    EXPECT_STREQ(SDL_GetError(), "File is not a Windows BMP file");
    EXPECT_EQ(loadBitmap("missing.bmp"), nullptr);
    EXPECT_EQ(std::string(SDL_GetError()).rfind("Couldn't open missing.bmp", 0), 0U) << SDL_GetError();
}

TEST(BitmapLoader, RefusesABombUnread)
{
    QuizFolder folder;
    writeFile("bomb.bmp", Bitmap{16000, 40000, 32}.bytes().substr(0, 54));
    // Refusing the bomb must fit in 64 MB more than the test already uses.
    EXPECT_EXIT(
        {
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            std::ifstream status("/proc/self/statm");
            std::size_t pages = 0;
            status >> pages;
            limit.rlim_cur = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64U << 20);
            setrlimit(RLIMIT_AS, &limit);
            std::exit(loadBitmap("bomb.bmp") == nullptr ? 1 : 2);
        },
        testing::ExitedWithCode(1), "");

    EXPECT_EQ(loadBitmap("bomb.bmp"), nullptr);
    EXPECT_STREQ(SDL_GetError(), "bomb.bmp is not a picture this program can show");
}
