#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "engine/BatchState.h"

TEST(BatchState, StartsEmptyWithANonSignalledAutoResetEvent) {
    BatchState state;
    EXPECT_EQ(0, state.sourceCount);
    EXPECT_EQ(nullptr, state.sourcePaths.get());
    EXPECT_EQ(0u, state.totalCount.load());
    EXPECT_EQ(0u, state.freeBytes.load());
    EXPECT_EQ('\0', state.outputFolder[0]);
    ASSERT_TRUE(state.stoppedEvent.IsValid());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(state.stoppedEvent, 0));
    SetEvent(state.stoppedEvent);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(state.stoppedEvent, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(state.stoppedEvent, 0)) << "auto-reset";
}

TEST(BatchState, SourceSlotsAreZeroFilledAndRefuseTooLongPaths) {
    BatchState state;
    state.AllocateSources(3);
    ASSERT_EQ(3, state.sourceCount);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < kPathBufferSize; ++j) ASSERT_EQ('\0', state.sourcePaths[i][j]);

    std::string fits(259, 'a');
    EXPECT_TRUE(state.SetSource(0, fits.c_str()));
    EXPECT_EQ(fits, state.sourcePaths[0]);
    std::string tooLong(260, 'b');
    EXPECT_FALSE(state.SetSource(1, tooLong.c_str()));
    EXPECT_EQ('\0', state.sourcePaths[1][0]) << "never a cut path";
    EXPECT_FALSE(state.SetSource(3, "C:\\x")) << "index past the end";
    EXPECT_FALSE(state.SetSource(-1, "C:\\x"));

    // A shorter path written over a longer one leaves no trace of the old text.
    EXPECT_TRUE(state.SetSource(0, "C:\\a"));
    EXPECT_EQ('\0', state.sourcePaths[0][10]);

    state.FreeSources();
    EXPECT_EQ(0, state.sourceCount);
    EXPECT_EQ(nullptr, state.sourcePaths.get());
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

