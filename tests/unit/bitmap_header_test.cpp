#include "screens/bitmap_header.h"
#include "screens/bitmap_loader.h"
#include "support/quiz_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

struct Header {
    std::int32_t width = 4;
    std::int32_t height = 3;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    std::uint32_t pixelOffset = 54;

    // The bytes of the file header and the info header.
    std::vector<unsigned char> bytes() const
    {
        std::vector<unsigned char> out(54, 0);
        auto put = [&out](std::size_t at, std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) {
                out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
            }
        };
        out[0] = 'B';
        out[1] = 'M';
        put(10, pixelOffset, 4);
        put(14, infoSize, 4);
        if (infoSize == 12) {
            put(18, static_cast<std::uint32_t>(width), 2);
            put(20, static_cast<std::uint32_t>(height), 2);
            put(22, 1, 2);
            put(24, bitsPerPixel, 2);
        } else {
            put(18, static_cast<std::uint32_t>(width), 4);
            put(22, static_cast<std::uint32_t>(height), 4);
            put(26, 1, 2);
            put(28, bitsPerPixel, 2);
            put(30, compression, 4);
        }
        return out;
    }

    // The size of a file that holds exactly the pixels this header declares.
    std::int64_t honestFileSize() const
    {
        const std::int64_t rowBytes = (std::int64_t{width} * bitsPerPixel + 31) / 32 * 4;
        return pixelOffset + rowBytes * (height < 0 ? -std::int64_t{height} : height);
    }
};

bool accepts(const Header& header, std::int64_t fileSize)
{
    const std::vector<unsigned char> bytes = header.bytes();
    return isSafeBitmapHeader(bytes.data(), bytes.size(), fileSize);
}

bool accepts(const Header& header)
{
    return accepts(header, header.honestFileSize());
}

}  // namespace

TEST(BitmapHeader, AcceptsOrdinaryPictures)
{
    EXPECT_TRUE(accepts(Header{}));
    EXPECT_TRUE(accepts(Header{800, 600, 24}));
    EXPECT_TRUE(accepts(Header{800, -600, 32}, Header{800, 600, 32}.honestFileSize()));
    EXPECT_TRUE(accepts(Header{400, 300, 8, 0, 40, 54 + 1024}));
    EXPECT_TRUE(accepts(Header{8192, 8192, 1}));
    EXPECT_TRUE(accepts(Header{7, 5, 16, 3, 124, 14 + 124 + 12}));
    EXPECT_TRUE(accepts(Header{3, 3, 24, 0, 12, 26}));
}

TEST(BitmapHeader, RefusesMalformedHeaders)
{
    const std::vector<unsigned char> good = Header{}.bytes();
    EXPECT_FALSE(isSafeBitmapHeader(good.data(), 17, 1000));
    EXPECT_FALSE(isSafeBitmapHeader(good.data(), 53, 1000));
    std::vector<unsigned char> notBm = good;
    notBm[1] = 'A';
    EXPECT_FALSE(isSafeBitmapHeader(notBm.data(), notBm.size(), 1000));

    EXPECT_FALSE(accepts(Header{0, 3}));
    EXPECT_FALSE(accepts(Header{-4, 3}));
    EXPECT_FALSE(accepts(Header{4, 0}));
    EXPECT_FALSE(accepts(Header{4, 3, 0}));
    EXPECT_FALSE(accepts(Header{4, 3, 12}));
    EXPECT_FALSE(accepts(Header{4, 3, 24, 4}));
    EXPECT_FALSE(accepts(Header{4, 3, 24, 0, 20}));
    EXPECT_FALSE(accepts(Header{4, 3, 24, 0, 40, 20}));
}

TEST(BitmapHeader, RefusesPicturesLargerThanTheLimit)
{
    EXPECT_FALSE(accepts(Header{8193, 1}));
    EXPECT_FALSE(accepts(Header{1, 8193}));
    EXPECT_FALSE(accepts(Header{1, -8193}, 1000000));
    EXPECT_FALSE(accepts(Header{1, INT32_MIN}, 1000000));
    EXPECT_FALSE(accepts(Header{INT32_MAX, INT32_MAX, 32}, INT64_MAX / 2));
    EXPECT_FALSE(accepts(Header{16000, 40000, 32}, 54));
}

TEST(BitmapHeader, RefusesPixelDataLargerThanTheFile)
{
    const Header header{800, 600, 24};
    EXPECT_FALSE(accepts(header, header.honestFileSize() - 1));
    EXPECT_FALSE(accepts(header, 54));
    EXPECT_FALSE(accepts(Header{8192, 8192, 32}, 54));
    Header beyondFile = header;
    beyondFile.pixelOffset = 1u << 31;
    EXPECT_FALSE(accepts(beyondFile, header.honestFileSize()));
    // Run-length data can't expand further than 128 pixels a byte.
    EXPECT_TRUE(accepts(Header{128, 100, 8, 1, 40, 54 + 1024}, 54 + 1024 + 100));
    EXPECT_FALSE(accepts(Header{8192, 8192, 8, 1, 40, 54 + 1024}, 54 + 1024 + 100));
    EXPECT_TRUE(accepts(Header{128, 100, 4, 2, 40, 54 + 64}, 54 + 64 + 100));
    // The coding fixes the depth: a 32-bit header would make SDL allocate four times as much.
    EXPECT_FALSE(accepts(Header{128, 100, 32, 1, 40, 54}, 54 + 100000));
    EXPECT_FALSE(accepts(Header{128, 100, 8, 2, 40, 54 + 1024}, 54 + 1024 + 100000));
    EXPECT_FALSE(accepts(Header{7, 5, 24, 3, 40, 54}));
}

TEST(BitmapLoader, LoadsAPictureAndRefusesABombUnread)
{
    QuizFolder folder;
    writeBitmap("picture.bmp", 5, 3, 0x123456);
    SDL_Surface* picture = loadBitmap("picture.bmp");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 5);
    EXPECT_EQ(picture->h, 3);
    SDL_FreeSurface(picture);

    const std::vector<unsigned char> bomb = Header{16000, 40000, 32}.bytes();
    std::ofstream("bomb.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bomb.data()), static_cast<std::streamsize>(bomb.size()));
    // Refusing the bomb must fit in 64 MB more than the test already uses.
    EXPECT_EXIT(
        {
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            std::ifstream status("/proc/self/statm");
            std::size_t pages = 0;
            status >> pages;
            limit.rlim_cur = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
            setrlimit(RLIMIT_AS, &limit);
            std::exit(loadBitmap("bomb.bmp") == nullptr ? 1 : 2);
        },
        testing::ExitedWithCode(1), "");

    EXPECT_EQ(loadBitmap("bomb.bmp"), nullptr);
    EXPECT_STREQ(SDL_GetError(), "bomb.bmp is not a picture this program can show");
    EXPECT_EQ(loadBitmap("missing.bmp"), nullptr);
}
