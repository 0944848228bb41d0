// The bounded ring of PCM blocks between the decoder library's thread (the one
// writer) and the decode thread (the one reader). Slots are copied outside the
// lock; the lock guards only the free-slot count and the two events.
// A side that finds nothing to do yields for a moment before it blocks, and an
// event is set only for a side that blocks on it: a kernel wait and wake per
// block would cost more than decoding the block.
#pragma once
#include <windows.h>

#include <mutex>

#include "../framework/Handles.h"

class PcmRingBuffer {
public:
    static constexpr int kSlots = 32;
    static constexpr int kSlotBytes = 8200;

    PcmRingBuffer();
    PcmRingBuffer(const PcmRingBuffer&) = delete;
    PcmRingBuffer& operator=(const PcmRingBuffer&) = delete;

    // Empties the ring: all slots free, both indices 0.
    void Reset();
    // Queues one block, waiting for a free slot or for endEvent. Returns 0 when
    // the block was taken, 1 when playback has ended and it was dropped.
    int Write(const char* buf, int len, HANDLE endEvent);
    // Copies the next block (at most room bytes of it; the rest comes next
    // time), waiting for data or for endEvent. Returns 0 at the end.
    DWORD Read(BYTE* dst, DWORD room, HANDLE endEvent);

    int FreeSlots() const;
    bool CanWrite() const { return FreeSlots() > 1; }
    bool IsPlaying() const { return FreeSlots() != kSlots; }

private:
    struct Slot {
        DWORD length;
        BYTE data[kSlotBytes];
    };
    int WriteSlot(const char* buf, int len, HANDLE endEvent);
    // True when the ring is ready for this side, false when only endEvent is.
    bool WaitFor(HANDLE ready, HANDLE endEvent, bool (PcmRingBuffer::*ready_locked)() const, bool& waiting);
    bool SpaceLocked() const { return m_free > 1; }
    bool DataLocked() const { return m_free < kSlots; }
    bool Ready(bool (PcmRingBuffer::*ready_locked)() const) const;

    Slot m_slots[kSlots];
    mutable std::mutex m_lock;
    int m_free = kSlots;
    int m_writeIndex = 0;
    int m_readIndex = 0;
    DWORD m_readOffset = 0;  // bytes of the read slot already delivered
    bool m_writerWaiting = false;
    bool m_readerWaiting = false;
    CHandle m_spaceEvent;
    CHandle m_dataEvent;
};
