// The progress line, drawn from the batch record while a batch runs: in place
// ten times a second on a console, as a line at each new file and every tenth
// percent when standard error is redirected.
#pragma once
#include <cstdint>
#include <string>

#include "../engine/BatchState.h"
#include "ConsoleEvents.h"
#include "ConsoleOutput.h"

class CProgressView {
public:
    CProgressView(CConsoleOutput& output, const CConsoleEvents& events, bool shown, uint32_t batchCount);

    // The next batch of the run begins.
    void StartBatch(uint32_t index) {
        m_batchIndex = index;
        m_fileName.clear();
    }
    void Show(BatchState& batch);
    void End() { m_output.ClearProgress(); }

private:
    bool Due(const std::wstring& fileName, uint32_t filePercent);

    CConsoleOutput& m_output;
    const CConsoleEvents& m_events;
    const bool m_shown;
    const uint32_t m_batchCount;
    uint32_t m_batchIndex = 0;
    const uint64_t m_start;
    std::wstring m_fileName;  // the file in hand
    uint32_t m_fileNumber = 0;
    std::wstring m_lastFile;  // the file of the last line written
    uint32_t m_lastStep = 0;
    std::wstring m_lastLine;
};
