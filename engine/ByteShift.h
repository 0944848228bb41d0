// Moving a file's tail further in, to make room in front of it.
#pragma once
#include <cstdint>

class CBinaryFile;

// Moves the length bytes at offset up by distance bytes, the last block first
// so that nothing is overwritten before it was read; the file grows by distance
// when they were its end. The bytes between keep their old values. False when
// a read or write failed (the range is then part moved).
bool ShiftBytesUp(CBinaryFile& file, uint64_t offset, uint64_t length, uint32_t distance);
