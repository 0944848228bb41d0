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

namespace {
// About a hundred microseconds of yielding: longer than the writer takes to
// decode a block, far shorter than a wait the ring really has to sit out.
constexpr int kYields = 200;
}  // namespace

bool PcmRingBuffer::Ready(bool (PcmRingBuffer::*ready_locked)() const) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return (this->*ready_locked)();
}

bool PcmRingBuffer::WaitFor(HANDLE ready, HANDLE endEvent, bool (PcmRingBuffer::*ready_locked)() const,
                            bool& waiting) {
    for (int i = 0; i < kYields; ++i) {
        if (Ready(ready_locked)) return true;
        Sleep(0);
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if ((this->*ready_locked)()) return true;
            waiting = true;  // from now on the other side sets the event
            ResetEvent(ready);
        }
        HANDLE events[2] = {ready, endEvent};
        DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            waiting = false;
            // Blocks already queued count before the end.
            if ((this->*ready_locked)()) return true;
        }
        if (woken != WAIT_OBJECT_0) return false;
    }
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
    if (WaitFor(m_spaceEvent, endEvent, &PcmRingBuffer::SpaceLocked, m_writerWaiting)) {
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
        if (m_readerWaiting) SetEvent(m_dataEvent);
    }
    Sleep(0);
    return result;
}

DWORD PcmRingBuffer::Read(BYTE* dst, DWORD room, HANDLE endEvent) {
    if (!WaitFor(m_dataEvent, endEvent, &PcmRingBuffer::DataLocked, m_readerWaiting)) return 0;
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
        if (m_writerWaiting && m_free > 1) SetEvent(m_spaceEvent);
    }
    m_readIndex = (m_readIndex + 1) % kSlots;
    return n;
}
