#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "acmdriver/AcmDriverAbi.h"
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

namespace {
// A codec of a made-up tag whose word cannot be trusted: it claims more output
// than the buffer holds, more input than it was given, and can fail unprepare.
constexpr WORD kLiarTag = 0x7A7B;
struct LiarScript {
    DWORD extraProduced = 0;
    DWORD extraUsed = 0;
    bool failUnprepare = false;
    int closes = 0;
};
LiarScript g_liar;

LRESULT LiarTagDetails(ACMFORMATTAGDETAILSW* tag, DWORD flags) {
    DWORD query = flags & ACM_FORMATTAGDETAILSF_QUERYMASK;
    if (query == ACM_FORMATTAGDETAILSF_INDEX) {
        if (tag->dwFormatTagIndex > 1) return ACMERR_NOTPOSSIBLE;
        tag->dwFormatTag = tag->dwFormatTagIndex == 0 ? kLiarTag : WAVE_FORMAT_PCM;
    } else if (tag->dwFormatTag != kLiarTag && tag->dwFormatTag != WAVE_FORMAT_PCM) {
        return ACMERR_NOTPOSSIBLE;
    }
    tag->dwFormatTagIndex = tag->dwFormatTag == kLiarTag ? 0 : 1;
    tag->cbFormatSize = sizeof(WAVEFORMATEX);
    tag->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    tag->cStandardFormats = 0;
    tag->szFormatTag[0] = L'\0';
    return MMSYSERR_NOERROR;
}

LRESULT LiarDetails(ACMDRIVERDETAILSW* details) {
    ACMDRIVERDETAILSW d{};
    d.cbStruct = details->cbStruct < sizeof(d) ? details->cbStruct : sizeof(d);
    d.fccType = ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC;
    d.wMid = 0xFFFF;
    d.wPid = 2;
    d.vdwACM = 0x03320000;
    d.fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    d.cFormatTags = 2;
    wcscpy(d.szShortName, L"Liar");
    memcpy(details, &d, d.cbStruct);
    return MMSYSERR_NOERROR;
}

LRESULT LiarConvert(AcmDrvStreamHeader* header) {
    DWORD n = std::min(header->cbSrcLength, header->cbDstLength);
    memcpy(header->pbDst, header->pbSrc, n);
    header->cbSrcLengthUsed = n + g_liar.extraUsed;
    header->cbDstLengthUsed = n + g_liar.extraProduced;
    return MMSYSERR_NOERROR;
}

// Callers built by other compilers keep the stack only 4-byte aligned.
__attribute__((force_align_arg_pointer)) LRESULT CALLBACK LiarProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    auto* instance = reinterpret_cast<AcmDrvStreamInstance*>(lParam1);
    switch (message) {
    case DRV_LOAD: case DRV_FREE: case DRV_ENABLE: case DRV_DISABLE: case DRV_CLOSE: case DRV_OPEN:
        return 1;
    case kAcmdmDriverDetails:
        return LiarDetails(reinterpret_cast<ACMDRIVERDETAILSW*>(lParam1));
    case kAcmdmFormatTagDetails:
        return LiarTagDetails(reinterpret_cast<ACMFORMATTAGDETAILSW*>(lParam1), static_cast<DWORD>(lParam2));
    case kAcmdmStreamOpen:
        return instance->pwfxSrc->wFormatTag == kLiarTag && instance->pwfxDst->wFormatTag == WAVE_FORMAT_PCM
                   ? MMSYSERR_NOERROR
                   : ACMERR_NOTPOSSIBLE;
    case kAcmdmStreamClose:
        ++g_liar.closes;
        return MMSYSERR_NOERROR;
    case kAcmdmStreamSize:
        reinterpret_cast<AcmDrvStreamSize*>(lParam2)->cbDstLength = reinterpret_cast<AcmDrvStreamSize*>(lParam2)->cbSrcLength;
        return MMSYSERR_NOERROR;
    case kAcmdmStreamConvert:
        return LiarConvert(reinterpret_cast<AcmDrvStreamHeader*>(lParam2));
    case kAcmdmStreamUnprepare:
        return g_liar.failUnprepare ? MMSYSERR_ERROR : MMSYSERR_NOTSUPPORTED;
    default:
        if (message >= kAcmdmBase && message < kAcmdmBase + 0x100) return MMSYSERR_NOTSUPPORTED;
        return DefDriverProc(id, driver, message, lParam1, lParam2);
    }
}

class LiarDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_liar = LiarScript();
        ASSERT_EQ(MMSYSERR_NOERROR, acmDriverAdd(&m_id, GetModuleHandleA(nullptr), reinterpret_cast<LPARAM>(LiarProc),
                                                 0, ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL));
        m_source.wFormatTag = kLiarTag;
    }
    void TearDown() override { acmDriverRemove(m_id, 0); }
    bool Open() { return AcmOpenStream(m_source, kAcmSourceBufferSize, m_cd, &m_size, &m_src, &m_dst) == 1; }

    HACMDRIVERID m_id = nullptr;
    WAVEFORMATEX m_cd = Pcm(2, 44100, 16);
    WAVEFORMATEX m_source = Pcm(2, 44100, 16);
    DWORD m_size = 0;
    BYTE *m_src = nullptr, *m_dst = nullptr;
};
}  // namespace

TEST_F(LiarDriverTest, SizesADriverReportsPastTheBuffersFailTheConversion) {
    ASSERT_TRUE(Open()) << "the stream opens on the test codec";
    DWORD leftover = 0, produced = 0;
    ASSERT_EQ(1, AcmConvert(4000, &leftover, &produced)) << "an honest step";
    EXPECT_EQ(4000u, produced);
    g_liar.extraProduced = m_size;
    EXPECT_EQ(0, AcmConvert(4000, &leftover, &produced)) << "more output than the buffer holds";
    g_liar.extraProduced = 0;
    g_liar.extraUsed = 4;
    EXPECT_EQ(0, AcmConvert(4000, &leftover, &produced)) << "more input used than was given";
    EXPECT_EQ(1, AcmCloseStream(kAcmSourceBufferSize, m_size));
}

TEST_F(LiarDriverTest, AStreamWhoseUnprepareFailsIsStillClosed) {
    ASSERT_TRUE(Open());
    g_liar.failUnprepare = true;
    EXPECT_EQ(0, AcmCloseStream(kAcmSourceBufferSize, m_size)) << "the failure is reported";
    EXPECT_EQ(1, g_liar.closes) << "and the driver's stream closed all the same";
    g_liar.failUnprepare = false;
    ASSERT_TRUE(Open()) << "the next file opens a stream";
    EXPECT_EQ(1, AcmCloseStream(kAcmSourceBufferSize, m_size));
}
