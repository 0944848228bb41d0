// Pushes data through an ACM stream the way the copy loop does: the
// unconsumed tail carried to the front before each new fill, and one last call
// with the end flag once the data is used up.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "decoders/AcmConvert.h"

inline std::vector<uint8_t> Pump(const WAVEFORMATEX& from, const WAVEFORMATEX& to, const std::vector<uint8_t>& data,
                                 DWORD chunk, HACMDRIVERID* driver = nullptr) {
    DWORD destinationSize = 0;
    BYTE *src = nullptr, *dst = nullptr;
    std::vector<uint8_t> out;
    if (!AcmOpenStream(from, kAcmSourceBufferSize, to, &destinationSize, &src, &dst)) {
        ADD_FAILURE() << "stream did not open";
        return out;
    }
    if (driver) *driver = AcmStreamDriver();
    size_t pos = 0;
    DWORD leftover = 0;
    for (bool last = false; !last;) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(std::min<size_t>(chunk, kAcmSourceBufferSize - leftover),
                                                      data.size() - pos));
        memcpy(src + leftover, data.data() + pos, n);
        pos += n;
        last = n == 0;
        DWORD inBuffer = leftover + n, produced = 0;
        if (!AcmConvert(inBuffer, &leftover, &produced, last)) {
            ADD_FAILURE() << "convert failed";
            break;
        }
        EXPECT_LE(produced, destinationSize);
        out.insert(out.end(), dst, dst + produced);
        memmove(src, src + inBuffer - leftover, leftover);
    }
    EXPECT_EQ(1, AcmCloseStream(kAcmSourceBufferSize, destinationSize));
    return out;
}
