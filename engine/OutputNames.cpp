#include "OutputNames.h"

#include <windows.h>

#include <cstring>

#include "../framework/FileSystem.h"
#include "../framework/Unicode.h"
#include "PathRules.h"

std::string COutputNames::Key(const char* path) {
    // Upper-cased as the file system folds names, whatever their script.
    std::wstring key = Widen(path);
    if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return Narrow(key);
}

bool COutputNames::Written(const char* path) const {
    CMonitor::CHold hold(m_monitor);
    return m_paths.count(Key(path)) != 0;
}

void COutputNames::Add(const char* path) {
    CMonitor::CHold hold(m_monitor);
    m_paths.insert(Key(path));
}

bool COutputNames::Claim(const std::string& path, const std::function<bool()>& keepWaiting) {
    const std::string key = Key(path.c_str());
    CMonitor::CHold hold(m_monitor);
    // The holder is converting: it ends, or sees the stop, within moments.
    while (m_claimed.count(key)) {
        if (!keepWaiting()) return false;
        hold.Wait(50);
    }
    m_claimed.insert(key);
    return true;
}

bool COutputNames::ClaimUnused(const std::string& path) {
    const std::string key = Key(path.c_str());
    CMonitor::CHold hold(m_monitor);
    if (m_claimed.count(key) || m_paths.count(key)) return false;
    m_claimed.insert(key);
    return true;
}

void COutputNames::Release(const std::string& path) {
    {
        CMonitor::CHold hold(m_monitor);
        m_claimed.erase(Key(path.c_str()));
    }
    m_monitor.WakeAll();
}

bool COutputClaim::Claim(const std::string& path, const std::function<bool()>& keepWaiting) {
    Release();
    if (!m_names.Claim(path, keepWaiting)) return false;
    m_path = path;
    return true;
}

bool COutputClaim::MoveTo(const std::string& path) {
    if (!m_names.ClaimUnused(path)) return false;
    Release();
    m_path = path;
    return true;
}

void COutputClaim::Release() {
    if (m_path.empty()) return;
    m_names.Release(m_path);
    m_path.clear();
}

bool NumberedPath(const char* path, int n, std::string& out) {
    out = path;
    size_t dot = out.rfind('.');
    size_t slash = out.rfind('\\');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = out.size();
    out.insert(dot, " (" + std::to_string(n) + ")");
    if (out.size() <= kMaxPathBytes) return true;
    out.clear();
    return false;
}

namespace {
std::string Folder(const char* path) {
    std::string folder;
    FolderOfPath(path, folder);
    return folder;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path[folder.size()] == '\\' &&
           SameFolder(path.substr(0, folder.size()).c_str(), folder.c_str());
}
}  // namespace

bool MirrorFolder(const char* outputFolder, const char* selectedFolder, const char* sourcePath, std::string& out) {
    out.clear();
    const std::string base = Folder(selectedFolder), from = Folder(sourcePath);
    // Below the base: "Album\Disc 2"; a file directly in a selected drive root has nothing below.
    std::string relative;
    if (StartsWithFolder(from, base)) relative = from.substr(base.size() + 1);
    if (relative.empty()) {
        out = outputFolder;
        return out.size() <= kMaxPathBytes;
    }
    // A copy that would fall into the selected folder (the output folder is the
    // one that holds it, however typed) is made beside it instead. An output
    // folder inside the selected one is never walked: its copy may stay there.
    if (!JoinPath(outputFolder, relative.c_str(), out)) return false;
    if (!IsWithinFolder(out.c_str(), selectedFolder) || IsWithinFolder(outputFolder, selectedFolder)) return true;
    size_t top = relative.find('\\');
    relative.insert(top == std::string::npos ? relative.size() : top, " (WAV)");
    return JoinPath(outputFolder, relative.c_str(), out);
}

bool MakeFolders(const char* folder) {
    std::string path = folder;
    // Each level from the first below the root; those that exist stay as they are.
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        fs::MakeFolder(path.substr(0, at));
    fs::MakeFolder(path);
    return fs::IsFolder(path);
}
