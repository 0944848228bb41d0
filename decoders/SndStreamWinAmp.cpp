#include "SndStreamWinAmp.h"

#include <algorithm>

namespace {
ISndStreamWinAmp g_host;

template <typename Proc>
Proc Export(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

ISndStreamWinAmp& SndStream() { return g_host; }

CMp3StreamLease& CMp3StreamLease::operator=(CMp3StreamLease&& other) noexcept {
    if (this != &other) {
        Return();
        m_host = other.m_host;
        m_stream = other.m_stream;
        other.m_stream = nullptr;
    }
    return *this;
}

void CMp3StreamLease::Return() {
    if (!m_stream) return;
    m_stream->Close();
    m_host->Return(m_stream);
    m_stream = nullptr;
}

ISndStreamWinAmp::~ISndStreamWinAmp() { UnloadPlugins(); }

std::vector<In_Module*> ISndStreamWinAmp::Instances(HMODULE module) const {
    std::vector<In_Module*> modules;
    auto instance = Export<GetInstanceModuleProc>(module, kInstanceExport);
    for (int i = 0; instance && i < kMaxDecoderInstances; ++i) {
        In_Module* in = instance(i);
        if (!in) break;
        modules.push_back(in);
    }
    return modules;
}

int ISndStreamWinAmp::LoadPlugins() {
    if (m_library) return 1;  // loaded already (a second conversion dialog)
    HMODULE module = LoadLibraryA(kDecoderLibrary);
    if (!module) return 0;
    // A library without the export, or one that hands out no module, is no decoder.
    auto getModule = Export<GetInputModuleProc>(module, kInputModuleExport);
    In_Module* input = getModule ? getModule() : nullptr;
    std::vector<In_Module*> modules = Instances(module);
    if (modules.empty() && input) modules.push_back(input);
    if (!input) modules.clear();
    for (size_t i = 0; i < modules.size(); ++i) {
        auto stream = std::make_unique<CMp3Stream>(static_cast<int>(i),
                                                   PluginEntry{kDecoderExtensions, kDecoderLibrary, module, modules[i]});
        if (!stream->IsUsable()) break;
        m_streams.push_back(std::move(stream));
    }
    if (m_streams.empty()) {
        FreeLibrary(module);
        return 0;
    }
    m_library = module;
    for (const auto& stream : m_streams) {
        In_Module& in = *stream->Plugin().input;
        if (in.Init) in.Init();
        m_free.push_back(stream.get());
    }
    return 1;
}

void ISndStreamWinAmp::UnloadPlugins() {
    if (!m_library) return;
    for (const auto& stream : m_streams) {
        stream->Close();
        In_Module& in = *stream->Plugin().input;
        if (in.Quit) in.Quit();
    }
    FreeLibrary(m_library);
    m_library = nullptr;
    CMonitor::CHold hold(m_monitor);
    m_free.clear();
    m_streams.clear();  // after Quit: no player is left to post to their windows
}

int ISndStreamWinAmp::StreamCount() const {
    CMonitor::CHold hold(m_monitor);
    return static_cast<int>(m_streams.size());
}

CMp3StreamLease ISndStreamWinAmp::Acquire(const std::function<bool()>& keepWaiting) {
    CMonitor::CHold hold(m_monitor);
    if (m_streams.empty()) return CMp3StreamLease();
    // The holders are converting: each returns its stream within moments of its file's end.
    while (m_free.empty()) {
        if (!keepWaiting()) return CMp3StreamLease();
        hold.Wait(20);
    }
    // The lowest free number first: one file at a time always uses the first instance.
    auto first = std::min_element(m_free.begin(), m_free.end(), [this](CMp3Stream* a, CMp3Stream* b) {
        return Number(a) < Number(b);
    });
    CMp3Stream* stream = *first;
    m_free.erase(first);
    return CMp3StreamLease(this, stream);
}

size_t ISndStreamWinAmp::Number(const CMp3Stream* stream) const {
    for (size_t i = 0; i < m_streams.size(); ++i)
        if (m_streams[i].get() == stream) return i;
    return m_streams.size();
}

void ISndStreamWinAmp::Return(CMp3Stream* stream) {
    {
        CMonitor::CHold hold(m_monitor);
        m_free.push_back(stream);
    }
    m_monitor.WakeAll();
}

void ISndStreamWinAmp::ReleaseReader() {
    CMonitor::CHold hold(m_monitor);
    for (const auto& stream : m_streams) stream->ReleaseReader();
}
