// Output names a batch chooses so that it never replaces what it wrote itself:
// the outputs written so far, the numbered twin of a name, and the folder of a
// file when the sources' folder tree is kept.
#pragma once
#include <functional>
#include <set>
#include <string>

#include "../framework/Monitor.h"

// Shared by the files a batch converts at once: a name is claimed by the one
// conversion that writes it, so two never write the same output together.
class COutputNames {
public:
    // Compared as the file system compares names: without regard to case.
    bool Written(const char* path) const;
    void Add(const char* path);

    // Claims path, waiting while another conversion holds it; false when
    // keepWaiting said to give up.
    bool Claim(const std::string& path, const std::function<bool()>& keepWaiting);
    // Claims path when it is neither claimed nor written; false otherwise.
    bool ClaimUnused(const std::string& path);
    void Release(const std::string& path);

private:
    static std::string Key(const char* path);
    mutable CMonitor m_monitor;  // guards the two sets
    std::set<std::string> m_paths;
    std::set<std::string> m_claimed;
};

// The claim of one output name, released when it ends.
class COutputClaim {
public:
    explicit COutputClaim(COutputNames& names) : m_names(names) {}
    ~COutputClaim() { Release(); }
    COutputClaim(const COutputClaim&) = delete;
    COutputClaim& operator=(const COutputClaim&) = delete;

    bool Claim(const std::string& path, const std::function<bool()>& keepWaiting);
    // Moves the claim to path when that name is free to take.
    bool MoveTo(const std::string& path);
    void Release();

private:
    COutputNames& m_names;
    std::string m_path;  // empty while nothing is claimed
};

// C:\Out\01 Intro.wav with n = 2 gives C:\Out\01 Intro (2).wav; false (out
// empty) when it passes the longest path.
bool NumberedPath(const char* path, int n, std::string& out);

// The folder for a file found below selectedFolder when the tree is kept: the
// output folder plus the file's folder relative to the selected folder's
// parent. When the output folder is that parent, the copy of the selected
// folder is named "<folder> (WAV)" beside it, so the sources are never
// written into. False (out empty) when it passes the longest path.
bool MirrorFolder(const char* outputFolder, const char* selectedFolder, const char* sourcePath, std::string& out);

// Makes folder and every missing folder above it; true when it exists after.
bool MakeFolders(const char* folder);
