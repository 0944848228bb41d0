#include "PcmRingBuffer.h"

#include <cstring>

PcmRingBuffer::PcmRingBuffer()
    : m_spaceEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      m_dataEvent(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

void PcmRingBuffer::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_free = kSlots;
    m_writeIndex = 0;
    m_readIndex = 0;
    m_readOffset = 0;
    SetEvent(m_spaceEvent);
    ResetEvent(m_dataEvent);
}

int PcmRingBuffer::FreeSlots() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_free;
}

// True when the ring is ready (the count says so, which is what the event
// would say), false when only endEvent is. Asking the count first spares a
// kernel wait per block while the ring is neither full nor empty.
bool PcmRingBuffer::WaitFor(HANDLE ready, HANDLE endEvent, bool (PcmRingBuffer::*available)() const) const {
    if ((this->*available)()) return true;
    HANDLE events[2] = {ready, endEvent};  // the first signalled one wins
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0;
}

int PcmRingBuffer::Write(const char* buf, int len, HANDLE endEvent) {
    // A block larger than a slot is queued in slot-sized pieces.
    while (len > kSlotBytes) {
        if (WriteSlot(buf, kSlotBytes, endEvent)) return 1;
        buf += kSlotBytes;
        len -= kSlotBytes;
    }
    return WriteSlot(buf, len, endEvent);
}

int PcmRingBuffer::WriteSlot(const char* buf, int len, HANDLE endEvent) {
    int result = 0;
    if (WaitFor(m_spaceEvent, endEvent, &PcmRingBuffer::CanWrite)) {
        Slot& slot = m_slots[m_writeIndex];
        if (len > 0 && buf) {
            memcpy(slot.data, buf, static_cast<size_t>(len));
            slot.length = static_cast<DWORD>(len);
        } else {
            slot.length = 0;  // still takes a slot, as the reader will see
        }
    } else {
        // Playback has ended. The one reserve slot may take an empty block,
        // which the reader meets as the end; with none left nothing is touched,
        // since every other slot may still hold data to be delivered.
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_free == 0) return 1;
        m_slots[m_writeIndex].length = 0;
        result = 1;
    }
    m_writeIndex = (m_writeIndex + 1) % kSlots;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        --m_free;
        if (m_free == 1) ResetEvent(m_spaceEvent);
        if (m_free == kSlots - 1) SetEvent(m_dataEvent);
    }
    Sleep(0);
    return result;
}

DWORD PcmRingBuffer::Read(BYTE* dst, DWORD room, HANDLE endEvent) {
    if (!WaitFor(m_dataEvent, endEvent, &PcmRingBuffer::HasData)) return 0;
    const Slot& slot = m_slots[m_readIndex];
    DWORD length = slot.length > kSlotBytes ? kSlotBytes : slot.length;
    DWORD n = length - m_readOffset;
    if (n > room) {
        // The caller has less room than the block: the rest stays for the next call.
        memcpy(dst, slot.data + m_readOffset, room);
        m_readOffset += room;
        return room;
    }
    memcpy(dst, slot.data + m_readOffset, n);
    m_readOffset = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_free < kSlots) ++m_free;
        if (m_free == kSlots) ResetEvent(m_dataEvent);
        if (m_free == 2) SetEvent(m_spaceEvent);
    }
    m_readIndex = (m_readIndex + 1) % kSlots;
    return n;
}
