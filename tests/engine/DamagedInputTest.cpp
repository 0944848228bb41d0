// Damaged WAV files made at test time from valid seeds (a fixed seed, so every
// run meets the same files): each one converted, or refused and told, never a
// crash, a hang, an output whose fields disagree, or a temporary file left.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "tests/engine/ConversionTest.h"

using namespace fixtures;

namespace {
using Mutation = std::function<void(std::vector<uint8_t>&)>;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (at + 4 <= b.size()) memcpy(&b[at], &v, 4);
}
void Put16At(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    if (at + 2 <= b.size()) memcpy(&b[at], &v, 2);
}

// Every header field set to values that break readers: 0, 1, odd and huge.
void AddFieldDamage(std::vector<Mutation>& all) {
    for (size_t at : {20, 22, 32, 34})
        for (uint16_t v : {0, 1, 3, 0x7FFF, 0xFFFF}) all.push_back([at, v](std::vector<uint8_t>& b) { Put16At(b, at, v); });
    for (size_t at : {24, 28})
        for (uint32_t v : {0u, 1u, 7u, 0x7FFFFFFFu, 0xFFFFFFFFu})
            all.push_back([at, v](std::vector<uint8_t>& b) { Put32(b, at, v); });
}

// The RIFF, "fmt " and "data" sizes: 0, odd, past the end and 0xFFFFFFFF.
void AddChunkSizeDamage(std::vector<Mutation>& all) {
    for (size_t at : {4, 16, 40})
        for (uint32_t v : {0u, 1u, 17u, 1000000u, 0xFFFFFFFFu})
            all.push_back([at, v](std::vector<uint8_t>& b) { Put32(b, at, v); });
}

void AddTruncations(std::vector<Mutation>& all) {
    for (size_t size : {0, 4, 11, 12, 20, 35, 36, 43, 44, 45, 47, 1001, 30001})
        all.push_back([size](std::vector<uint8_t>& b) { b.resize(std::min(size, b.size())); });
}

// Runs flipped or zeroed, mostly in the header where they matter.
void AddRuns(std::vector<Mutation>& all, std::mt19937& random, int count) {
    for (int i = 0; i < count; ++i) {
        size_t at = random() % 4 ? random() % 64 : random() % 40000;
        size_t length = 1 + random() % 16;
        bool flip = random() % 2;
        all.push_back([at, length, flip](std::vector<uint8_t>& b) {
            for (size_t k = at; k < at + length && k < b.size(); ++k) b[k] = flip ? b[k] ^ 0xFF : 0;
        });
    }
}

class DamagedInput : public ConversionTest {
protected:
    DamagedInput() : ConversionTest("WavoryDamagedTest") {
        env.Set(settings::kPromptBefore, 0);
    }
};
}  // namespace

TEST_F(DamagedInput, EveryDamagedWavIsConvertedSoundlyOrRefused) {
    std::mt19937 random(17);
    std::vector<Mutation> mutations;
    AddFieldDamage(mutations);
    AddChunkSizeDamage(mutations);
    AddTruncations(mutations);
    AddRuns(mutations, random, 200);
    const std::vector<uint8_t> seeds[] = {
        CanonicalWav(Pcm(2, 44100, 16), Tone16(22050, 2, 44100, 9000)),
        CanonicalWav(Pcm(1, 22050, 8), Counting(11025)),
    };
    int converted = 0, refused = 0;
    for (size_t i = 0; i < mutations.size(); ++i) {
        for (size_t s = 0; s < 2; ++s) {
            std::vector<uint8_t> bytes = seeds[s];
            mutations[i](bytes);
            env.Set(settings::kFormat, (i + s) % 2 ? settings::kFormatOriginal : settings::kFormatCd);
            std::string path = in + "\\damaged.wav";
            ASSERT_TRUE(WriteBytes(path, bytes));
            int result = Convert(path);
            std::string what = "mutation " + std::to_string(i) + " of seed " + std::to_string(s);
            ExpectSoundOrNothing(what, result);
            (result ? converted : refused)++;
        }
    }
    RecordProperty("damaged_wav", std::to_string(converted) + " converted, " + std::to_string(refused) + " refused");
    EXPECT_GT(refused, 0);
}
