// A fixture for tests that convert files one at a time: settings under a key of
// their own, an in and an out folder for each test, the batch aimed at out.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>

#include "decoders/FormatCheck.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/PathRules.h"
#include "tests/engine/EngineFixtures.h"

namespace fixtures {

// A file that tools/make-fixtures.sh made, seen from the results folder.
inline std::string FixturePath(const std::string& name) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return std::string(cwd) + "\\..\\..\\fixtures\\" + name;
}

// The header of one of our wide or float outputs, field by field: JUNK kept
// for ds64, the extensible format, a fact chunk for float, the sizes.
inline void ExpectExtensibleHeader(const WavChunks& w, const WAVEFORMATEX& f, uint64_t dataBytes) {
    ASSERT_TRUE(w.ok) << "no fmt and data chunks";
    EXPECT_EQ("RIFF", w.form);
    ASSERT_GE(w.chunks.size(), 3u);
    EXPECT_EQ("JUNK", w.chunks[0].tag) << "room for ds64 comes first";
    EXPECT_EQ(28u, w.chunks[0].size);
    ASSERT_EQ("fmt ", w.chunks[1].tag);
    const size_t fmt = w.chunks[1].body;
    EXPECT_EQ(40u, w.chunks[1].size);
    EXPECT_EQ(0xFFFE, w.U16(fmt)) << "WAVE_FORMAT_EXTENSIBLE";
    EXPECT_EQ(f.nChannels, w.U16(fmt + 2));
    EXPECT_EQ(f.nSamplesPerSec, w.U32(fmt + 4));
    EXPECT_EQ(f.nAvgBytesPerSec, w.U32(fmt + 8));
    EXPECT_EQ(f.nBlockAlign, w.U16(fmt + 12));
    EXPECT_EQ(f.wBitsPerSample, w.U16(fmt + 14));
    EXPECT_EQ(22, w.U16(fmt + 16)) << "cbSize";
    EXPECT_EQ(f.wBitsPerSample, w.U16(fmt + 18)) << "valid bits";
    EXPECT_EQ(f.nChannels == 1 ? 0x4u : 0x3u, w.U32(fmt + 20)) << "channel mask";
    const uint8_t guid[16] = {static_cast<uint8_t>(f.wFormatTag), 0, 0, 0, 0x00, 0x00, 0x10, 0x00,
                              0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    EXPECT_EQ(0, memcmp(&w.bytes[fmt + 24], guid, 16)) << "KSDATAFORMAT_SUBTYPE_PCM or _IEEE_FLOAT";
    const WavChunks::Chunk* fact = w.Find("fact");
    EXPECT_EQ(f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT, fact != nullptr) << "a fact chunk for float, only";
    if (fact) {
        EXPECT_EQ(4u, fact->size);
        EXPECT_EQ(dataBytes / f.nBlockAlign, w.U32(fact->body)) << "frames in fact";
    }
    const WavChunks::Chunk* data = w.Find("data");
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(dataBytes, data->size);
    EXPECT_EQ(w.bytes.size() - 8, w.formSize) << "RIFF size, pad byte included";
    EXPECT_EQ(data->body + dataBytes + (dataBytes & 1), w.bytes.size()) << "an odd data chunk is padded";
}

class ConversionTest : public ::testing::Test {
protected:
    explicit ConversionTest(const char* appName)
        : env(appName), folder(TestFolderName()) {
        out = folder.MakeDir("out");
        in = folder.MakeDir("in");
        BatchState& b = TestBatch();
        b.outputFolder = out.c_str();
        b.stopRequested = 0;
        b.processedCount = 0;
        b.totalCount = 1;
        b.fileChanged = 0;
        events.Reset();
    }
    // The engine tells; it never shows a box itself.
    ~ConversionTest() override {
        EXPECT_EQ(0u, boxes.Count()) << "the engine showed a box:\n" << boxes.Texts();
        events.Reset();  // no action of this test's stays behind
    }
    // A thread object made now reads the settings as they stand.
    int Convert(const std::string& source, CDecodeThread* custom = nullptr) {
        CTestThread own;
        CDecodeThread& t = custom ? *custom : own;
        return t.ConvertFile(GetFileType(source.c_str()), source.c_str());
    }
    // What a conversion may leave: either no file, or one sound, self-consistent
    // WAV of at most maxData bytes (then removed, for the next one).
    void ExpectSoundOrNothing(const std::string& what, int result, size_t maxData = SIZE_MAX) {
        std::vector<std::string> left = FilesIn(out);
        ASSERT_LE(left.size(), 1u) << what;
        if (result == 0) {
            EXPECT_TRUE(left.empty()) << what << ": a refused file left " << (left.empty() ? "" : left[0]);
            return;
        }
        ASSERT_EQ(1u, left.size()) << what << ": converted, but no output";
        WavFile w = ReadOutput(out + "\\" + left[0]);
        EXPECT_TRUE(w.ok) << what << ": the output is no WAV file";
        EXPECT_EQ(w.data.size(), w.dataSize) << what;
        EXPECT_EQ(w.fileSize - 8, w.riffSize) << what << ": the RIFF size is not where the file ends";
        EXPECT_LE(w.data.size(), maxData) << what << ": runaway output";
        EXPECT_TRUE(IsConsistentFormat(w.format)) << what << ": the output's format fields disagree";
        DeleteFileA((out + "\\" + left[0]).c_str());
    }
    // The output of a source, read back.
    WavFile OutputOf(const std::string& source) const {
        std::string name = FileNamePart(source.c_str());
        return ReadOutput(out + "\\" + name.substr(0, name.rfind('.')) + ".wav");
    }
    EngineApp env;
    TestFolder folder;
    std::string in, out;
    CRecordingEvents& events = TestEvents();
    MessageBoxRecorder boxes;
};

}  // namespace fixtures
