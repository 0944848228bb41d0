#include "FileList.h"

#include <cstdlib>
#include <cstring>

#include "../framework/BinaryFile.h"
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

std::string TextModeLines(std::string raw) {
    // CR LF on disk reads as LF in text mode; a bare LF reads the same.
    std::string text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
        if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) text += raw[i];
    return text;
}
}  // namespace

int ParseFileList(const std::string& raw, FileListContent& content) {
    std::string text = TextModeLines(raw);
    ListScanner scan(text);
    long long flag = 0, count = 0;
    if (!scan.Number(flag) || flag < 0) return kListMalformed;
    scan.SkipSpace();
    if (!scan.Line(content.folder) || content.folder.size() > kMaxPathBytes) return kListMalformed;
    if (!scan.Number(count) || count < 0) return kListMalformed;
    scan.SkipSpace();
    if (count == 0) return kListEmpty;
    content.paths.clear();
    for (long long i = 0; i < count; ++i) {
        std::string line;
        if (scan.AtEnd() || !scan.Line(line) || line.size() > kMaxPathBytes) return kListMalformed;
        content.paths.push_back(line);
        scan.SkipSpace();
    }
    content.flag = static_cast<int>(flag);
    return content.flag;
}

std::string FileListPath() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "\\filelist.flt";
}

int ReadFileList(std::string& folder) {
    CBinaryFile file;
    if (!file.Open(FileListPath().c_str(), "rb")) return kListMalformed;
    int64_t size = file.Size();
    // A real list holds a few thousand paths at the most.
    if (size < 0 || size > (64 << 20)) return kListMalformed;
    std::string raw(static_cast<size_t>(size), '\0');
    if (file.Read(&raw[0], raw.size()) != raw.size()) return kListMalformed;
    file.Close();

    FileListContent content;
    int result = ParseFileList(raw, content);
    if (result < 0) return result;

    BatchState& batch = Batch();
    batch.SetSources(content.paths);
    folder.clear();
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
