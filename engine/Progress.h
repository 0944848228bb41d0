// Percentages shown by the dialog's two bars.
#pragma once
#include <cstdint>

// Each file owns an equal share of the total bar; 0 when nothing was counted.
inline int32_t TotalPercent(uint32_t processedCount, uint32_t totalCount, uint32_t filePercent) {
    if (totalCount == 0) return 0;
    return static_cast<int32_t>(processedCount * 100u / totalCount + filePercent / totalCount);
}

// done of total, scaled to share (80 or 100); 0 when total is 0. A value
// beyond share drops to 0, as the bar never runs past the conversion's share.
inline uint32_t SharePercent(uint64_t done, uint32_t share, uint64_t total) {
    if (total == 0) return 0;
    uint64_t percent = done * share / total;
    return percent > share ? 0 : static_cast<uint32_t>(percent);
}

// During normalisation the file bar runs from share to 100.
inline uint32_t NormalizePercent(uint32_t share, uint64_t processed, uint64_t written) {
    if (written == 0) return 100;
    uint64_t p = share + (100u - share) * processed / written;
    return p > 100 ? 100 : static_cast<uint32_t>(p);
}
