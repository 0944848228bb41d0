#include "BatchProgress.h"

#include <vector>

uint32_t CBatchProgress::Begin() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_running.emplace(m_places, Running{});
    return m_places++;
}

void CBatchProgress::Started(uint32_t place, const BatchNames& names) {
    std::lock_guard<std::mutex> hold(m_lock);
    Running& file = m_running[place];
    file.names = names;
    file.percent = 0;
    file.startedAs = ++m_starts;
    if (!m_lead) ShowLead(place, file);
}

void CBatchProgress::Progress(uint32_t place, uint32_t percent, double seconds) {
    bool lead;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_running[place].percent = percent;
        lead = m_lead == place;
        if (lead) m_batch.filePercent = percent;
        UpdateTotal();
    }
    if (lead) m_events.FileProgress(percent, seconds);
}

void CBatchProgress::ShowLead(uint32_t place, const Running& file) {
    m_lead = place;
    m_batch.filePercent = file.percent;
    m_batch.PublishNames(file.names.currentFileName.c_str(), file.names.sourceFolderName.c_str(),
                         file.names.outputFolderName.c_str());
}

void CBatchProgress::ChooseLead() {
    m_lead.reset();
    const Running* first = nullptr;
    uint32_t firstPlace = 0;
    for (const auto& [place, file] : m_running) {
        if (file.startedAs && (!first || file.startedAs < first->startedAs)) {
            first = &file;
            firstPlace = place;
        }
    }
    if (first) ShowLead(firstPlace, *first);
}

void CBatchProgress::UpdateTotal() {
    const uint32_t total = m_batch.totalCount;
    if (total == 0) return;
    uint64_t done = uint64_t{m_finished} * 100;
    for (const auto& entry : m_running) done += entry.second.percent;
    // A file the walk found after counting must not take the bar past its end.
    uint64_t percent = done / total;
    m_batch.totalPercent = static_cast<int32_t>(percent > 100 ? 100 : percent);
}

void CBatchProgress::End(uint32_t place, const Ended& report) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_running.erase(place);
        if (report) ++m_finished;
        m_ended.emplace(place, report);
        if (m_lead == place) ChooseLead();
        UpdateTotal();
    }
    TellEnds();
}

void CBatchProgress::TellEnds() {
    std::lock_guard<std::mutex> telling(m_tellLock);
    std::vector<FileReport> ready;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        for (auto next = m_ended.find(m_nextToTell); next != m_ended.end(); next = m_ended.find(m_nextToTell)) {
            if (next->second) ready.push_back(*next->second);
            m_ended.erase(next);
            ++m_nextToTell;
        }
    }
    for (const FileReport& report : ready) {
        if (report.converted) ++m_batch.convertedCount;
        ++m_batch.processedCount;
        m_events.FileEnded(report);
    }
}
