// Decoding of uncompressed TGA images from memory, and every kind it refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "demo/sample.h"
#include "model/tga_write.h"
#include "overlay/tga.h"

namespace {

// A type-2 TGA file of w x h pixels; pixel i has bytes (i, i+1, i+2[, i+3])
// in file order (blue, green, red[, alpha]).
std::vector<unsigned char> MakeTGA(int w, int h, int bpp) {
    std::vector<unsigned char> f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    f.push_back(w & 0xFF);
    f.push_back(w >> 8);
    f.push_back(h & 0xFF);
    f.push_back(h >> 8);
    f.push_back((unsigned char)bpp);
    f.push_back(bpp == 32 ? 8 : 0);
    int bytes = bpp / 8;
    for (int i = 0; i < w * h; i++)
        for (int k = 0; k < bytes; k++) f.push_back((unsigned char)(i * 7 + k));
    return f;
}

int Decode(const std::vector<unsigned char>& f, TGAImage* image, const char** why) {
    return DecodeTGA(f.data(), f.size(), image, why);
}

} // namespace

TEST(OverlayTga, DecodesTrueColourToRgbOrder) {
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        std::vector<unsigned char> f = MakeTGA(3, 2, bpp);
        f.insert(f.end(),
                 {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N'}); // trailing data is fine
        TGAImage image = {};
        image.texid = 77;
        const char* why = "unset";
        ASSERT_EQ(Decode(f, &image, &why), 1);
        EXPECT_EQ(why, nullptr);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.bpp, bpp);
        EXPECT_EQ(image.texid, 77u);
        int bytes = bpp / 8;
        for (int i = 0; i < 6; i++) {
            const unsigned char* p = image.pixels + i * bytes;
            EXPECT_EQ(p[0], (unsigned char)(i * 7 + 2)); // red from the third byte
            EXPECT_EQ(p[1], (unsigned char)(i * 7 + 1));
            EXPECT_EQ(p[2], (unsigned char)(i * 7 + 0));
            if (bytes == 4) {
                EXPECT_EQ(p[3], (unsigned char)(i * 7 + 3)); // alpha kept
            }
        }
        free(image.pixels);
    }
}

TEST(OverlayTga, RefusesEveryUnsupportedOrDamagedFile) {
    struct Case {
        const char* what;
        int offset; // byte to change, -1 for none
        unsigned char value;
        size_t keep; // bytes kept, 0 for all
    };
    const std::vector<unsigned char> good = MakeTGA(4, 4, 32);
    const Case cases[] = {
        {"run-length encoded (type 10)", 2, 10, 0},
        {"colour-mapped (type 1)", 2, 1, 0},
        {"colour map present", 1, 1, 0},
        {"image id field", 0, 5, 0},
        {"x origin", 8, 1, 0},
        {"y origin high byte", 11, 1, 0},
        {"colour-map length", 5, 3, 0},
        {"16 bits per pixel", 16, 16, 0},
        {"8 bits per pixel", 16, 8, 0},
        {"width 0", 12, 0, 0},
        {"height 0", 14, 0, 0},
        {"pixels cut short by one byte", -1, 0, 18 + 4 * 4 * 4 - 1},
        {"header only", -1, 0, 18},
        {"header cut short", -1, 0, 17},
        {"signature cut short", -1, 0, 5},
        {"empty file", -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> f = good;
        if (c.offset >= 0) f[c.offset] = c.value;
        if (c.keep || c.offset < 0) f.resize(c.keep);
        TGAImage image = {};
        image.width = -5; // untouched on failure
        const char* why = nullptr;
        EXPECT_EQ(DecodeTGA(f.data(), f.size(), &image, &why), 0);
        EXPECT_NE(why, nullptr);
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, -5);
    }
}

TEST(OverlayTga, ReadsSizesLowByteFirstAndRefusesAbsurdOnesBeforeAllocating) {
    std::vector<unsigned char> f = MakeTGA(258, 1, 24);
    int32_t w = 0, h = 0, bpp = 0;
    ASSERT_EQ(DecodeTGAHeader(f.data(), f.size(), &w, &h, &bpp, nullptr), 1);
    EXPECT_EQ(std::vector<int32_t>({w, h, bpp}), std::vector<int32_t>({258, 1, 24}));
    // 65535 x 65535 x 4 bytes announced by an 18-byte file.
    f = MakeTGA(1, 1, 32);
    f[12] = f[13] = f[14] = f[15] = 0xFF;
    TGAImage image = {};
    const char* why = nullptr;
    EXPECT_EQ(Decode(f, &image, &why), 0);
    EXPECT_STREQ(why, "image too large");
    // Just over the pixel limit is refused, just under is only short of data.
    f = MakeTGA(1, 1, 32);
    f[12] = 0x00;
    f[13] = 0x10; // 4096 wide
    f[14] = 0x01;
    f[15] = 0x10; // 4097 high: 4096*4097*4 > 64 MiB
    EXPECT_EQ(Decode(f, &image, &why), 0);
    EXPECT_STREQ(why, "image too large");
    f[14] = 0x00; // 4096 x 4096 x 4 = 64 MiB exactly
    EXPECT_EQ(Decode(f, &image, &why), 0);
    EXPECT_STREQ(why, "pixel data cut short");
}

TEST(OverlayTga, EncodedImagesDecodeToTheirOwnPixels) {
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 3 * 2 * bpp / 8; i++) pixels.push_back((uint8_t)(i * 11 + 1));
        std::vector<uint8_t> file = EncodeTGA(3, 2, bpp, pixels.data());
        TGAImage image = {};
        const char* why = nullptr;
        ASSERT_EQ(DecodeTGA(file.data(), file.size(), &image, &why), 1) << why;
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + pixels.size()), pixels);
        free(image.pixels);
    }
    uint8_t pixel[4] = {};
    EXPECT_TRUE(EncodeTGA(0, 1, 24, pixel).empty());
    EXPECT_TRUE(EncodeTGA(1, 1, 16, pixel).empty());

    std::vector<uint8_t> skin = BuildSampleSkinTGA();
    int32_t w = 0, h = 0, bpp = 0;
    EXPECT_EQ(DecodeTGAHeader(skin.data(), skin.size(), &w, &h, &bpp, nullptr), 1);
    EXPECT_EQ(std::vector<int32_t>({w, h, bpp}), std::vector<int32_t>({128, 128, 24}));
    EXPECT_EQ(skin.size(), 18u + 128 * 128 * 3);
}
