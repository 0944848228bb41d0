// Stands in for Wavory.exe beside the extension: records its command line.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 12);
    char* slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "args.txt");
    FILE* out = fopen(path, "wb");
    if (!out) return 1;
    fputs(GetCommandLineA(), out);
    fclose(out);
    return 0;
}
