// The batch record while several files convert at once. The dialog's file
// bar and labels show the file that has been converting longest, and move on
// when it ends; the total bar counts every file's share; the files' ends are
// counted and told in the order of the sources, whichever finishes first.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "BatchState.h"
#include "FileTracker.h"
#include "JobEvents.h"

class CBatchProgress {
public:
    CBatchProgress(BatchState& batch, IJobEvents& events) : m_batch(batch), m_events(events) {}
    CBatchProgress(const CBatchProgress&) = delete;
    CBatchProgress& operator=(const CBatchProgress&) = delete;

    // A file is handed to a worker: its place in the sources' order.
    uint32_t Begin();
    // The file at place ends: report is how it ended, none when it was never
    // taken up (the batch stopped first).
    void End(uint32_t place, const std::optional<FileReport>& report);

    // One file's view of the batch.
    class CTracker : public IFileTracker {
    public:
        CTracker(CBatchProgress& owner, uint32_t place) : m_owner(owner), m_place(place) {}
        void Started(const BatchNames& names) override { m_owner.Started(m_place, names); }
        void Progress(uint32_t percent, double seconds) override { m_owner.Progress(m_place, percent, seconds); }

    private:
        CBatchProgress& m_owner;
        const uint32_t m_place;
    };

private:
    struct Running {
        BatchNames names;
        uint32_t percent = 0;
        uint64_t startedAs = 0;  // 0 until its copy starts, then the order of starts
    };
    using Ended = std::optional<FileReport>;

    void Started(uint32_t place, const BatchNames& names);
    void Progress(uint32_t place, uint32_t percent, double seconds);
    void ShowLead(uint32_t place, const Running& file);
    // The next lead once the lead ended: the file whose copy started first.
    void ChooseLead();
    void UpdateTotal();
    // Counts and tells the ends that are next in order.
    void TellEnds();

    BatchState& m_batch;
    IJobEvents& m_events;
    std::mutex m_lock;  // guards all below but m_tellLock
    std::map<uint32_t, Running> m_running;
    std::map<uint32_t, Ended> m_ended;  // waiting for an earlier file
    uint32_t m_places = 0;
    uint32_t m_nextToTell = 0;
    uint32_t m_finished = 0;
    uint64_t m_starts = 0;
    std::optional<uint32_t> m_lead;
    // Held while ends are told, so they reach the listener in order; never
    // while m_lock is, so a box shown for one file holds up no other's steps.
    std::mutex m_tellLock;
};
