#include "BinaryFile.h"

#include "FileSystem.h"
#include "Unicode.h"

bool CBinaryFile::Open(const char* path, const char* mode) {
    Close();
    m_fp = _wfopen(fs::SystemPath(path).c_str(), Widen(mode).c_str());
    return m_fp != nullptr;
}

size_t CBinaryFile::Read(void* buffer, size_t bytes) { return m_fp ? fread(buffer, 1, bytes, m_fp) : 0; }

size_t CBinaryFile::Write(const void* buffer, size_t bytes) {
    return m_fp ? fwrite(buffer, 1, bytes, m_fp) : 0;
}

bool CBinaryFile::Seek(int64_t offset, int origin) { return m_fp && fseeko64(m_fp, offset, origin) == 0; }

int64_t CBinaryFile::Tell() const { return m_fp ? ftello64(m_fp) : -1; }

int64_t CBinaryFile::Size() const {
    if (!m_fp) return -1;
    int64_t here = ftello64(m_fp);
    if (fseeko64(m_fp, 0, SEEK_END) != 0) return -1;
    int64_t size = ftello64(m_fp);
    fseeko64(m_fp, here, SEEK_SET);
    return size;
}

bool CBinaryFile::Flush() { return m_fp && fflush(m_fp) == 0; }

bool CBinaryFile::Close() {
    if (!m_fp) return true;
    bool ok = fclose(m_fp) == 0;
    m_fp = nullptr;
    return ok;
}
