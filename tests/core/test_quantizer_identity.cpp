// The quantizer's exact output, byte for byte, for a fixed set of pictures and settings. Stored
// pictures, effect previews and many expectations elsewhere rest on these results, so any change
// to the quantizer's speed work must leave every palette entry and every index as it was. The
// hashes below were recorded from the straightforward implementation, but for the palettes
// computed with 16 and 256 entries for the three 256 x 256 pictures, recorded again when k-means
// on many colours came to run on buckets of them. A mismatch prints the new hash so that a
// deliberate change of results can be recorded knowingly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/quantizer.h"

namespace {

struct Picture {
    std::string name;
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;
};

Picture Make(const std::string& name, int w, int h, const std::function<void(int, int, uint8_t*)>& fill)
{
    Picture p{name, w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 3)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) fill(x, y, p.bgr.data() + (size_t(y) * size_t(w) + size_t(x)) * 3);
    return p;
}

void Put(uint8_t* px, int r, int g, int b)
{
    px[0] = uint8_t(b);
    px[1] = uint8_t(g);
    px[2] = uint8_t(r);
}

// Raw engine words only: the distributions of <random> differ between libraries.
Picture Noise(int w, int h, uint32_t seed)
{
    std::mt19937 gen(seed);
    return Make("noise", w, h, [&](int, int, uint8_t* px) {
        const uint32_t v = gen();
        Put(px, int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF));
    });
}

Picture Gradient(int w, int h)
{
    return Make("gradient", w, h, [&](int x, int y, uint8_t* px) {
        Put(px, x * 255 / std::max(w - 1, 1), y * 255 / std::max(h - 1, 1), (x + y) * 255 / std::max(w + h - 2, 1));
    });
}

// Smooth shapes with a little grain, like a downscaled photograph: many near colours.
Picture PhotoLike(int w, int h)
{
    std::mt19937 gen(1234);
    return Make("photo", w, h, [&](int x, int y, uint8_t* px) {
        const int grain = int(gen() % 9) - 4;
        const int dx = x - w / 3, dy = y - h / 2;
        const int disc = dx * dx + dy * dy < (w / 4) * (w / 4) ? 90 : 0;
        const int r = std::clamp(40 + x * 180 / w + disc + grain, 0, 255);
        const int g = std::clamp(200 - y * 150 / h + grain / 2, 0, 255);
        const int b = std::clamp(60 + (x ^ y) % 64 + disc / 3 - grain, 0, 255);
        Put(px, r, g, b);
    });
}

Picture FewColours(int w, int h)
{
    static const int colours[5][3] = {{255, 0, 0}, {0, 128, 255}, {20, 20, 20}, {250, 250, 240}, {128, 128, 0}};
    return Make("few", w, h, [&](int x, int y, uint8_t* px) {
        const int* c = colours[(x / 7 + y / 5) % 5];
        Put(px, c[0], c[1], c[2]);
    });
}

// Grey levels halfway between the greys of TiePalette, and colours equally far from several
// entries: the lower index must win.
Picture Ties(int w, int h)
{
    return Make("ties", w, h, [&](int x, int y, uint8_t* px) {
        const int v = ((x + y * w) % 32) * 8 + 4;
        if ((x + y) % 3 == 0)
            Put(px, v, v, v);
        else if ((x + y) % 3 == 1)
            Put(px, 128, v, 128);
        else
            Put(px, 64, 64, 64);
    });
}

// Hundreds of colours packed into a few of the colour cube's smallest boxes: the box cuts give
// fewer clusters than asked for and k-means restarts the empty ones at the worst served colours.
Picture NearColours(int w, int h)
{
    return Make("near", w, h, [&](int x, int y, uint8_t* px) {
        Put(px, 100 + (x & 7), 100 + (y & 7), 100 + ((x >> 3) + (y >> 3) * 5) % 12);
    });
}

// A palette for mode 0 with repeated entries, greys in steps of 8 and a few strong colours.
std::vector<uint8_t> TiePalette()
{
    std::vector<uint8_t> pal(768);
    for (int i = 0; i < 256; ++i) {
        uint8_t* e = pal.data() + i * 3;
        if (i % 4 == 3) {  // a repeat of the entry before
            e[0] = e[-3];
            e[1] = e[-2];
            e[2] = e[-1];
        } else if (i % 8 == 5) {
            e[0] = uint8_t(i * 37);
            e[1] = uint8_t(255 - i);
            e[2] = uint8_t(i * 11);
        } else {
            const uint8_t v = uint8_t((i * 8) & 0xFF);
            e[0] = e[1] = e[2] = v;
        }
    }
    // The first few entries matter most when only 2 or 16 are used: make pairs tie there too.
    const uint8_t front[6][3] = {{0, 0, 0}, {255, 255, 255}, {128, 0, 128}, {128, 255, 128}, {64, 64, 64}, {64, 64, 64}};
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c) pal[size_t(i * 3 + c)] = front[i][c];
    return pal;
}

uint64_t Fnv(uint64_t h, const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

// One hash over the return value, the palette afterwards and every output byte of a run.
uint64_t RunHash(const Picture& p, int colors, int dither, int mode)
{
    std::vector<uint8_t> out(p.bgr.size(), 0xAB);
    std::vector<uint8_t> pal = TiePalette();
    const int32_t rc = quantizer(p.bgr.data(), out.data(), p.width, p.height, pal.data(), colors, dither, mode);
    uint64_t h = 14695981039346656037ull;
    const uint8_t rcByte = uint8_t(rc);
    h = Fnv(h, &rcByte, 1);
    h = Fnv(h, pal.data(), pal.size());
    return Fnv(h, out.data(), out.size());
}

struct Expected {
    int colors, dither, mode;
    uint64_t hash;
};

// Runs every setting on the picture and compares with the recorded hashes, listing each mismatch.
void CheckAll(const Picture& p, const std::vector<Expected>& expected)
{
    ASSERT_EQ(expected.size(), 18u) << "every colour count, dither and palette mode is recorded";
    for (const Expected& e : expected) {
        const uint64_t got = RunHash(p, e.colors, e.dither, e.mode);
        EXPECT_EQ(got, e.hash) << p.name << " " << p.width << "x" << p.height << " colors " << e.colors << " dither "
                               << e.dither << " mode " << e.mode << ": got 0x" << std::hex << got << "ull";
    }
}

}  // namespace

TEST(QuantizerIdentity, NoiseWithFixedSeed)
{
    CheckAll(Noise(256, 256, 42), {
        {2, 0, 0, 0x11ec750321ca927bull},
        {2, 0, 1, 0x932a6e2c8929d447ull},
        {2, 0, 2, 0x932a6e2c8929d447ull},
        {2, 1, 0, 0xd28fa726ebd46e86ull},
        {2, 1, 1, 0x932a6e2c8929d447ull},
        {2, 1, 2, 0x6ec09b988be67101ull},
        {16, 0, 0, 0xf38ff91566c5f469ull},
        {16, 0, 1, 0x31197c3d27233b72ull},
        {16, 0, 2, 0x31197c3d27233b72ull},
        {16, 1, 0, 0x1b861a8a6ccf32abull},
        {16, 1, 1, 0x31197c3d27233b72ull},
        {16, 1, 2, 0x25a5ed8454df3b91ull},
        {256, 0, 0, 0x0f8e999eefc3b339ull},
        {256, 0, 1, 0x3d91c903fe82d111ull},
        {256, 0, 2, 0x3d91c903fe82d111ull},
        {256, 1, 0, 0x95c1ab4c61f9d803ull},
        {256, 1, 1, 0x3d91c903fe82d111ull},
        {256, 1, 2, 0xff8f5bc244e6c293ull},
    });
}

TEST(QuantizerIdentity, Gradient)
{
    CheckAll(Gradient(256, 256), {
        {2, 0, 0, 0x79f21ea4cd1eae63ull},
        {2, 0, 1, 0x800dddb8e8fd6a79ull},
        {2, 0, 2, 0x800dddb8e8fd6a79ull},
        {2, 1, 0, 0x235892090337d7bcull},
        {2, 1, 1, 0x800dddb8e8fd6a79ull},
        {2, 1, 2, 0x48de348ed8d52421ull},
        {16, 0, 0, 0x4565771827c547c7ull},
        {16, 0, 1, 0x22eed22567405cdcull},
        {16, 0, 2, 0x22eed22567405cdcull},
        {16, 1, 0, 0x9127573b2ff88898ull},
        {16, 1, 1, 0x22eed22567405cdcull},
        {16, 1, 2, 0xb58278081900e3c1ull},
        {256, 0, 0, 0x9371e106c90fd166ull},
        {256, 0, 1, 0xe40082d26b510fb4ull},
        {256, 0, 2, 0xe40082d26b510fb4ull},
        {256, 1, 0, 0x3ef191571e83b90aull},
        {256, 1, 1, 0xe40082d26b510fb4ull},
        {256, 1, 2, 0x93050d166a517e91ull},
    });
}

TEST(QuantizerIdentity, PhotoLike)
{
    CheckAll(PhotoLike(256, 256), {
        {2, 0, 0, 0xfd51a4dded7a4612ull},
        {2, 0, 1, 0x79ff054b8e1cc408ull},
        {2, 0, 2, 0x79ff054b8e1cc408ull},
        {2, 1, 0, 0x270e9c5620ebffecull},
        {2, 1, 1, 0x79ff054b8e1cc408ull},
        {2, 1, 2, 0x3b255b5d0b3d8787ull},
        {16, 0, 0, 0x098bf0be8214762eull},
        {16, 0, 1, 0xcfb62dd9b5bdd1deull},
        {16, 0, 2, 0xcfb62dd9b5bdd1deull},
        {16, 1, 0, 0x669c4555db574ba1ull},
        {16, 1, 1, 0xcfb62dd9b5bdd1deull},
        {16, 1, 2, 0x6df00c736571caa2ull},
        {256, 0, 0, 0x96979cab367bca78ull},
        {256, 0, 1, 0x97ed0d09e4023450ull},
        {256, 0, 2, 0x97ed0d09e4023450ull},
        {256, 1, 0, 0x0ebffed0ed45389bull},
        {256, 1, 1, 0x97ed0d09e4023450ull},
        {256, 1, 2, 0x362c41ffb6e3b7deull},
    });
}

TEST(QuantizerIdentity, FewColours)
{
    CheckAll(FewColours(61, 47), {
        {2, 0, 0, 0xac65bc9f83856d8aull},
        {2, 0, 1, 0x41f04b2603977a97ull},
        {2, 0, 2, 0x41f04b2603977a97ull},
        {2, 1, 0, 0x260c9f653abce828ull},
        {2, 1, 1, 0x41f04b2603977a97ull},
        {2, 1, 2, 0x41f04b2603977a97ull},
        {16, 0, 0, 0xca26f236a08eb13aull},
        {16, 0, 1, 0xd9e0a41f3e466742ull},
        {16, 0, 2, 0xd9e0a41f3e466742ull},
        {16, 1, 0, 0xbf907e2268a96499ull},
        {16, 1, 1, 0xd9e0a41f3e466742ull},
        {16, 1, 2, 0xd9e0a41f3e466742ull},
        {256, 0, 0, 0xc70567a2e90dd507ull},
        {256, 0, 1, 0xd9e0a41f3e466742ull},
        {256, 0, 2, 0xd9e0a41f3e466742ull},
        {256, 1, 0, 0xd5387b4e3884afd9ull},
        {256, 1, 1, 0xd9e0a41f3e466742ull},
        {256, 1, 2, 0xd9e0a41f3e466742ull},
    });
}

TEST(QuantizerIdentity, SinglePixel)
{
    CheckAll(Make("pixel", 1, 1, [](int, int, uint8_t* px) { Put(px, 200, 100, 50); }), {
        {2, 0, 0, 0x13ef219fb6dc1821ull},
        {2, 0, 1, 0x943a5b7518c4619full},
        {2, 0, 2, 0x943a5b7518c4619full},
        {2, 1, 0, 0x13ef219fb6dc1821ull},
        {2, 1, 1, 0x943a5b7518c4619full},
        {2, 1, 2, 0x943a5b7518c4619full},
        {16, 0, 0, 0x13ef1b9fb6dc0defull},
        {16, 0, 1, 0x943a5b7518c4619full},
        {16, 0, 2, 0x943a5b7518c4619full},
        {16, 1, 0, 0x13ef1b9fb6dc0defull},
        {16, 1, 1, 0x943a5b7518c4619full},
        {16, 1, 2, 0x943a5b7518c4619full},
        {256, 0, 0, 0x13eec49fb6db7a1aull},
        {256, 0, 1, 0x943a5b7518c4619full},
        {256, 0, 2, 0x943a5b7518c4619full},
        {256, 1, 0, 0x13eec49fb6db7a1aull},
        {256, 1, 1, 0x943a5b7518c4619full},
        {256, 1, 2, 0x943a5b7518c4619full},
    });
}

TEST(QuantizerIdentity, EqualDistancesGoToTheLowerIndex)
{
    CheckAll(Ties(64, 64), {
        {2, 0, 0, 0xc78d5bde9f922c21ull},
        {2, 0, 1, 0x5242139d06eb75cdull},
        {2, 0, 2, 0x5242139d06eb75cdull},
        {2, 1, 0, 0xd0f61e8965dc02caull},
        {2, 1, 1, 0x5242139d06eb75cdull},
        {2, 1, 2, 0x9064ac9645869b37ull},
        {16, 0, 0, 0x26ab8a25d5fd576cull},
        {16, 0, 1, 0x0350983f61efb145ull},
        {16, 0, 2, 0x0350983f61efb145ull},
        {16, 1, 0, 0xad9140d4ba8e4e2bull},
        {16, 1, 1, 0x0350983f61efb145ull},
        {16, 1, 2, 0x5e16aa33f89d2996ull},
        {256, 0, 0, 0x0f608aa0597b017aull},
        {256, 0, 1, 0x4a6c5f060a6d9b40ull},
        {256, 0, 2, 0x4a6c5f060a6d9b40ull},
        {256, 1, 0, 0xaccd81d683cba329ull},
        {256, 1, 1, 0x4a6c5f060a6d9b40ull},
        {256, 1, 2, 0x4a6c5f060a6d9b40ull},
    });
}

TEST(QuantizerIdentity, SmallNoiseOddSize)
{
    CheckAll(Noise(37, 23, 7), {
        {2, 0, 0, 0x5f2af1f3ca564ce8ull},
        {2, 0, 1, 0xcbbe4d622e4bd423ull},
        {2, 0, 2, 0xcbbe4d622e4bd423ull},
        {2, 1, 0, 0x53ab71e5969ba62bull},
        {2, 1, 1, 0xcbbe4d622e4bd423ull},
        {2, 1, 2, 0xb2204fb667921256ull},
        {16, 0, 0, 0x2ec5923a5a613368ull},
        {16, 0, 1, 0x4ef1310f74a20594ull},
        {16, 0, 2, 0x4ef1310f74a20594ull},
        {16, 1, 0, 0x6d401fec8c329ca3ull},
        {16, 1, 1, 0x4ef1310f74a20594ull},
        {16, 1, 2, 0x126015056068e6c4ull},
        {256, 0, 0, 0x123afff9e4333af8ull},
        {256, 0, 1, 0x1f1874d5058b4c3aull},
        {256, 0, 2, 0x1f1874d5058b4c3aull},
        {256, 1, 0, 0x857a452c483b92bbull},
        {256, 1, 1, 0x1f1874d5058b4c3aull},
        {256, 1, 2, 0xa0c348c9847b27b0ull},
    });
}

TEST(QuantizerIdentity, EmptyClustersRestart)
{
    CheckAll(NearColours(48, 40), {
        {2, 0, 0, 0x5dba9703023a2263ull},
        {2, 0, 1, 0x57aa4fe44e96c326ull},
        {2, 0, 2, 0x57aa4fe44e96c326ull},
        {2, 1, 0, 0x1df7ad53996169d9ull},
        {2, 1, 1, 0x57aa4fe44e96c326ull},
        {2, 1, 2, 0x9b8e926dc8fcbcedull},
        {16, 0, 0, 0x27f3738113737669ull},
        {16, 0, 1, 0x871559937e99807eull},
        {16, 0, 2, 0x871559937e99807eull},
        {16, 1, 0, 0x47e4eb3ca1291229ull},
        {16, 1, 1, 0x871559937e99807eull},
        {16, 1, 2, 0xa57692b8c27a8e7eull},
        {256, 0, 0, 0x27f3738113737669ull},
        {256, 0, 1, 0x51c716295b447b93ull},
        {256, 0, 2, 0x51c716295b447b93ull},
        {256, 1, 0, 0xac96983126656c72ull},
        {256, 1, 1, 0x51c716295b447b93ull},
        {256, 1, 2, 0x998d250e193c21b4ull},
    });
}
