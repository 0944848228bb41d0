// The free space on the output drive, checked after every converted block.
// Asking the platform every block is the dearest step of a fast conversion, so
// between real answers the monitor counts down what this conversion wrote; it
// asks again at least every 250 ms, and for every block once the space is low.
#pragma once
#include <windows.h>
#include <cstdint>

// What a failed query gives (a share's root, a drive gone): unknown, not full.
constexpr uint64_t kFreeSpaceUnknown = UINT64_MAX;

// The bytes available to the user in folder, or kFreeSpaceUnknown.
uint64_t QueryFreeSpace(const char* folder);

class CFreeSpaceMonitor {
public:
    using Query = uint64_t (*)(const char* folder);
    static constexpr uint64_t kLowSpace = 64ull << 20;
    static constexpr DWORD kMaxAgeMs = 250;

    CFreeSpaceMonitor(Query query, const char* folder) : m_query(query), m_folder(folder) {}

    uint64_t FreeBytes() {
        DWORD now = GetTickCount();
        if (!m_known || m_estimate < kLowSpace || now - m_queriedAt >= kMaxAgeMs) {
            m_estimate = m_query(m_folder);
            m_queriedAt = now;
            m_known = true;
        }
        return m_estimate;
    }
    void Wrote(uint64_t bytes) {
        if (m_estimate != kFreeSpaceUnknown) m_estimate = bytes < m_estimate ? m_estimate - bytes : 0;
    }

private:
    Query m_query;
    const char* m_folder;
    bool m_known = false;
    uint64_t m_estimate = 0;
    DWORD m_queriedAt = 0;
};
