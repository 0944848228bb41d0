#include "ProgressView.h"

#include "CmdResults.h"

CProgressView::CProgressView(CConsoleOutput& output, const CConsoleEvents& events, bool shown, uint32_t batchCount)
    : m_output(output), m_events(events), m_shown(shown), m_batchCount(batchCount ? batchCount : 1),
      m_start(GetTickCount64()) {}

bool CProgressView::Due(const std::wstring& fileName, uint32_t filePercent) {
    if (m_output.ProgressInPlace()) return true;
    uint32_t step = filePercent / 10;
    if (fileName == m_lastFile && step == m_lastStep) return false;
    m_lastFile = fileName;
    m_lastStep = step;
    return true;
}

void CProgressView::Show(BatchState& batch) {
    BatchNames names;
    // The number is taken with the name, so the two always name the same file.
    if (batch.TakeNames(names)) {
        m_fileName = Widen(names.currentFileName);
        m_fileNumber = batch.processedCount.load() + 1;
    }
    if (!m_shown || batch.phase.load() != 1 || m_fileName.empty()) return;
    ProgressFigures f;
    f.fileName = m_fileName;
    f.fileCount = batch.totalCount.load();
    f.fileNumber = m_fileNumber > f.fileCount ? f.fileCount : m_fileNumber;
    f.filePercent = batch.filePercent.load();
    int32_t batchPercent = batch.totalPercent.load();
    f.totalPercent = (m_batchIndex * 100 + static_cast<uint32_t>(batchPercent < 0 ? 0 : batchPercent)) / m_batchCount;
    f.soundSeconds = m_events.SoundSeconds();
    f.elapsedSeconds = (GetTickCount64() - m_start) / 1000.0;
    if (!Due(m_fileName, f.filePercent)) return;
    std::wstring line = ProgressLine(f, m_output.ProgressWidth());
    if (line == m_lastLine) return;
    m_lastLine = line;
    m_output.Progress(line);
}
