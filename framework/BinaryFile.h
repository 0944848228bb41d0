// A buffered binary file stream owned by this object, with 64-bit offsets.
#pragma once
#include <cstdint>
#include <cstdio>

class CBinaryFile {
public:
    CBinaryFile() = default;
    ~CBinaryFile() { Close(); }
    CBinaryFile(const CBinaryFile&) = delete;
    CBinaryFile& operator=(const CBinaryFile&) = delete;

    // mode as for fopen: "rb", "wb", "r+b".
    bool Open(const char* path, const char* mode);
    bool IsOpen() const { return m_fp != nullptr; }
    size_t Read(void* buffer, size_t bytes);
    size_t Write(const void* buffer, size_t bytes);
    bool Seek(int64_t offset, int origin = SEEK_SET);
    int64_t Tell() const;
    int64_t Size() const;
    bool Flush();
    // A read or write failed (not the end of the file).
    bool HadError() const { return m_fp && ferror(m_fp); }
    // False when buffered data could not be written out.
    bool Close();

private:
    FILE* m_fp = nullptr;
};
