// Image files: what is written reads back, colour becomes grey by the luma
// weights, and broken files or failed writes are refused without leaving a
// file behind.
#include "find/image.h"

#include <gtest/gtest.h>
#include <cstdlib>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "find/finddefs.h"
#include "find_fixtures.h"
#include "vxstd12u/str.h"

namespace {

namespace fs = std::filesystem;
using find_fixtures::TempDir;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A w x h image whose pixel (x, y) is value(x, y).
template <class T, class F>
ccPelBuffer_const<T> makeImage(long w, long h, F value) {
    std::vector<T> pels;
    for (long y = 0; y < h; ++y)
        for (long x = 0; x < w; ++x) pels.push_back(static_cast<T>(value(x, y)));
    return ccPelBuffer_const<T>(w, h, std::move(pels));
}

template <class T>
ccPelBuffer_const<T> readAs(const std::string& path) {
    const ccImage image = cfReadImage(path);
    EXPECT_TRUE(std::holds_alternative<ccPelBuffer_const<T>>(image)) << path;
    return std::get<ccPelBuffer_const<T>>(image);
}

// ---- A colour PNG made by hand: stored (uncompressed) deflate blocks, so
// nothing but the file format itself stands between the samples written and
// the file.

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

void putBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string chunk(const std::string& type, const std::string& data) {
    std::string out;
    putBigEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    out += type + data;
    putBigEndian(out, crc32(type + data), 4);
    return out;
}

std::string zlibStored(const std::string& data) {
    std::string out = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (const unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    // One stored block holds up to 65535 bytes; the test images are small.
    out.push_back('\x01');
    const auto n = static_cast<std::uint16_t>(data.size());
    out += {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), static_cast<char>(~n & 0xFF),
            static_cast<char>((~n >> 8) & 0xFF)};
    out += data;
    putBigEndian(out, (b << 16) | a, 4);
    return out;
}

// One row of pixels, each pixel its channels (R, G, B[, A]); depth 8 or 16.
std::string colourPng(const std::vector<std::vector<std::uint32_t>>& row, int depth) {
    const int channels = static_cast<int>(row.front().size());
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(row.size()), 4);
    putBigEndian(header, 1, 4);
    header += {static_cast<char>(depth), static_cast<char>(channels == 4 ? 6 : 2), 0, 0, 0};
    std::string scanline(1, '\0');  // filter: none
    for (const auto& pixel : row)
        for (const std::uint32_t sample : pixel) putBigEndian(scanline, sample, depth / 8);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", zlibStored(scanline)) +
           chunk("IEND", "");
}

TEST(ImageFiles, EveryFormatGivesBackWhatWasWrittenAtEachDepthItTakes) {
    const TempDir dir;
    const auto grey8 =
        makeImage<unsigned char>(37, 23, [](long x, long y) { return (x * 7 + y * 11) % 256; });
    for (const std::string name : {"a.png", "a.tif", "a.tiff", "a.bmp", "a.pgm", "UPPER.PNG"}) {
        cfWriteImage(dir / name, grey8);
        EXPECT_EQ(readAs<unsigned char>(dir / name).pels(), grey8.pels()) << name;
    }
    const auto grey16 = makeImage<unsigned short>(
        37, 23, [](long x, long y) { return (x * 1777 + y * 2903) % 65536; });
    for (const std::string name : {"b.png", "b.tif", "b.pgm"}) {
        cfWriteImage(dir / name, grey16);
        EXPECT_EQ(readAs<unsigned short>(dir / name).pels(), grey16.pels()) << name;
    }
    // JPEG is lossy: a smooth image comes back close, at its size.
    const auto smooth =
        makeImage<unsigned char>(64, 48, [](long x, long y) { return 40 + 2 * x + y; });
    for (const std::string name : {"c.jpg", "c.jpeg"}) {
        cfWriteImage(dir / name, smooth);
        const auto back = readAs<unsigned char>(dir / name);
        ASSERT_EQ(back.width(), 64);
        ASSERT_EQ(back.height(), 48);
        for (long y = 0; y < 48; ++y)
            for (long x = 0; x < 64; ++x)
                EXPECT_NEAR(back.pel(x, y), smooth.pel(x, y), 3) << x << "," << y;
    }
    // The content chooses the decoder, not the name.
    fs::rename(dir / "b.png", dir / "b.data");
    EXPECT_EQ(readAs<unsigned short>(dir / "b.data").pels(), grey16.pels());
    EXPECT_EQ(cfImageWidth(cfReadImage(dir / "a.png")), 37);
    EXPECT_EQ(cfImageHeight(cfReadImage(dir / "b.data")), 23);
}

TEST(ImageFiles, ColourBecomesGreyByTheLumaWeightsAlphaDropped) {
    const TempDir dir;
    // Y = 0.299 R + 0.587 G + 0.114 B: 124.2, 153.16, 76.245, 29.07, 1.815.
    spit(dir / "rgb.png",
         colourPng({{200, 100, 50}, {10, 250, 30}, {255, 0, 0}, {0, 0, 255}, {1, 2, 3}}, 8));
    EXPECT_EQ(readAs<unsigned char>(dir / "rgb.png").pels(),
              (std::vector<unsigned char>{124, 153, 76, 29, 2}));
    // Transparent or opaque, the colour alone counts.
    spit(dir / "rgba.png", colourPng({{200, 100, 50, 0}, {10, 250, 30, 255}, {0, 0, 255, 9}}, 8));
    EXPECT_EQ(readAs<unsigned char>(dir / "rgba.png").pels(),
              (std::vector<unsigned char>{124, 153, 29}));
    // 21947 exactly and 35691.468.
    spit(dir / "rgb16.png", colourPng({{60000, 1000, 30000}, {12345, 54321, 999}}, 16));
    EXPECT_EQ(readAs<unsigned short>(dir / "rgb16.png").pels(),
              (std::vector<unsigned short>{21947, 35691}));
    // A colour PPM: the same weights, whatever the format.
    spit(dir / "rgb.ppm", std::string("P6\n2 1\n255\n") + "\xc8\x64\x32\x0a\xfa\x1e");
    EXPECT_EQ(readAs<unsigned char>(dir / "rgb.ppm").pels(),
              (std::vector<unsigned char>{124, 153}));
}

TEST(ImageFiles, UnreadableFilesAreRefusedNamingTheFileAndTheFault) {
    const TempDir dir;
    const auto grey =
        makeImage<unsigned char>(40, 30, [](long x, long y) { return (x * y) % 251; });
    std::vector<std::string> broken = {dir / "missing.png", dir / ""};
    spit(dir / "empty.png", "");
    spit(dir / "garbage.png", std::string(300, 'x'));
    broken.insert(broken.end(), {dir / "empty.png", dir / "garbage.png"});
    for (const std::string ext : {".png", ".jpg", ".tif", ".bmp", ".pgm"}) {
        cfWriteImage(dir / ("whole" + ext), grey);
        const std::string bytes = slurp(dir / ("whole" + ext));
        for (const double keep : {0.5, 0.95}) {
            const std::string cut = dir / ("cut" + std::to_string(keep) + ext);
            spit(cut, bytes.substr(0, static_cast<std::size_t>(bytes.size() * keep)));
            broken.push_back(cut);
        }
    }
    for (const std::string& path : broken) {
        try {
            cfReadImage(path);
            ADD_FAILURE() << path << " was read";
        } catch (const ccFindDefs::BadImage& e) {
            EXPECT_NE(cfNarrow(e.detail()).find(path), std::string::npos) << cfNarrow(e.detail());
        }
    }
}

TEST(ImageFiles, AFailedWriteLeavesNoFileAndTheOldOneAsItWas) {
    const TempDir dir;
    const auto grey8 = makeImage<unsigned char>(8, 8, [](long x, long y) { return x + y; });
    const auto grey16 =
        makeImage<unsigned short>(8, 8, [](long x, long y) { return 300 * (x + y); });
    const std::string kept = "what was there before";
    for (const std::string name : {"a.gif", "a.jpg", "a.bmp", "a.jpeg", "noextension", "a.png"})
        spit(dir / name, kept);
    const auto before = dir.names();
    const std::pair<std::string, ccImage> faults[] = {
        {"a.gif", grey8},        // a format not written
        {"noextension", grey8},  // no format named
        {"a.jpg", grey16},       // 8-bit formats refuse 16 bits
        {"a.jpeg", grey16},     {"a.bmp", grey16}, {"a.png", ccImage8()},  // nothing to write
        {"nodir/a.png", grey8},  // a folder that is not there
    };
    for (const auto& [name, image] : faults) {
        EXPECT_THROW(cfWriteImage(dir / name, image), ccFindDefs::BadImage) << name;
        EXPECT_EQ(dir.names(), before) << name;
    }
    for (const std::string& name : before) EXPECT_EQ(slurp(dir / name), kept) << name;
}

}  // namespace
