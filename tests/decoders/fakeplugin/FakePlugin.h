// The script and the counters of the fake decoder library that host tests
// load in place of the real one (it is built as mjm.dll in a folder of its own).
#pragma once
#include <atomic>

struct FakeScript {
    // How the module answers.
    int isOurFile = 0;
    const char* extensions = "MP3;MP2;MP1\0MPEG audio\0";
    int usesOutputPlug = 1;
    int playResult = 0;
    int opensOutput = 1;     // the playback thread calls the output's Open
    int rate = 22050, channels = 1;
    int blocks = 3;          // blocks written once the output is open
    int blockBytes = 1000;
    int respectCanWrite = 1; // wait while CanWrite offers less than a block
    int postsEndOfFile = 1;  // post the end message once IsPlaying is 0
    int lengthMs = 4000, outputTimeMs = 1000;
    // What happened.
    std::atomic<int> initCalls{0}, quitCalls{0}, playCalls{0}, stopCalls{0}, writes{0}, writesRefused{0};
    std::atomic<int> threadRunning{0};

    // Back to the default script with no calls counted.
    void Reset() {
        isOurFile = 0;
        extensions = "MP3;MP2;MP1\0MPEG audio\0";
        usesOutputPlug = 1;
        playResult = 0;
        opensOutput = 1;
        rate = 22050, channels = 1;
        blocks = 3, blockBytes = 1000;
        respectCanWrite = 1, postsEndOfFile = 1;
        lengthMs = 4000, outputTimeMs = 1000;
        for (std::atomic<int>* c : {&initCalls, &quitCalls, &playCalls, &stopCalls, &writes, &writesRefused}) *c = 0;
    }
};

using FakeControlProc = FakeScript* (*)();
