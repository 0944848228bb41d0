#include "ProgramDriver.h"

#include "tests/engine/EngineFixtures.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>

namespace {
bool Deadline(DWORD start, DWORD timeoutMs) { return GetTickCount() - start > timeoutMs; }

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (pid == s->pid && IsWindowVisible(hwnd) && strcmp(cls, "#32770") == 0) s->found.push_back(hwnd);
    return TRUE;
}
}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (Deadline(start, timeoutMs)) return false;
        Sleep(20);
    }
    return true;
}

std::vector<DWORD> WavoryProcesses() {
    std::vector<DWORD> pids;
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (snapshot.Get() == INVALID_HANDLE_VALUE) {
        snapshot.Detach();
        return pids;
    }
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, "Wavory.exe") == 0) pids.push_back(entry.th32ProcessID);
    return pids;
}

void EndStrayPrograms() {
    for (DWORD pid : WavoryProcesses()) {
        CHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (!process.IsValid()) continue;
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
}

namespace {
struct ForeignSearch {
    int controlId;
    const std::vector<DWORD>* skip;
    HWND found;
};
BOOL CALLBACK CollectForeign(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<ForeignSearch*>(lp);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof(cls));
    DWORD pid = ProcessOf(w);
    bool skipped = std::find(s->skip->begin(), s->skip->end(), pid) != s->skip->end();
    if (pid != GetCurrentProcessId() && !skipped && strcmp(cls, "#32770") == 0 && IsWindowVisible(w) &&
        GetDlgItem(w, s->controlId)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

HWND FindForeignDialog(int controlId, const std::vector<DWORD>& skip, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        ForeignSearch s{controlId, &skip, nullptr};
        EnumWindows(&CollectForeign, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(20);
    } while (!Deadline(start, timeoutMs));
    return nullptr;
}

void TypeFileNameAndOpen(HWND fileDialog, const std::string& text) {
    HWND box = GetDlgItem(fileDialog, 1148);
    HWND edit = FindWindowExA(box, nullptr, "Edit", nullptr);  // the box may be a combo box
    // The names are UTF-8; the dialog takes them as any user types them, in UTF-16.
    SendMessageW(edit ? edit : box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fixtures::TestPath(text).c_str()));
    ProgramDriver::Click(fileDialog, IDOK);
}

namespace {
BOOL CALLBACK FindList(HWND child, LPARAM found) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof(cls));
    if (strcmp(cls, "SysListView32") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}
int ListedItems(HWND fileDialog) {
    HWND list = nullptr;
    EnumChildWindows(fileDialog, &FindList, reinterpret_cast<LPARAM>(&list));
    DWORD_PTR count = 0;
    if (list) SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 10000, &count);
    return static_cast<int>(count);
}
}  // namespace

bool OpenFolderInFileDialog(HWND fileDialog, const std::string& folder, int items) {
    TypeFileNameAndOpen(fileDialog, folder);
    std::string name = folder.substr(folder.find_last_of('\\') + 1);
    // The "Look in" box names the folder once the dialog has moved into it; its
    // list fills a moment later, and names typed before that are not found.
    return WaitUntil([&] { return ProgramDriver::ItemText(fileDialog, 1137) == name && ListedItems(fileDialog) >= items; });
}

ProgramDriver::~ProgramDriver() {
    if (IsRunning()) {
        TerminateProcess(m_process, 99);
        WaitForSingleObject(m_process, 5000);
    }
}

std::string ProgramDriver::ProgramFolder() {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return std::string(cwd) + "\\..\\app";
}

bool ProgramDriver::Start(const std::string& arguments, const std::string& program) {
    std::string path = program.empty() ? ProgramFolder() + "\\Wavory.exe" : program;
    std::string folder = path.substr(0, path.find_last_of('\\'));
    std::string command = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    // The program gets no handle of ours: a test runner waits on them.
    CFileHandle nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_process.Attach(pi.hProcess);
    m_pid = pi.dwProcessId;
    return true;
}

bool ProgramDriver::WaitExit(DWORD timeoutMs, DWORD* code) {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) GetExitCodeProcess(m_process, code);
    return true;
}

bool ProgramDriver::IsRunning() const {
    return m_process.IsValid() && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> ProgramDriver::Windows() const {
    Search s{m_pid, {}};
    EnumWindows(&Collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ProgramDriver::FindDialog(int controlId, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    do {
        for (HWND w : Windows())
            if (GetDlgItem(w, controlId)) return w;
        Sleep(20);
    } while (!Deadline(start, timeoutMs));
    return nullptr;
}

std::vector<HWND> ProgramDriver::MessageBoxes() const {
    std::vector<HWND> boxes;
    for (HWND w : Windows())
        if (GetDlgItem(w, 0xFFFF)) boxes.push_back(w);
    return boxes;
}

HWND ProgramDriver::FindMessageBox(const std::string& part, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    do {
        for (HWND w : MessageBoxes())
            if (BoxText(w).find(part) != std::string::npos) return w;
        Sleep(20);
    } while (!Deadline(start, timeoutMs));
    return nullptr;
}

std::string ProgramDriver::Text(HWND window) {
    char text[1024] = {};
    DWORD_PTR result = 0;
    // Generous: a loaded machine can keep the program's window thread busy for seconds.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 10000,
                        &result);
    return text;
}

int ProgramDriver::Position(HWND dialog, int progressId) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, progressId), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<int>(result);
}

void ProgramDriver::Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ProgramDriver::WaitText(HWND dialog, int id, const std::string& expected, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (ItemText(dialog, id) != expected) {
        if (Deadline(start, timeoutMs)) return false;
        Sleep(20);
    }
    return true;
}

bool ProgramDriver::Screenshot(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DWORD rowBytes = (w * 3 + 3) & ~3u, size = rowBytes * h;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    bool ok = file.IsValid() && WriteFile(file, &fh, sizeof(fh), &written, nullptr) &&
              WriteFile(file, &bi.bmiHeader, sizeof(bi.bmiHeader), &written, nullptr) &&
              WriteFile(file, bits, size, &written, nullptr);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}
