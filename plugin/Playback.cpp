#include "Playback.h"

bool CPlayback::Start(std::unique_ptr<CMp3File> file, Out_Module* out, HWND notify) {
    Stop();
    m_file = std::move(file);
    m_out = out;
    m_notify = notify;
    m_rate = m_file->Rate();
    m_lengthMs = m_file->LengthMs();
    m_framesWritten = 0;
    m_stop = false;
    m_thread.Attach(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!m_thread.IsValid()) m_file.reset();
    return m_thread.IsValid();
}

void CPlayback::Stop() {
    m_stop = true;
    if (m_thread.IsValid()) {
        WaitForSingleObject(m_thread, INFINITE);
        m_thread.Close();
    }
    m_file.reset();
}

int CPlayback::OutputTimeMs() const {
    return m_rate ? static_cast<int>(m_framesWritten.load() * 1000 / m_rate) : 0;
}

DWORD WINAPI CPlayback::ThreadMain(void* self) {
    static_cast<CPlayback*>(self)->Run();
    return 0;
}

bool CPlayback::WaitForRoom(int frameBytes, int& room) {
    for (int tries = 0;; ++tries) {
        if (m_stop) return false;
        room = m_out->CanWrite();
        if (room >= frameBytes) return true;
        // The reader frees a slot within microseconds of converting it: yield
        // first, and sleep only when it is held up for longer.
        Sleep(tries < 200 ? 0 : 1);
    }
}

void CPlayback::Run() {
    const int frameBytes = m_file->Channels() * 2;
    if (m_out->Open(m_rate, m_file->Channels(), 16, -1, -1) < 0) {
        m_file->Close();
        // The end is told only after the output reported nothing playing, as always.
        m_out->IsPlaying();
        PostMessageA(m_notify, kPluginEndOfFileMessage, 0, 0);
        return;
    }
    BYTE block[kBlockBytes];
    int room = 0;
    while (WaitForRoom(frameBytes, room)) {
        size_t want = static_cast<size_t>(room < kBlockBytes ? room : kBlockBytes);
        want -= want % static_cast<size_t>(frameBytes);
        size_t got = 0;
        if (m_file->Read(block, want, got) == CMp3File::kEnd) break;
        if (m_out->Write(reinterpret_cast<char*>(block), static_cast<int>(got)) != 0) {
            m_file->Close();  // the host ended it
            return;
        }
        m_framesWritten += static_cast<int64_t>(got) / frameBytes;
    }
    // Played out once the output holds nothing more; only then is the end told.
    while (!m_stop && m_out->IsPlaying()) Sleep(1);
    const WPARAM end = m_file->ReadFailed() ? kEndOfFileReadFailed : 0;
    // Read to its end: the file is let go now, not when the next one starts, so
    // that the user may change or replace it at once.
    m_file->Close();
    if (!m_stop) PostMessageA(m_notify, kPluginEndOfFileMessage, end, 0);
}
