// WavoryCmd.exe run as a script runs it: its own process, standard output and
// error read through pipes, an exit code within a deadline.
#pragma once
#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Handles.h"

class CCmdProcess {
public:
    // With a console of its own when asked, which a Ctrl+C can then be sent to.
    CCmdProcess(const std::wstring& exe, const std::wstring& args, bool ownConsole = false) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE outRead, outWrite, errRead, errWrite;
        CreatePipe(&outRead, &outWrite, &inherit, 0);
        CreatePipe(&errRead, &errWrite, &inherit, 0);
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
        m_started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, ownConsole ? CREATE_NEW_CONSOLE : 0, nullptr,
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
    void Drain(HANDLE pipe, std::string& into) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got) {
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

// One line of JSON output as name -> value; a nested object's names get its
// name and a dot in front; strings unescaped (UTF-8), other values as written.
// Empty when the line is no JSON object.
inline std::map<std::string, std::string> ParseJsonLine(const std::string& line) {
    std::map<std::string, std::string> values;
    std::vector<std::string> prefix;
    size_t i = 0;
    auto fail = [&values] { values.clear(); return values; };
    auto readString = [&line, &i](std::string& out) {
        if (line[i] != '"') return false;
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\') { out += line[i]; continue; }
            char e = line[++i];
            if (e == 'u') {
                unsigned code = std::stoul(line.substr(i + 1, 4), nullptr, 16);
                i += 4;
                if (code < 0x80) out += static_cast<char>(code); else return false;
            } else {
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        return i++ < line.size();
    };
    std::string key;
    for (; i < line.size();) {
        char c = line[i];
        if (c == '{') { if (!key.empty()) prefix.push_back(key + "."); key.clear(); ++i; }
        else if (c == '}') { if (!prefix.empty()) prefix.pop_back(); ++i; }
        else if (c == ',' || c == ' ' || c == '\r') ++i;
        else if (c == '"') {
            std::string name;
            if (!readString(name) || i >= line.size() || line[i] != ':') return fail();
            ++i;
            std::string full;
            for (auto& p : prefix) full += p;
            full += name;
            if (line[i] == '{') { key = full; continue; }
            std::string value;
            if (line[i] == '"') { if (!readString(value)) return fail(); }
            else { while (i < line.size() && line[i] != ',' && line[i] != '}') value += line[i++]; }
            values[full] = value;
        } else return fail();
    }
    return values;
}

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
