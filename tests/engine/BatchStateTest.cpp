#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "engine/BatchState.h"

TEST(BatchState, StartsEmptyWithANonSignalledAutoResetEvent) {
    BatchState state;
    EXPECT_EQ(0, state.sourceCount);
    EXPECT_TRUE(state.sourcePaths.empty());
    EXPECT_EQ(0u, state.totalCount.load());
    EXPECT_EQ(0u, state.freeBytes.load());
    EXPECT_TRUE(state.outputFolder.empty());
    ASSERT_TRUE(state.stoppedEvent.IsValid());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(state.stoppedEvent, 0));
    SetEvent(state.stoppedEvent);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(state.stoppedEvent, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(state.stoppedEvent, 0)) << "auto-reset";
}

TEST(BatchState, SourcesKeepEveryPathWholeAndAreReplacedAsAList) {
    BatchState state;
    // Past MAX_PATH in bytes and in characters: nothing is cut or refused any more.
    std::string deep = "C:\\" + std::string(300, 'a') + "\\\xE6\x97\xA5\xE6\x9C\xAC.mp3";
    state.SetSources({deep, "C:\\b.wav", ""});
    ASSERT_EQ(3, state.sourceCount);
    EXPECT_EQ(deep, state.sourcePaths[0]);
    EXPECT_EQ("C:\\b.wav", state.sourcePaths[1]);

    state.SetSources({"C:\\a"});
    EXPECT_EQ(1, state.sourceCount) << "the previous list is gone";
    EXPECT_EQ("C:\\a", state.sourcePaths[0]);

    state.FreeSources();
    EXPECT_EQ(0, state.sourceCount);
    EXPECT_TRUE(state.sourcePaths.empty());
}

TEST(BatchState, NamesAreHandedOverOnceAfterEachChange) {
    BatchState state;
    BatchNames names;
    EXPECT_FALSE(state.TakeNames(names));
    state.PublishNames("a.wav", "Music", "Out");
    ASSERT_TRUE(state.TakeNames(names));
    EXPECT_EQ("a.wav", names.currentFileName);
    EXPECT_EQ("Music", names.sourceFolderName);
    EXPECT_EQ("Out", names.outputFolderName);
    EXPECT_FALSE(state.TakeNames(names)) << "the flag is cleared by the reader";
}

// The decode thread replaces the names as fast as it can while the dialog copies
// them: every copy must be one whole generation, never a torn or freed string.
TEST(BatchState, ConcurrentReplaceAndCopyNeverTearsAString) {
    BatchState state;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        unsigned generation = 0;
        char file[300], source[300], output[300];
        while (!stop) {
            ++generation;
            // Lengths vary so that buffers are reallocated, not just overwritten.
            size_t length = 1 + generation % 250;
            char mark = static_cast<char>('a' + generation % 26);
            memset(file, mark, length);
            file[length] = '\0';
            snprintf(source, sizeof(source), "%u", generation);
            snprintf(output, sizeof(output), "%zu%c", length, mark);
            state.PublishNames(file, source, output);
        }
    });

    BatchNames names;
    unsigned copies = 0, torn = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 1500) {
        if (!state.TakeNames(names)) continue;
        ++copies;
        unsigned generation = static_cast<unsigned>(strtoul(names.sourceFolderName.c_str(), nullptr, 10));
        size_t length = 1 + generation % 250;
        char mark = static_cast<char>('a' + generation % 26);
        char expectOutput[32];
        snprintf(expectOutput, sizeof(expectOutput), "%zu%c", length, mark);
        if (names.currentFileName != std::string(length, mark) || names.outputFolderName != expectOutput) ++torn;
    }
    stop = true;
    writer.join();
    EXPECT_GT(copies, 100u);
    EXPECT_EQ(0u, torn);
}

TEST(BatchState, ProgressFieldsAreLockFreeWords) {
    BatchState state;
    EXPECT_TRUE(state.filePercent.is_lock_free());
    EXPECT_TRUE(state.totalPercent.is_lock_free());
    EXPECT_TRUE(state.freeBytes.is_lock_free()) << "a 64-bit value read in one piece";
}

