#include <gtest/gtest.h>

#include "framework/RegKey.h"
#include "framework/WinApp.h"
#include "tests/TestSupport.h"

namespace {
const char kKey[] = "Tarn Sonelle";

class Profile : public ::testing::Test {
protected:
    Profile() : scratch(kKey, "Wavory"), app("Wavory") { app.SetRegistryKey(kKey); }
    ScratchProfile scratch;
    CWinApp app;
};
}  // namespace

TEST_F(Profile, MissingValuesGiveDefaultsAndReadingCreatesNothing) {
    EXPECT_EQ(7u, app.GetProfileInt("Genenal", "OutputTo", 7));
    EXPECT_EQ("dflt", app.GetProfileString("Genenal", "OutputPath", "dflt"));
    EXPECT_EQ("", app.GetProfileString("Genenal", "OutputPath"));
    EXPECT_FALSE(scratch.Exists()) << "a read must not create the key";
}

TEST_F(Profile, ValuesLiveUnderTheExactKeyPath) {
    ASSERT_TRUE(app.WriteProfileInt("Genenal", "OutputTo", 2));
    ASSERT_TRUE(app.WriteProfileString("Genenal", "OutputPath", "C:\\Out"));

    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Tarn Sonelle\\Wavory\\Genenal"));
    DWORD number = 0;
    ASSERT_EQ(ERROR_SUCCESS, key.QueryDWORD("OutputTo", number));
    EXPECT_EQ(2u, number);
    std::string text;
    ASSERT_EQ(ERROR_SUCCESS, key.QueryString("OutputPath", text));
    EXPECT_EQ("C:\\Out", text);
}

TEST_F(Profile, RoundTripsIntegersAndStrings) {
    ASSERT_TRUE(app.WriteProfileInt("WAV", "nSamplesPerSec", 96000));
    ASSERT_TRUE(app.WriteProfileInt("WAV", "Negative", -5));
    ASSERT_TRUE(app.WriteProfileString("WAV", "Name", "a b\\c"));
    EXPECT_EQ(96000u, app.GetProfileInt("WAV", "nSamplesPerSec", 0));
    EXPECT_EQ(-5, static_cast<int>(app.GetProfileInt("WAV", "Negative", 0)));
    EXPECT_EQ("a b\\c", app.GetProfileString("WAV", "Name", ""));
    ASSERT_TRUE(app.WriteProfileString("WAV", "Name", ""));
    EXPECT_EQ("", app.GetProfileString("WAV", "Name", "x"));
}

TEST_F(Profile, SixteenBitFieldsReadBackModulo65536) {
    ASSERT_TRUE(app.WriteProfileInt("WAV", "nChannels", 65538));
    EXPECT_EQ(2, static_cast<WORD>(app.GetProfileInt("WAV", "nChannels", 0)));
}

TEST_F(Profile, ValuesOfTheWrongTypeGiveTheDefault) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, "Software\\Tarn Sonelle\\Wavory\\Genenal"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetString("OutputTo", "2"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetDWORD("OutputPath", 3));
    EXPECT_EQ(0u, app.GetProfileInt("Genenal", "OutputTo", 0));
    EXPECT_EQ("", app.GetProfileString("Genenal", "OutputPath", ""));
}

TEST_F(Profile, StringStoredWithoutTerminatorIsReadSafely) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, "Software\\Tarn Sonelle\\Wavory\\Genenal"));
    const char raw[4] = {'C', ':', '\\', 'X'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "OutputPath", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(raw), sizeof(raw)));
    EXPECT_EQ("C:\\X", app.GetProfileString("Genenal", "OutputPath", ""));
}

TEST(ProfileWithoutKey, ReadsDefaultsAndRefusesWrites) {
    CWinApp app("Wavory");
    EXPECT_EQ(3u, app.GetProfileInt("Genenal", "OutputTo", 3));
    EXPECT_FALSE(app.WriteProfileInt("Genenal", "OutputTo", 1));
}

TEST(AppName, DefaultsToTheExecutableBaseName) {
    CWinApp app;
    EXPECT_EQ("framework_tests", app.m_strAppName);
    EXPECT_EQ(&app, AfxGetApp());
}
