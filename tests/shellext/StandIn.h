// The extension loaded from the folder of a stand-in Wavory.exe
// (RecordArgs.cpp), and what that stand-in recorded of its starts.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/ComPtr.h"
#include "framework/FileSystem.h"
#include "framework/Handles.h"
#include "framework/Unicode.h"
#include "shellext/Identity.h"

namespace {
const char kMark[] = "\xEF\xBB\xBF";

std::string Here() {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return cwd;
}
std::string FullPath(const std::string& path) {
    wchar_t full[4096] = {};
    DWORD n = GetFullPathNameW(Widen(path).c_str(), 4096, full, nullptr);
    return Narrow(full, n);
}
std::string StandInFolder() { return Here() + "\\..\\standin"; }

std::string ReadText(const std::string& path) {
    CFileHandle file(fs::Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING));
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (file.IsValid() && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

bool WriteText(const std::string& path, const std::string& text) {
    CFileHandle file(fs::Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
    DWORD written = 0;
    return file.IsValid() && WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// Removes a tree whatever characters its names hold.
void RemoveTree(const std::string& path) {
    fs::CListing listing;
    for (bool more = listing.Open(path, "*"); more; more = listing.Next()) {
        std::string name = listing.Name();
        if (name == "." || name == "..") continue;
        std::string child = path + "\\" + name;
        fs::SetAttributes(child, FILE_ATTRIBUTE_NORMAL);
        if (listing.IsFolder())
            RemoveTree(child);
        else
            fs::Delete(child);
    }
    RemoveDirectoryW(fs::SystemPath(path).c_str());
}

// What the extension must write for these names, beside this extension folder.
std::string ExpectedList(const std::string& extensionFolder, const std::vector<std::string>& names) {
    std::string text = std::string(kMark) + "0\r\n" + extensionFolder + "\r\n" + std::to_string(names.size()) + "\r\n";
    for (const auto& name : names) text += name + "\r\n";
    return text;
}

// The extension loaded from a folder that holds the stand-in program.
class Extension {
public:
    explicit Extension(const std::string& folder = StandInFolder())
        : m_dll(LoadLibraryW(fs::SystemPath(folder + "\\Sonelle.dll").c_str())) {
        if (!m_dll) return;
        getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllGetClassObject")));
        canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(m_dll, "DllCanUnloadNow")));
        if (getClassObject) getClassObject(shellext::kClsid, IID_IClassFactory, factory.ReceiveVoid());
    }
    // An object of any class the DLL serves, made through its class factory as COM makes it.
    template <typename I>
    CComPtr<I> CreateClass(REFCLSID clsid, REFIID iid) {
        CComPtr<IClassFactory> classFactory;
        CComPtr<I> object;
        if (getClassObject && SUCCEEDED(getClassObject(clsid, IID_IClassFactory, classFactory.ReceiveVoid())))
            classFactory->CreateInstance(nullptr, iid, object.ReceiveVoid());
        return object;
    }
    CComPtr<IShellExtInit> Create() {
        CComPtr<IShellExtInit> init;
        if (factory) factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveVoid());
        return init;
    }
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    CModuleHandle m_dll;
    GetClassObject getClassObject = nullptr;
    CComPtr<IClassFactory> factory;
    HRESULT(STDAPICALLTYPE* canUnload)() = nullptr;
};

// The command lines the stand-in recorded in folder (one args-<pid>.txt a start).
std::vector<std::string> Records(const std::string& folder) {
    std::vector<std::string> lines;
    fs::CListing listing;
    for (bool more = listing.Open(folder, "args-*.txt"); more; more = listing.Next()) {
        std::string text = ReadText(folder + "\\" + listing.Name());
        if (!text.empty()) lines.push_back(text);  // the stand-in never records nothing
    }
    return lines;
}

void ClearRecords(const std::string& folder) {
    fs::CListing listing;
    std::vector<std::string> names;
    for (bool more = listing.Open(folder, "args-*"); more; more = listing.Next()) names.push_back(listing.Name());
    for (const auto& name : names) fs::Delete(folder + "\\" + name);
}

// The command lines of count starts once their records are in place and let
// go: the stand-in's rename holds a file open for a moment, and a read then
// fails. Fewer when no more programs recorded anything before the deadline.
std::vector<std::string> WaitForStarts(size_t count, const std::string& folder = StandInFolder()) {
    const DWORD deadlineMs = 10000;
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<std::string> lines = Records(folder);
        if (lines.size() >= count || GetTickCount() - start > deadlineMs) return lines;
        Sleep(20);
    }
}

std::string WaitForArgs(const std::string& folder = StandInFolder()) {
    std::vector<std::string> lines = WaitForStarts(1, folder);
    return lines.empty() ? std::string() : lines[0];
}

// The list named by a line that ends in -i "<path>"; empty for any other line.
std::string NamedList(const std::string& line) {
    const std::string marker = " -i \"";
    size_t at = line.rfind(marker);
    if (at == std::string::npos || line.size() < at + marker.size() + 2 || line.back() != '"') return std::string();
    return line.substr(at + marker.size(), line.size() - at - marker.size() - 1);
}
}  // namespace
