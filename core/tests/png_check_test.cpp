#include "core/png_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"

namespace rw {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

void PutBigEndian(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

Bytes Chunk(const char* type, const Bytes& data) {
    Bytes out;
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    Bytes named(type, type + 4);
    named.insert(named.end(), data.begin(), data.end());
    out.insert(out.end(), named.begin(), named.end());
    PutBigEndian(out, Crc32(0, named));
    return out;
}

Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour) {
    Bytes h;
    PutBigEndian(h, width);
    PutBigEndian(h, height);
    h.insert(h.end(), {depth, colour, 0, 0, 0});
    return h;
}

// A 2 x 1 gray image: one deflate block stored as is, the filter byte and two samples.
const Bytes kImageData = {0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFF,
                          0x00, 0x10, 0x20, 0x00, 0x43, 0x00, 0x31};

Bytes Png(const std::vector<Bytes>& chunks) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& c : chunks) {
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

Bytes GoodPng() {
    return Png({Chunk("IHDR", Header(2, 1, 8, 0)), Chunk("tEXt", Text("Title\0x")),
                Chunk("IDAT", kImageData), Chunk("IEND", {})});
}

// Where the n-th chunk (0: the header) begins.
size_t ChunkAt(const Bytes& png, int n) {
    size_t at = 8;
    for (int k = 0; k < n; ++k) {
        at += 12 + ((size_t{png[at]} << 24) | (size_t{png[at + 1]} << 16) |
                    (size_t{png[at + 2]} << 8) | png[at + 3]);
    }
    return at;
}

TEST(Crc32, IsTheChecksumOfPngChunksContinuedPieceByPiece) {
    EXPECT_EQ(0xCBF43926u, Crc32(0, Text("123456789")));
    EXPECT_EQ(0xAE426082u, Crc32(0, Text("IEND"))); // every PNG file ends with these bytes
    EXPECT_EQ(0xCBF43926u, Crc32(Crc32(0, Text("1234")), Text("56789")));
}

TEST(PngCheck, AnIntactFileIsIntactInPiecesOfAnySizeAndTrailingBytesDoNotMatter) {
    Bytes png = GoodPng();
    EXPECT_EQ(std::nullopt, CheckPng(png));
    for (size_t piece : {1u, 3u, 7u, 13u}) {
        PngChecker checker;
        for (size_t at = 0; at < png.size(); at += piece) {
            checker.Feed(
                std::span<const uint8_t>(png).subspan(at, std::min(piece, png.size() - at)));
        }
        EXPECT_TRUE(checker.Decided());
        EXPECT_EQ(std::nullopt, checker.Finish()) << piece;
    }
    png.insert(png.end(), {'x', 'y', 'z'});
    EXPECT_EQ(std::nullopt, CheckPng(png));
}

TEST(PngCheck, EveryTruncationIsDamage) {
    const Bytes png = GoodPng();
    for (size_t length = 0; length < png.size(); ++length) {
        EXPECT_EQ(PngDamage::Truncated, CheckPng(std::span<const uint8_t>(png).first(length)))
            << length;
    }
}

TEST(PngCheck, AWrongChecksumAnywhereIsDamage) {
    const Bytes good = GoodPng();
    // The checksums of the header and of the image data, with the data itself intact.
    for (int chunk : {0, 2}) {
        Bytes png = good;
        png[ChunkAt(good, chunk + 1) - 1] ^= 0x01;
        EXPECT_EQ(PngDamage::Checksum, CheckPng(png)) << chunk;
    }
    // Any changed bit of any byte up to the end chunk's.
    for (size_t at = 0; at < good.size(); ++at) {
        Bytes png = good;
        png[at] ^= 0x20;
        EXPECT_TRUE(CheckPng(png).has_value()) << at;
    }
}

TEST(PngCheck, DamagedSignaturesStillLookLikePng) {
    const Bytes good = GoodPng();
    EXPECT_TRUE(LooksLikePng(good));
    // A changed top bit, another letter, lower case, a space for the end-of-file byte.
    for (auto [at, value] : {std::pair<size_t, uint8_t>{0, 0x09}, {1, 'Q'}, {3, 'g'}, {6, ' '}}) {
        Bytes png = good;
        png[at] = value;
        EXPECT_TRUE(LooksLikePng(png)) << at;
        EXPECT_EQ(PngDamage::Signature, CheckPng(png)) << at;
    }
    // Line ends converted as if it were text: every LF gains a CR, or every CR a LF.
    for (const uint8_t lineEnd : {'\n', '\r'}) {
        Bytes png;
        for (const uint8_t b : good) {
            if (b == lineEnd) {
                png.push_back('\r');
                png.push_back('\n');
            } else {
                png.push_back(b);
            }
        }
        EXPECT_TRUE(LooksLikePng(png));
        EXPECT_TRUE(CheckPng(png).has_value());
    }
    for (const Bytes& other : {Text("BM6\0\0\0\0\0\0\0"), Text("II*\0\x08\0\0\0"), Bytes{},
                               Text("GIF89a"), Text("\xFF\xD8\xFF\xE0")}) {
        EXPECT_FALSE(LooksLikePng(other));
    }
}

TEST(PngCheck, HeadersNoImageHasAreDamage) {
    const auto with = [](const Bytes& header, std::vector<Bytes> before = {}) {
        std::vector<Bytes> chunks{Chunk("IHDR", header)};
        chunks.insert(chunks.end(), before.begin(), before.end());
        chunks.push_back(Chunk("IDAT", kImageData));
        chunks.push_back(Chunk("IEND", {}));
        return Png(chunks);
    };
    EXPECT_EQ(std::nullopt, CheckPng(with(Header(2, 1, 16, 0))));
    EXPECT_EQ(std::nullopt, CheckPng(with(Header(1, 1, 4, 3), {Chunk("PLTE", Bytes(48))})));
    // Bit depths 0, 3 and 99, colour types 1 and 9, a bit depth the colour type does not take,
    // no width, a compression method that does not exist.
    for (const Bytes& header : {Header(2, 1, 0, 0), Header(2, 1, 3, 0), Header(2, 1, 99, 0),
                                Header(2, 1, 8, 1), Header(2, 1, 8, 9), Header(2, 1, 4, 2),
                                Header(0, 1, 8, 0), Header(0x80000000u, 1, 8, 0)}) {
        EXPECT_EQ(PngDamage::Header, CheckPng(with(header)));
    }
    Bytes methods = Header(2, 1, 8, 0);
    methods[10] = 1;
    EXPECT_EQ(PngDamage::Header, CheckPng(with(methods)));
    Bytes longer = Header(2, 1, 8, 0);
    longer.push_back(0);
    EXPECT_EQ(PngDamage::Header, CheckPng(with(longer)));
}

TEST(PngCheck, MissingOrMisplacedChunksAreDamage) {
    const Bytes header = Chunk("IHDR", Header(2, 1, 8, 0));
    const Bytes data = Chunk("IDAT", kImageData), end = Chunk("IEND", {});
    EXPECT_EQ(PngDamage::MissingImageData, CheckPng(Png({header, end})));
    EXPECT_EQ(PngDamage::ChunkOrder, CheckPng(Png({data, header, end})));
    EXPECT_EQ(PngDamage::ChunkOrder, CheckPng(Png({header, header, data, end})));
    EXPECT_EQ(PngDamage::ChunkOrder, CheckPng(Png({Chunk("IHDR", Header(2, 1, 8, 3)), data, end})));
    EXPECT_EQ(PngDamage::ChunkType, CheckPng(Png({header, Chunk("ID@T", kImageData), end})));
    Bytes huge = Png({header});
    PutBigEndian(huge, 0x80000000u);
    EXPECT_EQ(PngDamage::ChunkLength, CheckPng(huge));
}

} // namespace
} // namespace rw
