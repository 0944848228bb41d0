// Stands in for Wavory.exe beside the extension: records its command line.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 12);
    char* slash = strrchr(path, '\\');
    char* name = slash ? slash + 1 : path;
    strcpy(name, "args.tmp");
    FILE* out = fopen(path, "wb");
    if (!out) return 1;
    fputs(GetCommandLineA(), out);
    if (fclose(out) != 0) return 1;
    // Whole or not at all: a test that sees args.txt may read it at once.
    char done[MAX_PATH] = {};
    strcpy(done, path);
    strcpy(done + (name - path), "args.txt");
    return MoveFileExA(path, done, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
