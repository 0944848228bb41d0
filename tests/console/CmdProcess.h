// WavoryCmd.exe run as a script runs it: its own process, standard output and
// error read through pipes, an exit code within a deadline.
#pragma once
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"

class CCmdProcess {
public:
    // With a console of its own when asked, which a Ctrl+C can then be sent
    // to; otherwise with none shown, as a script's tool runs.
    CCmdProcess(const std::wstring& exe, const std::wstring& args, bool ownConsole = false) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
        if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return;
        if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
            CloseHandle(outRead);
            CloseHandle(outWrite);
            return;
        }
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = outWrite;
        si.hStdError = errWrite;
        std::wstring line = L"\"" + exe + L"\" " + args;
        PROCESS_INFORMATION pi{};
        m_started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE,
                                   ownConsole ? CREATE_NEW_CONSOLE : CREATE_NO_WINDOW, nullptr,
                                   nullptr, &si, &pi);
        CloseHandle(outWrite);
        CloseHandle(errWrite);
        if (m_started) {
            m_process.Attach(pi.hProcess);
            CloseHandle(pi.hThread);
            m_id = pi.dwProcessId;
        }
        m_readers.emplace_back([this, outRead] { Drain(outRead, m_out); });
        m_readers.emplace_back([this, errRead] { Drain(errRead, m_err); });
    }
    ~CCmdProcess() {
        if (m_started && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) TerminateProcess(m_process, 99);
        for (auto& t : m_readers) t.join();
    }
    bool Started() const { return m_started; }
    DWORD Id() const { return m_id; }
    // Until standard error holds text, or the deadline.
    bool WaitForErr(const std::string& text, DWORD ms) {
        DWORD start = GetTickCount();
        while (Err().find(text) == std::string::npos) {
            if (GetTickCount() - start > ms || WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) return false;
            Sleep(10);
        }
        return true;
    }
    // The exit code once it has ended and its output is read; 0xFFFFFFFF past the deadline.
    DWORD Wait(DWORD ms = 60000) {
        if (!m_started || WaitForSingleObject(m_process, ms) != WAIT_OBJECT_0) return 0xFFFFFFFF;
        for (auto& t : m_readers) t.join();
        m_readers.clear();
        DWORD code = 0xFFFFFFFF;
        GetExitCodeProcess(m_process, &code);
        return code;
    }
    std::string Out() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_out;
    }
    std::string Err() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_err;
    }

private:
    // Until the pipe ends, or the program has ended and its output is read: a
    // process it started may hold the pipe's other end for ever (Wine starts its
    // desktop process from the first program that makes a window, and that one
    // gets the program's standard handles).
    void Drain(HANDLE pipe, std::string& into) {
        char buffer[4096];
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) break;  // ended
            if (available == 0) {
                if (m_started && WaitForSingleObject(m_process, 10) == WAIT_TIMEOUT) continue;
                // Ended (or never started): what it wrote last is in the pipe by now.
                if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
            }
            DWORD got = 0;
            if (!ReadFile(pipe, buffer, available < sizeof(buffer) ? available : sizeof(buffer), &got, nullptr) || !got)
                break;
            std::lock_guard<std::mutex> hold(m_lock);
            into.append(buffer, got);
        }
        CloseHandle(pipe);
    }
    bool m_started = false;
    CHandle m_process;
    DWORD m_id = 0;
    std::mutex m_lock;
    std::string m_out, m_err;
    std::vector<std::thread> m_readers;
};

// A strict reader of one line of JSON output: an object whose values are
// strings, numbers, true, false or objects, as name -> value; a nested
// object's names get its name and a dot in front; strings unescaped (ASCII
// escapes; other characters stay UTF-8). Empty when the line is not such JSON.
class CJsonLine {
public:
    static std::map<std::string, std::string> Parse(const std::string& line) {
        CJsonLine reader(line);
        if (!reader.Object("") || reader.m_at != line.size()) reader.m_values.clear();
        return reader.m_values;
    }

private:
    explicit CJsonLine(const std::string& line) : m_line(line) {}
    bool Peek(char c) const { return m_at < m_line.size() && m_line[m_at] == c; }
    bool Take(char c) { return Peek(c) ? (++m_at, true) : false; }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (m_at < m_line.size() && m_line[m_at] != '"') {
            char c = m_line[m_at++];
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') { out += c; continue; }
            if (m_at >= m_line.size()) return false;
            char e = m_line[m_at++];
            if (e == 'u') {
                if (m_at + 4 > m_line.size()) return false;
                unsigned long code = std::strtoul(m_line.substr(m_at, 4).c_str(), nullptr, 16);
                m_at += 4;
                if (code >= 0x80) return false;
                out += static_cast<char>(code);
            } else if (e == '"' || e == '\\' || e == '/') {
                out += e;
            } else {
                return false;
            }
        }
        return Take('"');
    }
    bool Scalar(std::string& out) {
        for (const char* word : {"true", "false"})
            if (m_line.compare(m_at, strlen(word), word) == 0) return out = word, m_at += strlen(word), true;
        size_t start = m_at;
        if (Peek('-')) ++m_at;
        while (m_at < m_line.size() && (isdigit(static_cast<unsigned char>(m_line[m_at])) || m_line[m_at] == '.')) ++m_at;
        out = m_line.substr(start, m_at - start);
        return !out.empty() && out != "-";
    }
    bool Object(const std::string& prefix) {
        if (!Take('{')) return false;
        if (Take('}')) return true;
        do {
            std::string name, value;
            if (!String(name) || !Take(':')) return false;
            if (Peek('{')) {
                if (!Object(prefix + name + ".")) return false;
                continue;
            }
            if (!(Peek('"') ? String(value) : Scalar(value))) return false;
            m_values[prefix + name] = value;
        } while (Take(','));
        return Take('}');
    }
    const std::string& m_line;
    size_t m_at = 0;
    std::map<std::string, std::string> m_values;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
