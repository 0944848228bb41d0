// Output names a batch chooses so that it never replaces what it wrote itself:
// the outputs written so far, the numbered twin of a name, and the folder of a
// file when the sources' folder tree is kept.
#pragma once
#include <set>
#include <string>


class COutputNames {
public:
    // Compared as the file system compares names: without regard to case.
    bool Written(const char* path) const { return m_paths.count(Key(path)) != 0; }
    void Add(const char* path) { m_paths.insert(Key(path)); }

private:
    static std::string Key(const char* path);
    std::set<std::string> m_paths;
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
