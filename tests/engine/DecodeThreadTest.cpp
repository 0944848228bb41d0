#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "engine/DialogMessages.h"
#include "tests/engine/EngineFixtures.h"

using namespace fixtures;

namespace {
// Stands in for the conversion dialog: a window that records what is posted to it.
class OwnerWindow : public CWnd {
public:
    OwnerWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &OwnerWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WavoryTestOwner";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~OwnerWindow() override { DestroyWindow(m_hWnd); }
    std::vector<UINT> messages;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<OwnerWindow*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && (msg == WM_GATHERING_DONE || msg == WM_CONVERSION_DONE)) {
            self->messages.push_back(msg);
            return 0;
        }
        return ::DefWindowProcA(h, msg, wp, lp);
    }
};

// Records the total bar each time a step asks for the free space.
std::mutex g_lock;
std::vector<std::pair<uint32_t, int32_t>> g_samples;  // processedCount, totalPercent
uint64_t SampleProgress(const char*) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_samples.emplace_back(Batch().processedCount.load(), Batch().totalPercent.load());
    return 1ull << 40;
}

class DecodeThreadTest : public ::testing::Test {
protected:
    DecodeThreadTest()
        : env("WavoryThreadTest"), folder(::testing::UnitTest::GetInstance()->current_test_info()->name()) {
        out = folder.MakeDir("out");
        BatchState& b = Batch();
        memset(b.outputFolder, 0, kPathBufferSize);
        strcpy(b.outputFolder, out.c_str());
        // The dialog's batch start.
        b.filePercent = 0;
        b.totalPercent = 0;
        b.stopRequested = 0;
        ResetEvent(b.stoppedEvent);
    }
    ~DecodeThreadTest() override { Batch().FreeSources(); }
    void Sources(const std::vector<std::string>& paths) {
        Batch().AllocateSources(static_cast<int32_t>(paths.size()));
        for (size_t i = 0; i < paths.size(); ++i) Batch().SetSource(static_cast<int32_t>(i), paths[i].c_str());
    }
    std::string Wav(const std::string& name, size_t seconds) {
        std::string path = folder / name;
        EXPECT_TRUE(WriteBytes(path, CanonicalWav(Pcm(2, 44100, 16), Tone16(44100 * seconds, 2, 44100, 7000))));
        return path;
    }
    bool WaitStopped(DWORD ms = 10000) {
        return PumpUntil([&] { return WaitForSingleObject(Batch().stoppedEvent, 0) == WAIT_OBJECT_0; }, ms);
    }
    EngineApp env;
    TestFolder folder;
    std::string out;
    OwnerWindow owner;
    MessageBoxRecorder boxes;
};
}  // namespace

TEST_F(DecodeThreadTest, ThreeFilesShareTheTotalBarEquallyAndMessagesComeInOrder) {
    Sources({Wav("a.wav", 3), Wav("b.wav", 3), Wav("c.wav", 3)});
    g_samples.clear();
    CDecodeThread thread;
    thread.m_pOwnerWnd = &owner;
    thread.m_pfnFreeSpace = &SampleProgress;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped()) << "the end of every batch is signalled";
    ASSERT_TRUE(thread.Join(5000)) << "the thread ends after its batch";
    ASSERT_TRUE(PumpUntil([&] { return owner.messages.size() == 2; }));
    EXPECT_EQ((std::vector<UINT>{WM_GATHERING_DONE, WM_CONVERSION_DONE}), owner.messages);

    EXPECT_EQ(3u, Batch().totalCount.load());
    EXPECT_EQ(3u, Batch().convertedCount.load());
    EXPECT_EQ(100u, Batch().filePercent.load());
    EXPECT_EQ(100, Batch().totalPercent.load());
    ASSERT_GE(g_samples.size(), 9u);
    int32_t last = 0;
    for (auto [file, total] : g_samples) {
        EXPECT_GE(total, static_cast<int32_t>(33 * file)) << "file " << file;
        EXPECT_LE(total, static_cast<int32_t>(33 * file + 33)) << "file " << file;
        EXPECT_GE(total, last) << "the total bar never goes back";
        last = total;
    }
    EXPECT_EQ(1, Batch().phase.load());
}

TEST_F(DecodeThreadTest, CancelDuringGatheringPostsNoConversionDone) {
    // The drive-root box of the counting pass is where the user cancels.
    strcpy(Batch().outputFolder, "Z:\\wavory-test-out");
    Sources({"Z:\\", Wav("a.wav", 1)});
    SetMessageBoxHook([](const MessageBoxCall&) {
        Batch().stopRequested = 1;
        return IDOK;
    });
    CDecodeThread thread;
    thread.m_pOwnerWnd = &owner;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    SetMessageBoxHook(nullptr);
    PumpUntil([&] { return false; }, 200);
    EXPECT_EQ((std::vector<UINT>{WM_GATHERING_DONE}), owner.messages);
    EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(DecodeThreadTest, PauseHoldsTheProgressAndContinueGoesOnFromThere) {
    Sources({Wav("long.wav", 40)});
    CDecodeThread thread;
    thread.m_pOwnerWnd = &owner;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(PumpUntil([&] { return Batch().phase == 1 && Batch().filePercent > 0; }));
    thread.Pause();
    EXPECT_TRUE(thread.IsPaused());
    Sleep(100);  // let the step in flight reach its safe point
    uint32_t held = Batch().filePercent;
    Sleep(400);
    EXPECT_EQ(held, Batch().filePercent.load()) << "no progress while paused";
    EXPECT_LT(held, 100u);
    thread.Continue();
    EXPECT_TRUE(PumpUntil([&] { return Batch().filePercent.load() != held; }));
    ASSERT_TRUE(WaitStopped(30000));
    EXPECT_EQ(1u, Batch().convertedCount.load());
}

TEST_F(DecodeThreadTest, CancelConfirmedWhilePausedStopsAtOnceWithAValidFile) {
    Sources({Wav("long.wav", 40), Wav("next.wav", 1)});
    CDecodeThread thread;
    thread.m_pOwnerWnd = &owner;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(PumpUntil([&] { return Batch().phase == 1 && Batch().filePercent > 0; }));
    // What the dialog does on Cancel, Yes: hold, ask, then stop and let go.
    thread.Pause();
    Batch().stopRequested = 1;
    thread.Continue();
    ASSERT_TRUE(WaitStopped());
    ASSERT_TRUE(thread.Join(5000));
    WavFile w = ReadOutput(out + "\\long.wav");
    ASSERT_TRUE(w.ok);
    EXPECT_GT(w.data.size(), 0u);
    EXPECT_LT(w.data.size(), 40u * 176400);
    EXPECT_EQ(w.data.size(), w.dataSize);
    EXPECT_FALSE(Exists(out + "\\next.wav"));
    EXPECT_EQ(1u, Batch().convertedCount.load()) << "the cancelled file counts";
    PumpUntil([&] { return owner.messages.size() == 2; }, 2000);
    EXPECT_EQ((std::vector<UINT>{WM_GATHERING_DONE, WM_CONVERSION_DONE}), owner.messages);
}

TEST_F(DecodeThreadTest, SettingsAreTakenWhenTheThreadObjectIsBuilt) {
    env.Set(settings::kVolumeNormalize, 1);
    env.Set(settings::kNormalizeValue, 55);
    env.Set(settings::kNotDisplayErrInfo, 1);
    env.Set(settings::kPromptBefore, 0);
    Batch().totalCount = 9;
    CDecodeThread thread;
    env.Set(settings::kNormalizeValue, 20);
    EXPECT_EQ(1, thread.m_bVolumeNormalize);
    EXPECT_EQ(55, thread.m_nNormalizeValue);
    EXPECT_EQ(1, thread.m_bNotDisplayErrInfo);
    EXPECT_EQ(0, thread.m_bPromptBefore);
    EXPECT_EQ(0u, Batch().totalCount.load());
}

TEST_F(DecodeThreadTest, ABatchWithNothingConvertibleEndsNormally) {
    std::string txt = folder / "notes.txt";
    ASSERT_TRUE(WriteBytes(txt, {1}));
    Sources({txt});
    CDecodeThread thread;
    thread.m_pOwnerWnd = &owner;
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_TRUE(WaitStopped());
    EXPECT_EQ(0u, Batch().totalCount.load());
    EXPECT_EQ(0u, Batch().convertedCount.load());
    EXPECT_EQ(100u, Batch().filePercent.load());
    EXPECT_EQ(100, Batch().totalPercent.load());
}
