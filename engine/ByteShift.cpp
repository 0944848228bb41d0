#include "ByteShift.h"

#include <vector>

#include "../framework/BinaryFile.h"

namespace {
const uint64_t kShiftBlock = 1 << 20;
}  // namespace

bool ShiftBytesUp(CBinaryFile& file, uint64_t offset, uint64_t length, uint32_t distance) {
    std::vector<unsigned char> buffer(static_cast<size_t>(length < kShiftBlock ? length : kShiftBlock));
    for (uint64_t left = length; left > 0;) {
        size_t n = static_cast<size_t>(left < kShiftBlock ? left : kShiftBlock);
        left -= n;
        if (!file.Seek(static_cast<int64_t>(offset + left)) || file.Read(buffer.data(), n) != n) return false;
        if (!file.Seek(static_cast<int64_t>(offset + left + distance)) || file.Write(buffer.data(), n) != n)
            return false;
    }
    return file.Flush();
}
