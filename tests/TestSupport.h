// Helpers shared by the test programs.
#pragma once
#include <windows.h>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "framework/MessageBox.h"
#include "framework/RegKey.h"

// Deletes HKCU\Software\<key>\<app> before and after a test.
class ScratchProfile {
public:
    ScratchProfile(std::string key, std::string app) : m_path("Software\\" + key + "\\" + app) { Clear(); }
    ~ScratchProfile() { Clear(); }
    void Clear() const { CRegKey::DeleteTree(HKEY_CURRENT_USER, m_path.c_str()); }
    bool Exists() const {
        CRegKey k;
        return k.Open(HKEY_CURRENT_USER, m_path.c_str()) == ERROR_SUCCESS;
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Records every message box and answers it from a script (IDOK, or the
// positive answer of the box's buttons, once the script is used up).
class MessageBoxRecorder {
public:
    MessageBoxRecorder() {
        m_previous = SetMessageBoxHook([this](const MessageBoxCall& call) { return Answer(call); });
    }
    ~MessageBoxRecorder() { SetMessageBoxHook(std::move(m_previous)); }

    void Script(std::initializer_list<int> answers) {
        std::lock_guard<std::mutex> g(m_lock);
        m_answers.insert(m_answers.end(), answers);
    }
    std::vector<MessageBoxCall> Calls() const {
        std::lock_guard<std::mutex> g(m_lock);
        return m_calls;
    }
    size_t Count() const {
        std::lock_guard<std::mutex> g(m_lock);
        return m_calls.size();
    }
    std::string Texts() const {  // all texts, one a line: handy in failure messages
        std::string all;
        for (const auto& c : Calls()) all += "[" + c.caption + "] " + c.text + "\n";
        return all;
    }

private:
    int Answer(const MessageBoxCall& call) {
        std::lock_guard<std::mutex> g(m_lock);
        m_calls.push_back(call);
        if (!m_answers.empty()) {
            int a = m_answers.front();
            m_answers.pop_front();
            return a;
        }
        UINT buttons = ButtonsOf(call.type);
        return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
    }

    mutable std::mutex m_lock;
    std::vector<MessageBoxCall> m_calls;
    std::deque<int> m_answers;
    MessageBoxHook m_previous;
};

// Pumps this thread's messages until done() is true or the deadline passes.
template <typename Pred>
bool PumpUntil(Pred done, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Runs a command line without a window and waits for it; its exit code, or
// 0xFFFFFFFF when it could not start or did not end in time.
inline DWORD RunAndWait(const std::string& command, DWORD timeoutMs = 60000) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    CHandle process(pi.hProcess), thread(pi.hThread);
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.Get(), &code);
    return code;
}
