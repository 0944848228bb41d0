#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <optional>
#include <thread>

#include "acmdriver/AcmDriverAbi.h"
#include "decoders/AcmStream.h"
#include "tests/TestSupport.h"
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
    CAcmStream stream;
    ASSERT_TRUE(stream.Open(cd, cd));
    EXPECT_GE(stream.OutputSize(), kAcmSourceBufferSize);
    std::optional<CAcmStream::Step> step = stream.Convert(10);
    ASSERT_TRUE(step);
    EXPECT_EQ(2u, step->leftover);
    EXPECT_EQ(8u, step->produced);
    step = stream.Convert(3);
    ASSERT_TRUE(step) << "a call that produces nothing still succeeds";
    EXPECT_EQ(3u, step->leftover);
    EXPECT_EQ(0u, step->produced);
    EXPECT_FALSE(stream.Convert(kAcmSourceBufferSize + 4)) << "more than the input buffer holds";
    EXPECT_TRUE(stream.Close());
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
    CAcmStream stream;
    EXPECT_FALSE(stream.Open(odd, Pcm(2, 44100, 16)));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(nullptr, stream.Input()) << "no buffer kept";
    EXPECT_FALSE(stream.Convert(0, true)) << "nothing to convert with";
    WAVEFORMATEX cd = Pcm(2, 44100, 16);
    ASSERT_TRUE(stream.Open(cd, cd)) << "the same object opens the next file's stream";
}

// Streams are objects of their own: two files may convert at once.
TEST(Acm, TwoStreamsConvertSideBySide) {
    WAVEFORMATEX cd = Pcm(2, 44100, 16), low = Pcm(1, 22050, 16);
    CAcmStream a, b;
    ASSERT_TRUE(a.Open(cd, cd));
    ASSERT_TRUE(b.Open(cd, low));
    memset(a.Input(), 1, 400);
    memset(b.Input(), 0, 400);
    std::optional<CAcmStream::Step> one = a.Convert(400, true), other = b.Convert(400, true);
    ASSERT_TRUE(one && other);
    EXPECT_EQ(400u, one->produced);
    EXPECT_EQ(100u, other->produced) << "100 stereo frames at half the rate, in mono";
    EXPECT_EQ(std::vector<uint8_t>(400, 1), std::vector<uint8_t>(a.Output(), a.Output() + 400)) << "untouched by b";
}

namespace {
// A codec of a made-up tag whose word cannot be trusted: it claims more output
// than the buffer holds, more input than it was given, and can fail unprepare.
constexpr WORD kLiarTag = 0x7A7B;
struct LiarScript {
    DWORD extraProduced = 0;
    DWORD extraUsed = 0;
    bool failUnprepare = false;
    std::atomic<int> closes{0};
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
        g_liar.extraProduced = g_liar.extraUsed = 0;
        g_liar.failUnprepare = false;
        g_liar.closes = 0;
        ASSERT_EQ(MMSYSERR_NOERROR, acmDriverAdd(&m_id, GetModuleHandleA(nullptr), reinterpret_cast<LPARAM>(LiarProc),
                                                 0, ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL));
        m_source.wFormatTag = kLiarTag;
    }
    void TearDown() override {
        m_stream.Close();  // before its driver goes
        acmDriverRemove(m_id, 0);
    }
    bool Open() { return m_stream.Open(m_source, m_cd); }

    HACMDRIVERID m_id = nullptr;
    WAVEFORMATEX m_cd = Pcm(2, 44100, 16);
    WAVEFORMATEX m_source = Pcm(2, 44100, 16);
    CAcmStream m_stream;
};
}  // namespace

TEST_F(LiarDriverTest, SizesADriverReportsPastTheBuffersFailTheConversion) {
    ASSERT_TRUE(Open()) << "the stream opens on the test codec";
    std::optional<CAcmStream::Step> step = m_stream.Convert(4000);
    ASSERT_TRUE(step) << "an honest step";
    EXPECT_EQ(4000u, step->produced);
    g_liar.extraProduced = m_stream.OutputSize();
    EXPECT_FALSE(m_stream.Convert(4000)) << "more output than the buffer holds";
    g_liar.extraProduced = 0;
    g_liar.extraUsed = 4;
    EXPECT_FALSE(m_stream.Convert(4000)) << "more input used than was given";
    EXPECT_TRUE(m_stream.Close());
}

TEST_F(LiarDriverTest, AStreamWhoseUnprepareFailsIsStillClosed) {
    ASSERT_TRUE(Open());
    g_liar.failUnprepare = true;
    EXPECT_FALSE(m_stream.Close()) << "the failure is reported";
    EXPECT_EQ(1, g_liar.closes) << "and the driver's stream closed all the same";
    EXPECT_FALSE(m_stream.IsOpen());
    g_liar.failUnprepare = false;
    ASSERT_TRUE(Open()) << "the next file opens a stream";
    {
        CAcmStream other;
        ASSERT_TRUE(other.Open(m_source, m_cd));
    }
    EXPECT_EQ(2, g_liar.closes) << "a stream that goes out of scope is closed";
}

// Files that end together close their streams together, also the first ones
// since the driver was added (the ACM then also closes the instance it opened
// for the driver itself). Each round adds the driver afresh and has the
// threads open, then close, as one.
TEST_F(LiarDriverTest, StreamsOpenAndCloseOnSeveralThreadsAtOnce) {
    constexpr int kThreads = 3, kRounds = 100;
    std::atomic<int> failures{0};
    for (int round = 0; round < kRounds && failures == 0; ++round) {
        if (round > 0) {
            acmDriverRemove(m_id, 0);
            ASSERT_EQ(MMSYSERR_NOERROR, acmDriverAdd(&m_id, GetModuleHandleA(nullptr), reinterpret_cast<LPARAM>(LiarProc),
                                                     0, ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL));
        }
        std::atomic<int> ready{0}, opened{0}, ended{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                for (++ready; ready < kThreads;) std::this_thread::yield();
                CAcmStream stream;
                if (!stream.Open(m_source, m_cd)) ++failures;
                for (++opened; opened < kThreads;) std::this_thread::yield();
                if (stream.IsOpen() && !stream.Close()) ++failures;
                ++ended;
            });
        }
        if (!PumpUntil([&] { return ended == kThreads; }, 30000)) {
            // A list the threads broke between them loops for ever: no join could end.
            ADD_FAILURE() << "round " << round << ": " << kThreads - ended << " threads never came back from the ACM";
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        for (std::thread& thread : threads) thread.join();
    }
    EXPECT_EQ(0, failures.load()) << "streams that did not open or close";
}
