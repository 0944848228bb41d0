// Pushes data through an ACM stream the way the copy loop does: the
// unconsumed tail carried to the front before each new fill, and one last call
// with the end flag once the data is used up.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "decoders/AcmStream.h"

inline std::vector<uint8_t> Pump(const WAVEFORMATEX& from, const WAVEFORMATEX& to, const std::vector<uint8_t>& data,
                                 DWORD chunk, HACMDRIVERID* driver = nullptr) {
    CAcmStream stream;
    std::vector<uint8_t> out;
    if (!stream.Open(from, to)) {
        ADD_FAILURE() << "stream did not open";
        return out;
    }
    if (driver) *driver = stream.Driver();
    BYTE* src = stream.Input();
    size_t pos = 0;
    DWORD leftover = 0;
    for (bool last = false; !last;) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(std::min<size_t>(chunk, stream.InputSize() - leftover),
                                                      data.size() - pos));
        memcpy(src + leftover, data.data() + pos, n);
        pos += n;
        last = n == 0;
        DWORD inBuffer = leftover + n;
        std::optional<CAcmStream::Step> step = stream.Convert(inBuffer, last);
        if (!step) {
            ADD_FAILURE() << "convert failed";
            break;
        }
        leftover = step->leftover;
        EXPECT_LE(step->produced, stream.OutputSize());
        out.insert(out.end(), stream.Output(), stream.Output() + step->produced);
        memmove(src, src + inBuffer - leftover, leftover);
    }
    EXPECT_TRUE(stream.Close());
    return out;
}
