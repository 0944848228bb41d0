#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "decoders/PcmRingBuffer.h"
#include "decoders/SndStreamWinAmp.h"
#include "tests/decoders/fakeplugin/FakePlugin.h"

namespace {
std::vector<char> Block(int bytes, char value) { return std::vector<char>(static_cast<size_t>(bytes), value); }

// A ring of its own, with an end event the test controls.
class RingTest : public ::testing::Test {
protected:
    RingTest() : end(CreateEventA(nullptr, TRUE, FALSE, nullptr)) { ring.Reset(); }
    ~RingTest() override { CloseHandle(end); }
    int Write(int bytes, char value) { return ring.Write(Block(bytes, value).data(), bytes, end); }
    std::vector<BYTE> ReadOne(DWORD room = PcmRingBuffer::kSlotBytes) {
        std::vector<BYTE> b(PcmRingBuffer::kSlotBytes);
        b.resize(ring.Read(b.data(), room, end));
        return b;
    }
    PcmRingBuffer ring;
    HANDLE end;
};
}  // namespace

TEST_F(RingTest, ThresholdsOfCanWriteAndIsPlaying) {
    EXPECT_FALSE(ring.IsPlaying()) << "empty ring";
    EXPECT_TRUE(ring.CanWrite());
    for (int i = 0; i < 30; ++i) ASSERT_EQ(0, Write(100, static_cast<char>(i)));
    EXPECT_EQ(2, ring.FreeSlots());
    EXPECT_TRUE(ring.CanWrite()) << "two free slots still take a block";
    ASSERT_EQ(0, Write(100, 30));
    EXPECT_EQ(1, ring.FreeSlots());
    EXPECT_FALSE(ring.CanWrite()) << "the last free slot is the reader's";
    EXPECT_TRUE(ring.IsPlaying());
    for (int i = 0; i < 31; ++i) {
        std::vector<BYTE> b = ReadOne();
        ASSERT_EQ(100u, b.size());
        EXPECT_EQ(i, b[0]) << "blocks come out in order";
        EXPECT_EQ(i < 30, ring.IsPlaying());
    }
}

TEST_F(RingTest, FullRingBlocksTheWriterUntilASlotIsRead) {
    for (int i = 0; i < 31; ++i) Write(10, 1);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        Write(10, 2);
        written = true;
    });
    Sleep(100);
    EXPECT_FALSE(written) << "no free slot but the reserve";
    ReadOne();
    writer.join();
    EXPECT_TRUE(written);
}

TEST_F(RingTest, BlocksLargerThanASlotOrTheRoomAreSplitNotOverrun) {
    ASSERT_EQ(0, Write(20000, 7));
    EXPECT_EQ(29, ring.FreeSlots()) << "8200 + 8200 + 3600";
    EXPECT_EQ(8200u, ReadOne().size());
    EXPECT_EQ(1000u, ReadOne(1000).size()) << "less room than the block: the rest stays";
    EXPECT_EQ(7200u, ReadOne().size());
    EXPECT_EQ(3600u, ReadOne().size());
    EXPECT_FALSE(ring.IsPlaying());
}

TEST_F(RingTest, EverythingQueuedIsDeliveredBeforeTheEnd) {
    for (int i = 0; i < 5; ++i) Write(50, static_cast<char>(i));
    SetEvent(end);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(50u, ReadOne().size());
    EXPECT_EQ(0u, ReadOne().size());
    EXPECT_EQ(0u, ReadOne().size()) << "and the end stays";
}

TEST_F(RingTest, WritesAfterTheEndOnAFullRingLoseNoQueuedBlock) {
    for (int i = 0; i < 31; ++i) Write(40, static_cast<char>(i + 1));
    SetEvent(end);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(1, Write(40, 99)) << "playback has ended";
    EXPECT_GE(ring.FreeSlots(), 0);
    for (int i = 0; i < 31; ++i) {
        std::vector<BYTE> b = ReadOne();
        ASSERT_EQ(40u, b.size()) << "block " << i;
        EXPECT_EQ(i + 1, b[0]);
    }
    EXPECT_EQ(0u, ReadOne().size());
}

// The host with the fake library loaded, and a window that forwards its end message.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, library.LoadPlugins());
        script = reinterpret_cast<FakeControlProc>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mjm.dll"), "FakeControl")))();
        script->Reset();
        Restate();
    }
    void TearDown() override { Unload(); }
    // The library's one stream, lent to the test until the library is unloaded.
    CMp3Stream& Stream() {
        if (!lease) lease = library.Acquire([] { return false; });
        return *lease;
    }
    void Unload() {
        lease = CMp3StreamLease();
        library.UnloadPlugins();
    }
    void Restate() {
        reinterpret_cast<void (*)()>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mjm.dll"), "FakeRestate")))();
    }
    In_Module* Module() {
        return reinterpret_cast<GetInputModuleProc>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mjm.dll"), kInputModuleExport)))();
    }
    // Every block until Read returns 0.
    std::vector<std::vector<BYTE>> ReadAll() {
        std::vector<std::vector<BYTE>> blocks;
        for (;;) {
            std::vector<BYTE> b(9000);
            DWORD n = Stream().Read(b.data(), 9000);
            if (n == 0) return blocks;
            b.resize(n);
            blocks.push_back(b);
        }
    }
    ISndStreamWinAmp& library = SndStream();
    CMp3StreamLease lease;
    FakeScript* script = nullptr;
};

TEST(PluginSelection, ExtensionOfThePath) {
    EXPECT_EQ("mp3", PluginExtension("C:\\In\\song.MP3"));
    EXPECT_EQ("", PluginExtension("C:\\In\\track.")) << "a path ending in a dot";
    EXPECT_EQ("wav", PluginExtension("C:\\In\\a.bcde\\song")) << "four characters after the last dot";
    EXPECT_EQ("wav", PluginExtension("C:\\In\\song")) << "no dot";
    EXPECT_EQ("p3", PluginExtension("x.p3"));
    EXPECT_TRUE(ExtensionListed("MP3;MP2;MP1", "mp3"));
    EXPECT_TRUE(ExtensionListed("MP3;MP2;MP1", "p3")) << "a substring test";
    EXPECT_TRUE(ExtensionListed("MP3;MP2;MP1", "3;m"));
    EXPECT_TRUE(ExtensionListed("MP3;MP2;MP1", "")) << "an empty extension matches any list";
    EXPECT_FALSE(ExtensionListed("MP3;MP2;MP1", "wav"));
    EXPECT_FALSE(ExtensionListed("MP3\0WAV\0", "wav")) << "only the first string counts";
    EXPECT_FALSE(ExtensionListed(nullptr, "mp3"));
}

TEST_F(HostTest, LoadingInitialisesOnceAndUnloadingQuits) {
    In_Module* in = Module();
    ASSERT_TRUE(IsWindow(in->hMainWindow)) << "the host's own notice window";
    EXPECT_EQ(GetModuleHandleA("mjm.dll"), in->hDllInstance);
    EXPECT_EQ(in->hMainWindow, Stream().OutputModule()->hMainWindow);
    EXPECT_EQ(nullptr, Stream().OutputModule()->hDllInstance);
    EXPECT_EQ(1, library.LoadPlugins()) << "a second load keeps the first";
    EXPECT_EQ(0, script->initCalls) << "Init is not called again (the script was reset after the first)";
    SetEnvironmentVariableA("WAVORY_FAKE_QUIT", nullptr);
    Unload();
    EXPECT_NE(0u, GetEnvironmentVariableA("WAVORY_FAKE_QUIT", nullptr, 0)) << "Quit was called";
    EXPECT_EQ(nullptr, GetModuleHandleA("mjm.dll")) << "the library is freed";
    ASSERT_EQ(1, library.LoadPlugins());
    script = reinterpret_cast<FakeControlProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mjm.dll"), "FakeControl")))();
    EXPECT_EQ(1, script->initCalls.load()) << "a fresh load initialises the module";
}

TEST_F(HostTest, ALibraryWithoutAModuleCountsAsNotLoaded) {
    Unload();
    _putenv("WAVORY_FAKE_NO_MODULE=1");
    EXPECT_EQ(0, library.LoadPlugins());
    _putenv("WAVORY_FAKE_NO_MODULE=");
    EXPECT_EQ(nullptr, GetModuleHandleA("mjm.dll")) << "and is not kept loaded";
    EXPECT_EQ(0, library.StreamCount());
    EXPECT_FALSE(library.Acquire([] { return true; })) << "no decoder to lend";
    SetUp();
}

TEST_F(HostTest, SelectionByExtensionOrByIsOurFile) {
    EXPECT_TRUE(Stream().Open("C:\\In\\song.MP3"));
    Stream().Close();
    EXPECT_TRUE(Stream().Open("C:\\In\\track.")) << "an empty extension matches";
    Stream().Close();
    int plays = script->playCalls;
    EXPECT_FALSE(Stream().Open("C:\\In\\a.bcde\\song")) << "stays wav, which the list lacks";
    EXPECT_FALSE(Stream().Open("C:\\In\\song.ogg"));
    EXPECT_EQ(plays, script->playCalls) << "an unselected file is never played";
    script->isOurFile = 1;
    EXPECT_TRUE(Stream().Open("C:\\In\\song.ogg")) << "the module claims it";
}

TEST_F(HostTest, OpenFillsTheOutputModuleAndTakesTheFormat) {
    Module()->SetInfo = nullptr;
    ASSERT_TRUE(Stream().Open("C:\\In\\song.mp3"));
    Out_Module* out = Stream().OutputModule();
    EXPECT_EQ(16, out->version);
    EXPECT_STREQ("CDex WAV Output Emulator", out->description);
    EXPECT_EQ(33, out->id);
    EXPECT_EQ(out, Module()->outMod);
    EXPECT_EQ(500, out->Open(22050, 1, 16, -1, -1));
    EXPECT_EQ(0, out->Pause(1));
    EXPECT_EQ(1, out->Pause(0));
    EXPECT_EQ(1, Stream().m_nChannels);
    EXPECT_EQ(22050, Stream().m_nSampleRate);
    EXPECT_EQ(16, Stream().OutputReceived().bitsPerSample);
    EXPECT_EQ(4000, Stream().GetLength());
    EXPECT_EQ(1000, Stream().GetOutputTime());
    In_Module* in = Module();
    EXPECT_EQ(1, in->SAGetMode());
    EXPECT_EQ(0, in->VSAGetMode(nullptr, nullptr));
    EXPECT_EQ(0, in->dsp_isactive());
}

TEST_F(HostTest, BitRateFromSetInfo) {
    ASSERT_TRUE(Stream().Open("a.mp3"));
    Module()->SetInfo(192, 44, 1, 1);
    Stream().Close();
    ASSERT_TRUE(Stream().Open("a.mp3"));
    EXPECT_EQ(192000, Stream().m_nBitrate) << "kbit/s become bit/s";
    Module()->SetInfo(1411200, 44, 1, 1);
    Module()->SetInfo(0, 44, 1, 1);
    Stream().Close();
    ASSERT_TRUE(Stream().Open("a.mp3"));
    EXPECT_EQ(1411200, Stream().m_nBitrate) << "bit/s stay, 0 is ignored";
}

TEST_F(HostTest, RefusedFiles) {
    script->usesOutputPlug = 0;
    Restate();
    EXPECT_FALSE(Stream().Open("a.mp3")) << "a module without output plug-ins";
    EXPECT_EQ(0, script->playCalls);
    script->usesOutputPlug = 1;
    script->playResult = -1;
    Restate();
    EXPECT_FALSE(Stream().Open("a.mp3")) << "Play failed";
    Stream().Close();
    EXPECT_EQ(0, script->stopCalls) << "nothing was started, nothing is stopped";
}

TEST_F(HostTest, AllBlocksArriveThenTheEndAndNoStop) {
    script->blocks = 80;  // far more than the ring holds
    ASSERT_TRUE(Stream().Open("a.mp3"));
    std::vector<std::vector<BYTE>> blocks = ReadAll();
    ASSERT_EQ(80u, blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_EQ(1000u, blocks[i].size());
        EXPECT_EQ(static_cast<BYTE>(i + 1), blocks[i][0]);
    }
    BYTE b[9000];
    EXPECT_EQ(0u, Stream().Read(b, 9000)) << "the end stays until the next Open";
    Stream().Close();
    EXPECT_EQ(0, script->stopCalls) << "the plug-in ended the file itself";
}

TEST_F(HostTest, ALateEndNoticeOfTheLastFileDoesNotEndTheNextOne) {
    ASSERT_TRUE(Stream().Open("a.mp3"));
    ASSERT_EQ(3u, ReadAll().size());
    Stream().Close();
    script->blocks = 80;  // the writer waits for room, so the ring runs empty now and then
    ASSERT_TRUE(Stream().Open("b.mp3"));
    Stream().SignalEndOfFile();  // the first file's notice, dispatched only now
    std::vector<std::vector<BYTE>> blocks = ReadAll();
    EXPECT_EQ(80u, blocks.size()) << "the second file was cut at block " << blocks.size();
}

TEST_F(HostTest, CloseDuringAFileStopsThePluginOnce) {
    script->blocks = 1000;
    ASSERT_TRUE(Stream().Open("a.mp3"));
    BYTE b[9000];
    ASSERT_GT(Stream().Read(b, 9000), 0u);
    Stream().Close();
    EXPECT_EQ(1, script->stopCalls);
    EXPECT_EQ(0, script->threadRunning) << "its thread has ended";
    Stream().Close();
    EXPECT_EQ(1, script->stopCalls) << "a second Close does nothing";
}

TEST_F(HostTest, CloseReleasesAPluginWaitingInsideWrite) {
    script->blocks = 1000;
    script->respectCanWrite = 0;  // it writes into a full ring and waits there
    ASSERT_TRUE(Stream().Open("a.mp3"));
    // The ring takes 31 blocks and keeps its last slot: the 32nd write waits inside Write.
    for (DWORD start = GetTickCount(); script->writes < PcmRingBuffer::kSlots && GetTickCount() - start < 10000;)
        Sleep(1);
    ASSERT_GE(script->writes.load(), PcmRingBuffer::kSlots) << "the plug-in never filled the ring";
    DWORD start = GetTickCount();
    Stream().Close();
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(0, script->threadRunning);
    EXPECT_GE(script->writesRefused, 1) << "the waiting block was dropped";
}

TEST_F(HostTest, APluginThatNeverOpensTheOutputFailsAfterAboutASecond) {
    script->opensOutput = 0;
    DWORD start = GetTickCount();
    EXPECT_FALSE(Stream().Open("a.mp3"));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 900u);
    EXPECT_LT(waited, 5000u);
    Stream().Close();
    EXPECT_EQ(1, script->stopCalls) << "the started plug-in is stopped";
}

// A library without the instance export lends its one decoder to one file at
// a time: a second conversion waits until the first lease ends, and gives up
// waiting when it is told to.
TEST_F(HostTest, ALibraryWithoutInstancesLendsItsOneDecoderToOneFileAtATime) {
    EXPECT_EQ(1, library.StreamCount());
    CMp3StreamLease first = library.Acquire([] { return true; });
    ASSERT_TRUE(first);
    EXPECT_FALSE(library.Acquire([] { return false; })) << "lent twice";
    std::atomic<bool> got{false};
    std::thread second([&] {
        CMp3StreamLease lease = library.Acquire([] { return true; });
        got = static_cast<bool>(lease);
    });
    ASSERT_TRUE(first->Open("a.mp3"));
    ASSERT_EQ(3u, [&] {
        size_t blocks = 0;
        BYTE b[9000];
        while (first->Read(b, 9000) > 0) ++blocks;
        return blocks;
    }());
    EXPECT_FALSE(got) << "the second file got the decoder while the first used it";
    first = CMp3StreamLease();
    second.join();
    EXPECT_TRUE(got);
    Unload();
    EXPECT_EQ(0, library.StreamCount());
    EXPECT_FALSE(library.Acquire([] { return true; })) << "nothing loaded, nothing lent";
}
