#include "FileList.h"

#include <cstdlib>
#include <cstring>

#include "../framework/BinaryFile.h"
#include "../framework/FileSystem.h"
#include "../framework/ListFileNames.h"
#include "../framework/Unicode.h"
#include "OutputFolder.h"
#include "ProgramBatch.h"

namespace {
// Reads the text as the stream functions of the writer's format would: numbers
// skip white space before them, the "\n" directive skips all that follows.
class ListScanner {
public:
    explicit ListScanner(const std::string& text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    void SkipSpace() {
        while (!AtEnd() && isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    }
    bool Number(long long& value) {
        SkipSpace();
        size_t start = m_pos;
        if (!AtEnd() && (m_text[m_pos] == '-' || m_text[m_pos] == '+')) ++m_pos;
        size_t digits = m_pos;
        while (!AtEnd() && isdigit(static_cast<unsigned char>(m_text[m_pos])) && m_pos - digits < 10) ++m_pos;
        if (m_pos == digits) return false;
        if (!AtEnd() && isdigit(static_cast<unsigned char>(m_text[m_pos]))) return false;  // too many digits
        value = strtoll(m_text.c_str() + start, nullptr, 10);
        return true;
    }
    // Everything up to the line end; false when nothing is there.
    bool Line(std::string& line) {
        size_t end = m_text.find('\n', m_pos);
        if (end == std::string::npos) end = m_text.size();
        if (end == m_pos) return false;
        line.assign(m_text, m_pos, end - m_pos);
        m_pos = end;
        return true;
    }

private:
    const std::string& m_text;
    size_t m_pos = 0;
};

std::string TextModeLines(const std::string& raw) {
    // CR LF on disk reads as LF in text mode; a bare LF reads the same.
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) text += raw[i];
    return text;
}

const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkSize = sizeof(kByteOrderMark) - 1;
// The platform's longest path, in UTF-16 units.
constexpr size_t kLongestPath = 32767;
// A real list holds a few thousand paths at the most.
constexpr int64_t kLargestList = 64 << 20;

// How the lines of one list are spelt: UTF-8 after the mark, the code page of
// older writers without it.
class LineReader {
public:
    LineReader(bool marked, UINT legacyCodePage) : m_marked(marked), m_codePage(legacyCodePage) {}
    // The next line in UTF-8; false when it is missing, too long or not text of its kind.
    bool Take(ListScanner& scan, std::string& line) const {
        std::string bytes;
        if (scan.AtEnd() || !scan.Line(bytes)) return false;
        if (m_marked && !IsValidUtf8(bytes)) return false;
        line = m_marked ? bytes : CodePageToUtf8(bytes, m_codePage);
        return !line.empty() && Widen(line).size() <= kLongestPath;
    }

private:
    bool m_marked;
    UINT m_codePage;
};

bool ReadWhole(const std::string& path, std::string& raw) {
    CBinaryFile file;
    if (!file.Open(path.c_str(), "rb")) return false;
    int64_t size = file.Size();
    if (size < 0 || size > kLargestList) return false;
    raw.assign(static_cast<size_t>(size), '\0');
    return raw.empty() || file.Read(&raw[0], raw.size()) == raw.size();
}

void DeleteList(const std::string& path) {
    // The extension writes its lists hidden; a read-only mark must not keep one either.
    fs::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    fs::Delete(path);
}

// The one place that knows how BatchState holds the sources and the folder.
int StoreInBatch(const FileListContent& content, std::string& folder) {
    folder.clear();
    BatchState& batch = Batch();
    batch.SetSources(content.paths);
    if (content.flag > 0) {
        folder = content.folder;
        return content.flag;
    }
    if (ApplyOutputFolderPolicy(nullptr, batch.sourcePaths[0].c_str(), folder) == FolderPolicyResult::kNoFolder) {
        batch.FreeSources();
        return kListNoFolder;
    }
    return content.flag;
}
}  // namespace

int ParseFileList(const std::string& raw, FileListContent& content, UINT legacyCodePage) {
    bool marked = raw.compare(0, kByteOrderMarkSize, kByteOrderMark) == 0;
    std::string text = TextModeLines(marked ? raw.substr(kByteOrderMarkSize) : raw);
    LineReader lines(marked, legacyCodePage);
    ListScanner scan(text);
    long long flag = 0, count = 0;
    if (!scan.Number(flag) || flag < 0) return kListMalformed;
    scan.SkipSpace();
    if (!lines.Take(scan, content.folder)) return kListMalformed;
    if (!scan.Number(count) || count < 0) return kListMalformed;
    scan.SkipSpace();
    if (count == 0) return kListEmpty;
    content.paths.clear();
    for (long long i = 0; i < count; ++i) {
        std::string line;
        if (!lines.Take(scan, line)) return kListMalformed;
        content.paths.push_back(line);
        scan.SkipSpace();
    }
    content.flag = static_cast<int>(flag);
    return content.flag;
}

std::string FileListPath() { return fs::TempFolder() + kSharedListName; }

namespace {
// Only a list an extension wrote for this start is ours to delete: a name on
// the command line could be any file.
bool IsOwnList(const std::string& path) {
    std::string folder = path.substr(0, path.rfind('\\') + 1), name = path.substr(folder.size());
    const size_t prefix = sizeof(kOwnListPrefix) - 1, extension = sizeof(kListExtension) - 1;
    return SameFolder(folder.c_str(), fs::TempFolder().c_str()) && name.size() > prefix + extension &&
           EqualNoCase(name.substr(0, prefix), kOwnListPrefix) &&
           EqualNoCase(name.substr(name.size() - extension), kListExtension);
}
}  // namespace

ListFile ListFileFor(const std::string& name) {
    if (name.empty()) return ListFile{FileListPath(), false};
    return ListFile{name, IsOwnList(name)};
}

int ReadFileList(const ListFile& list, std::string& folder) {
    std::string raw;
    bool read = ReadWhole(list.path, raw);
    // Read or not, a list written for this start is of no use to anyone else.
    if (list.deleteAfterReading) DeleteList(list.path);
    if (!read) return kListMalformed;
    FileListContent content;
    int result = ParseFileList(raw, content);
    if (result < 0) return result;
    return StoreInBatch(content, folder);
}
