#include <gtest/gtest.h>

#include "framework/WinApp.h"
#include "options/Settings.h"
#include "tests/TestSupport.h"

namespace {
// A name of its own, so this program never races another over the real key.
const char kApp[] = "WavorySettingsTest";

class Settings : public ::testing::Test {
protected:
    Settings() : scratch(settings::kRegistryKey, kApp), app(kApp) { app.SetRegistryKey(settings::kRegistryKey); }
    ScratchProfile scratch;
    CWinApp app;
};

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.nAvgBytesPerSec == b.nAvgBytesPerSec && a.nBlockAlign == b.nBlockAlign &&
           a.wBitsPerSample == b.wBitsPerSample && a.cbSize == b.cbSize;
}
}  // namespace

TEST_F(Settings, AFreshMachineSeesEveryDefaultAndNothingIsWritten) {
    using namespace settings;
    EXPECT_EQ(0, Read(app, kOutputTo));
    EXPECT_EQ("", Read(app, kOutputPath));
    EXPECT_EQ(0, Read(app, kVolumeNormalize));
    EXPECT_EQ(98, Read(app, kNormalizeValue));
    EXPECT_EQ(1, Read(app, kPromptBefore));
    EXPECT_EQ(0, Read(app, kDisplayInfo));
    EXPECT_EQ(0, Read(app, kNotDisplayErrInfo));
    EXPECT_EQ(0, Read(app, kFormat));
    EXPECT_EQ(1, Read(app, kCopyTags));
    EXPECT_TRUE(SameFormat(CdFormat(), ReadStoredFormat(app)));
    EXPECT_TRUE(ReadJobSettings(app).copyTags) << "tags are copied unless switched off";
    EXPECT_FALSE(scratch.Exists());
}

TEST_F(Settings, SectionsAndNamesAreTheStoredOnes) {
    using namespace settings;
    ASSERT_TRUE(Write(app, kNotDisplayErrInfo, 1));
    ASSERT_TRUE(Write(app, kFormat, 2));
    EXPECT_EQ(1u, app.GetProfileInt("Genenal", "NotDisplayErrInfo", 0));
    EXPECT_EQ(2u, app.GetProfileInt("WAV", "Format", 0));
    ASSERT_TRUE(Write(app, kCopyTags, 0));
    EXPECT_EQ(0u, app.GetProfileInt("Genenal", "CopyTags", 1));
    EXPECT_FALSE(ReadJobSettings(app).copyTags);
}

TEST_F(Settings, CdFormatIsTheFixedRecord) {
    WAVEFORMATEX cd = settings::CdFormat();
    EXPECT_EQ(WAVE_FORMAT_PCM, cd.wFormatTag);
    EXPECT_EQ(2, cd.nChannels);
    EXPECT_EQ(44100u, cd.nSamplesPerSec);
    EXPECT_EQ(176400u, cd.nAvgBytesPerSec);
    EXPECT_EQ(4, cd.nBlockAlign);
    EXPECT_EQ(16, cd.wBitsPerSample);
    EXPECT_EQ(0, cd.cbSize);
}

TEST_F(Settings, StoredFormatRoundTripsWithZeroExtraSize) {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 99};
    settings::WriteStoredFormat(app, format);
    WAVEFORMATEX back = settings::ReadStoredFormat(app);
    format.cbSize = 0;
    EXPECT_TRUE(SameFormat(format, back));
}

TEST_F(Settings, HandStoredSixteenBitValuesReadModulo65536ButRatesDoNot) {
    using namespace settings;
    ASSERT_TRUE(Write(app, kFormatTag, 0x10001));
    ASSERT_TRUE(Write(app, kChannels, 65538));
    ASSERT_TRUE(Write(app, kBlockAlign, 65536 + 4));
    ASSERT_TRUE(Write(app, kBitsPerSample, 131072 + 16));
    ASSERT_TRUE(Write(app, kSamplesPerSec, 192000));
    ASSERT_TRUE(Write(app, kAvgBytesPerSec, 768000));
    WAVEFORMATEX f = ReadStoredFormat(app);
    EXPECT_EQ(1, f.wFormatTag);
    EXPECT_EQ(2, f.nChannels);
    EXPECT_EQ(4, f.nBlockAlign);
    EXPECT_EQ(16, f.wBitsPerSample);
    EXPECT_EQ(192000u, f.nSamplesPerSec);
    EXPECT_EQ(768000u, f.nAvgBytesPerSec);
}

TEST_F(Settings, OutputToFixedWithMissingPathReadsAnEmptyFolder) {
    ASSERT_TRUE(settings::Write(app, settings::kOutputTo, settings::kOutputToFixedFolder));
    EXPECT_EQ("", settings::Read(app, settings::kOutputPath));
}
