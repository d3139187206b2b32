// The image decoders against known pixels: one small asymmetric picture,
// written by the test in every TGA variant (both row orders, grey, 24 and 32
// bits, raw and run-length encoded), as PNG and as JPEG, decodes to the same
// pixels, rows bottom first; damaged, cut and unsupported files are refused
// with the image untouched; reading a file goes to the decoder its bytes name.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/jpeg.h"
#include "image/png.h"
#include "image/tga.h"
#include "demo/sample.h"

namespace {

constexpr int W = 5, H = 3; // odd sizes: 24-bit rows are no multiple of 4 bytes

// The picture, rows top first as PNG and JPEG store them: a colour per pixel
// that differs in every row and column, so any flip or shift shows. Flat
// blocks of colour would hide a flip; JPEG at quality 100 without colour
// subsampling stays within a few levels of it.
std::vector<uint8_t> TopFirst(int channels) {
    std::vector<uint8_t> p;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            p.push_back((uint8_t)(40 + 50 * x));
            p.push_back((uint8_t)(30 + 90 * y));
            p.push_back((uint8_t)(200 - 40 * x));
            if (channels == 4) p.push_back((uint8_t)(255 - 60 * y));
        }
    return p;
}

std::vector<uint8_t> Flipped(std::vector<uint8_t> p, int channels) {
    FlipImageRows(p.data(), W, H, channels);
    return p;
}

std::vector<uint8_t> Grey(const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> g;
    for (size_t i = 0; i < rgb.size(); i += 3) g.push_back(rgb[i + 1]);
    return g;
}

// A TGA file of the picture: type 2/3 raw, 10/11 one run-length packet per
// pixel pair where they are equal (never here) or raw packets of up to 4.
std::vector<uint8_t> WriteTGA(int type, int bpp, bool topFirst) {
    int stored = bpp / 8;
    std::vector<uint8_t> rgb = TopFirst(stored == 4 ? 4 : 3);
    if (!topFirst) rgb = Flipped(rgb, stored == 4 ? 4 : 3);
    std::vector<uint8_t> pixels; // in file byte order
    for (int i = 0; i < W * H; i++) {
        const uint8_t* p = &rgb[(size_t)i * (stored == 4 ? 4 : 3)];
        if (stored == 1) {
            pixels.push_back(p[1]);
        } else {
            pixels.insert(pixels.end(), {p[2], p[1], p[0]});
            if (stored == 4) pixels.push_back(p[3]);
        }
    }
    std::vector<uint8_t> f = {3,
                              0,
                              (uint8_t)type,
                              0,
                              0,
                              0,
                              0,
                              0,
                              0,
                              0,
                              0,
                              0,
                              W,
                              0,
                              H,
                              0,
                              (uint8_t)bpp,
                              (uint8_t)((bpp == 32 ? 8 : 0) | (topFirst ? 0x20 : 0))};
    f.insert(f.end(), {'i', 'd', '!'}); // an image id field of 3 bytes
    if (type < 9) {
        f.insert(f.end(), pixels.begin(), pixels.end());
    } else {
        // A raw packet of the first 4 pixels, then the rest in repeat
        // packets of one pixel, then raw again: packets cross rows.
        f.push_back(0x03);
        f.insert(f.end(), pixels.begin(), pixels.begin() + 4 * stored);
        for (int i = 4; i < W * H; i++) {
            f.push_back(0x80);
            f.insert(f.end(), pixels.begin() + i * stored, pixels.begin() + (i + 1) * stored);
        }
    }
    return f;
}

void ExpectPixels(const Image& image, const std::vector<uint8_t>& want, int channels, int slack) {
    ASSERT_EQ(image.width, W);
    ASSERT_EQ(image.height, H);
    ASSERT_EQ(image.channels, channels);
    ASSERT_EQ(image.pixels.size(), want.size());
    int worst = 0;
    for (size_t i = 0; i < want.size(); i++)
        worst = std::max(worst, abs(image.pixels[i] - want[i]));
    EXPECT_LE(worst, slack);
}

} // namespace

TEST(ImageDecode, EveryFormatAndVariantGivesTheSamePixelsBottomRowFirst) {
    const std::vector<uint8_t> rgb = Flipped(TopFirst(3), 3), rgba = Flipped(TopFirst(4), 4);
    std::vector<uint8_t> grey;
    for (uint8_t g : Grey(rgb)) grey.insert(grey.end(), {g, g, g});
    struct Case {
        const char* what;
        int type, bpp;
        const std::vector<uint8_t>* want;
        int channels;
    } cases[] = {
        {"24-bit", 2, 24, &rgb, 3},
        {"32-bit", 2, 32, &rgba, 4},
        {"grey", 3, 8, &grey, 3},
        {"24-bit run-length", 10, 24, &rgb, 3},
        {"32-bit run-length", 10, 32, &rgba, 4},
        {"grey run-length", 11, 8, &grey, 3},
    };
    for (const Case& c : cases) {
        for (bool topFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.what) +
                         (topFirst ? ", top row first" : ", bottom row first"));
            std::vector<uint8_t> file = WriteTGA(c.type, c.bpp, topFirst);
            file.insert(file.end(), {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N'});
            Image image;
            const char* why = "unset";
            ASSERT_TRUE(DecodeImage(file.data(), file.size(), &image, &why)) << why;
            EXPECT_EQ(why, nullptr);
            ExpectPixels(image, *c.want, c.channels, 0);
        }
    }

    std::string reason;
    for (int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        std::vector<uint8_t> png;
        ASSERT_TRUE(EncodePNG(TopFirst(channels).data(), W, H, channels, &png, &reason)) << reason;
        Image image;
        const char* why = nullptr;
        ASSERT_TRUE(DecodeImage(png.data(), png.size(), &image, &why)) << why;
        ExpectPixels(image, channels == 3 ? rgb : rgba, channels, 0);
    }
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive JPEG" : "baseline JPEG");
        std::vector<uint8_t> jpeg = EncodeJPEG(TopFirst(3).data(), W, H, 100, progressive);
        ASSERT_FALSE(jpeg.empty());
        Image image;
        const char* why = nullptr;
        ASSERT_TRUE(DecodeImage(jpeg.data(), jpeg.size(), &image, &why)) << why;
        ExpectPixels(image, rgb, 3, 4); // lossy even at quality 100: close, not exact
    }
}

TEST(ImageDecode, RefusesDamagedCutAndUnsupportedFilesLeavingTheImageAlone) {
    std::string reason;
    std::vector<uint8_t> png, jpeg = EncodeJPEG(TopFirst(3).data(), W, H, 90, false);
    ASSERT_TRUE(EncodePNG(TopFirst(3).data(), W, H, 3, &png, &reason));
    const std::vector<uint8_t> tga = WriteTGA(2, 32, false), runs = WriteTGA(10, 24, true);
    struct Case {
        const char* what;
        const std::vector<uint8_t>* file;
        int offset; // byte to change (below -1: counted from the end), -1 for none
        uint8_t value;
        long keep; // bytes kept (negative: that many fewer), 0 for all
        const char* why;
    } cases[] = {
        {"colour-mapped TGA", &tga, 2, 1, 0, "colour-mapped images are not supported"},
        {"unknown TGA type", &tga, 2, 7, 0, "not a true-colour or grey TGA image"},
        {"16-bit TGA", &tga, 16, 16, 0, "bits per pixel is not 24 or 32"},
        {"16-bit grey TGA", &tga, 2, 3, 0, nullptr},
        {"TGA width 0", &tga, 12, 0, 0, "image width or height is 0"},
        {"TGA pixels cut by a byte", &tga, -1, 0, -1, "pixel data cut short"},
        {"TGA id field past the end", &tga, 0, 255, 30, "pixel data cut short"},
        {"run-length TGA cut in a packet", &runs, -1, 0, -2, "pixel data cut short"},
        {"TGA header cut", &tga, -1, 0, 17, "file too short for a TGA header"},
        {"empty file", &tga, -1, 0, -(long)tga.size(), "empty"},
        {"PNG cut short", &png, -1, 0, -20, nullptr},
        {"PNG with damaged image data", &png, -18, 0x55, 0, nullptr},
        {"PNG signature only", &png, -1, 0, 8, nullptr},
        {"JPEG cut short", &jpeg, -1, 0, -40, nullptr},
        {"JPEG with a damaged header", &jpeg, 3, 0x00, 0, nullptr},
        {"JPEG marker only", &jpeg, -1, 0, 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> f = *c.file;
        if (c.offset >= 0) f[(size_t)c.offset] = c.value;
        if (c.offset < -1) f[f.size() - (size_t)-c.offset] ^= c.value;
        if (c.keep > 0) f.resize((size_t)c.keep);
        if (c.keep < 0) f.resize(f.size() - (size_t)-c.keep);
        Image image;
        image.width = -5;
        const char* why = nullptr;
        EXPECT_FALSE(DecodeImage(f.data(), f.size(), &image, &why));
        ASSERT_NE(why, nullptr);
        if (c.why) {
            EXPECT_STREQ(why, c.why);
        }
        EXPECT_EQ(image.width, -5);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(ImageDecode, SizesAreReadLowByteFirstAndAbsurdOnesRefusedBeforeAllocating) {
    std::vector<uint8_t> f = WriteTGA(2, 32, false);
    TGAHeader h;
    f[12] = 2, f[13] = 1; // 258 wide
    ASSERT_TRUE(DecodeTGAHeader(f.data(), f.size(), &h, nullptr));
    EXPECT_EQ(h.width, 258);
    EXPECT_EQ(h.pixel_offset, 18u + 3);
    const char* why = nullptr;
    Image image;
    // 65535 x 65535 x 4 bytes announced by a small file.
    f[12] = f[13] = f[14] = f[15] = 0xFF;
    EXPECT_FALSE(DecodeTGA(f.data(), f.size(), &image, &why));
    EXPECT_STREQ(why, "image too large");
    // Just over the pixel limit is refused, at the limit only short of data.
    f[12] = 0x00, f[13] = 0x10; // 4096 wide
    f[14] = 0x01, f[15] = 0x10; // 4097 high: 4096 * 4097 * 4 > 64 MiB
    EXPECT_FALSE(DecodeTGA(f.data(), f.size(), &image, &why));
    EXPECT_STREQ(why, "image too large");
    f[14] = 0x00; // 4096 x 4096 x 4 = 64 MiB exactly
    EXPECT_FALSE(DecodeTGA(f.data(), f.size(), &image, &why));
    EXPECT_STREQ(why, "pixel data cut short");
    // A PNG header announcing more than the limit is refused before decoding.
    std::vector<uint8_t> png;
    std::string reason;
    ASSERT_TRUE(EncodePNG(TopFirst(4).data(), W, H, 4, &png, &reason));
    png[16] = 0, png[17] = 0, png[18] = 0x20, png[19] = 0; // width 8192 (IHDR CRC now wrong)
    png[20] = 0, png[21] = 0, png[22] = 0x20, png[23] = 0;
    EXPECT_FALSE(DecodeImage(png.data(), png.size(), &image, &why));
    EXPECT_TRUE(image.pixels.empty());
}

TEST(ImageDecode, EncodedTGAsAndTheDemoSkinReadBackThroughFiles) {
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        std::vector<uint8_t> pixels = Flipped(TopFirst(bpp / 8), bpp / 8);
        std::vector<uint8_t> file = EncodeTGA(W, H, bpp, pixels.data());
        std::string path = ::testing::TempDir() + "image_decode.tga";
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_TRUE(out);
        fwrite(file.data(), 1, file.size(), out);
        fclose(out);
        Image image;
        const char* why = nullptr;
        ASSERT_TRUE(ReadImageFile(path.c_str(), &image, &why)) << why;
        ExpectPixels(image, pixels, bpp / 8, 0);
        remove(path.c_str());
        EXPECT_FALSE(ReadImageFile(path.c_str(), &image, &why));
        EXPECT_STREQ(why, "cannot be opened");
    }
    uint8_t pixel[4] = {};
    EXPECT_TRUE(EncodeTGA(0, 1, 24, pixel).empty());
    EXPECT_TRUE(EncodeTGA(1, 1, 16, pixel).empty());

    std::vector<uint8_t> skin = BuildSampleSkinTGA();
    Image image;
    const char* why = nullptr;
    ASSERT_TRUE(DecodeImage(skin.data(), skin.size(), &image, &why)) << why;
    EXPECT_EQ(std::vector<int32_t>({image.width, image.height, image.channels}),
              std::vector<int32_t>({128, 128, 3}));
    EXPECT_EQ(skin.size(), 18u + 128 * 128 * 3);
}
