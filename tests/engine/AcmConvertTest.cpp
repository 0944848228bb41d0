#include <gtest/gtest.h>

#include "decoders/AcmConvert.h"
#include "tests/engine/AcmPump.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;


TEST(Acm, IdenticalFormatsGoThroughAStreamUnchanged) {
    WAVEFORMATEX cd = Pcm(2, 44100, 16);
    std::vector<uint8_t> data = Counting(176400 * 2 + 1000);
    EXPECT_EQ(data, Pump(cd, cd, data, kAcmSourceBufferSize));
}

TEST(Acm, UnconsumedTailOfPartialBlocksIsCarriedWithNoByteLostOrRepeated) {
    // Fills of 1001 bytes never hold whole 4-byte blocks: ACM leaves the tail.
    WAVEFORMATEX cd = Pcm(2, 44100, 16);
    std::vector<uint8_t> data = Counting(40000);
    std::vector<uint8_t> out = Pump(cd, cd, data, 1001);
    EXPECT_EQ(data, out);
}

TEST(Acm, ConvertReportsExactlyTheIncompleteBlockAsLeftover) {
    WAVEFORMATEX cd = Pcm(2, 44100, 16);
    DWORD destinationSize = 0;
    BYTE *src = nullptr, *dst = nullptr;
    ASSERT_EQ(1, AcmOpenStream(cd, kAcmSourceBufferSize, cd, &destinationSize, &src, &dst));
    EXPECT_GE(destinationSize, kAcmSourceBufferSize);
    DWORD leftover = 99, produced = 99;
    ASSERT_EQ(1, AcmConvert(10, &leftover, &produced));
    EXPECT_EQ(2u, leftover);
    EXPECT_EQ(8u, produced);
    ASSERT_EQ(1, AcmConvert(3, &leftover, &produced)) << "a call that produces nothing still succeeds";
    EXPECT_EQ(3u, leftover);
    EXPECT_EQ(0u, produced);
    EXPECT_EQ(1, AcmCloseStream(kAcmSourceBufferSize, destinationSize));
}

TEST(Acm, LowQualityMonoToCdAndBackKeepsLengthAndShape) {
    WAVEFORMATEX low = Pcm(1, 22050, 8), cd = Pcm(2, 44100, 16);
    std::vector<uint8_t> data(22050);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(128 + 100 * std::sin(i * 0.05));
    std::vector<uint8_t> up = Pump(low, cd, data, kAcmSourceBufferSize);
    EXPECT_EQ(176400u, up.size()) << "one second of mono 22.05 kHz is one second of CD audio";
    // Every other output frame lands on a source sample: 8-bit x widened to 16 bits.
    for (size_t i = 2000; i < 2100; ++i) {
        int left = S16(up, 4 * i), right = S16(up, 4 * i + 1);
        EXPECT_EQ(left, right) << "mono copied to both channels";
        EXPECT_NEAR((data[i] - 128) * 256, left, 256) << "at source sample " << i;
    }
    std::vector<uint8_t> down = Pump(cd, low, up, kAcmSourceBufferSize);
    ASSERT_EQ(22050u, down.size());
    for (size_t i = 2000; i < 2100; ++i) EXPECT_NEAR(data[i], down[i], 2) << "and back, at sample " << i;
}

TEST(Acm, AFormatNoDriverTakesIsRefusedAndLeavesNothingOpen) {
    WAVEFORMATEX odd = Pcm(2, 44100, 16);
    odd.wFormatTag = 0x7A7A;
    DWORD destinationSize = 0;
    BYTE *src = nullptr, *dst = nullptr;
    EXPECT_EQ(0, AcmOpenStream(odd, kAcmSourceBufferSize, Pcm(2, 44100, 16), &destinationSize, &src, &dst));
    EXPECT_EQ(0, AcmCloseStream(kAcmSourceBufferSize, destinationSize)) << "nothing to close";
    // The state is free for the next file.
    WAVEFORMATEX cd = Pcm(2, 44100, 16);
    ASSERT_EQ(1, AcmOpenStream(cd, kAcmSourceBufferSize, cd, &destinationSize, &src, &dst));
    EXPECT_EQ(1, AcmCloseStream(kAcmSourceBufferSize, destinationSize));
}
