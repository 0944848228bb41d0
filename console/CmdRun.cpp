#include "CmdRun.h"

#include <memory>

#include "../acmdriver/PcmConverter.h"
#include "../decoders/SndStreamWinAmp.h"
#include "../engine/DecodeThread.h"
#include "../engine/PathRules.h"
#include "../framework/WinApp.h"
#include "../options/Settings.h"
#include "CmdSources.h"
#include "ConsoleEvents.h"
#include "ConsoleTexts.h"
#include "ProgressView.h"
#include "StopSwitch.h"
#include "Version.h"

std::vector<SourceGroup> GroupSources(const std::vector<std::string>& sources, const std::string& outputFolder) {
    std::vector<SourceGroup> groups;
    for (const std::string& source : sources) {
        std::string folder = outputFolder;
        if (folder.empty()) {
            PathBuffer path = {}, parent = {};
            source.copy(path, kPathBufferSize - 1);
            FolderOfPath(path, kPathBufferSize, parent);
            folder = parent;
        }
        if (groups.empty() || !SamePath(groups.back().outputFolder.c_str(), folder.c_str()))
            groups.push_back({folder, {}});
        groups.back().sources.push_back(source);
    }
    return groups;
}

namespace {
void Say(CConsoleOutput& output, const std::wstring& text) { output.Err(std::wstring(cmdmsg::kProgram) + L": " + text); }

int Usage(CConsoleOutput& output, const std::string& error) {
    Say(output, Widen(error));
    output.Err(L"Try WavoryCmd --help.");
    return exitcode::kUsage;
}

// The sources that can be converted, in the engine's terms; the others are told and counted.
std::vector<std::string> CheckSources(const CmdOptions& options, CConsoleEvents& events) {
    std::vector<std::string> checked;
    for (const std::wstring& name : options.sources) {
        std::wstring full = FullPath(name);
        std::string ansi;
        std::wstring problem = CheckSource(full, ansi);
        if (problem.empty())
            checked.push_back(ansi);
        else
            events.SourceFailed(full.empty() ? name : full, problem);
    }
    return checked;
}

// One batch of the engine over a group; false when it could not be started.
bool RunBatch(const SourceGroup& group, const JobSettings& settings, CConsoleEvents& events, CStopSwitch& stop,
              CProgressView& view) {
    BatchState batch;
    group.outputFolder.copy(batch.outputFolder, kPathBufferSize - 1);
    batch.AllocateSources(static_cast<int32_t>(group.sources.size()));
    for (size_t i = 0; i < group.sources.size(); ++i) batch.SetSource(static_cast<int32_t>(i), group.sources[i].c_str());
    CDecodeThread thread(settings, events, batch);
    stop.Attach(&batch);
    bool started = thread.CreateThread();
    while (started && WaitForSingleObject(batch.stoppedEvent, 100) == WAIT_TIMEOUT) view.Show(batch);
    if (started) thread.Join();
    stop.Attach(nullptr);
    return started;
}

struct Run {
    const CmdOptions& options;
    CConsoleOutput& output;
    CConsoleEvents& events;
};

// The batches one after another, until the last or a stop.
void RunGroups(const Run& run, const std::vector<SourceGroup>& groups, const JobSettings& settings, CStopSwitch& stop) {
    CProgressView view(run.output, run.events, !run.options.quiet, static_cast<uint32_t>(groups.size()));
    for (size_t i = 0; i < groups.size() && !stop.Stopped() && !run.events.Summary().diskFull; ++i) {
        view.StartBatch(static_cast<uint32_t>(i));
        if (!RunBatch(groups[i], settings, run.events, stop, view)) {
            Say(run.output, cmdmsg::kCantStart);
            break;
        }
    }
    view.End();
}

JobSettings SavedSettings() {
    CWinApp app(settings::kProgramName);
    app.SetRegistryKey(settings::kRegistryKey);
    return settings::ReadJobSettings(app);
}

int Finish(const Run& run, CmdSummary summary, uint64_t start, bool stopped) {
    summary.cancelled = stopped;
    summary.elapsedSeconds = (GetTickCount64() - start) / 1000.0;
    if (!summary.converted && !summary.failed && !summary.skipped && !stopped) Say(run.output, cmdmsg::kNothingFound);
    if (run.options.json)
        run.output.Out(SummaryJson(summary));
    else if (!run.options.quiet)
        run.output.Err(SummaryLine(summary));
    return ExitCode(summary);
}

int Convert(const Run& run) {
    uint64_t start = GetTickCount64();
    CStopSwitch stop;
    std::string outputFolder;
    if (!run.options.outputFolder.empty()) {
        std::wstring full = FullPath(run.options.outputFolder);
        std::wstring problem = PrepareOutputFolder(full, outputFolder);
        if (!problem.empty()) {
            Say(run.output, (full.empty() ? run.options.outputFolder : full) + L": " + problem);
            return exitcode::kUsage;
        }
    }
    std::vector<std::string> sources = CheckSources(run.options, run.events);
    // Before any conversion stream: our PCM converter takes every PCM conversion.
    InstallPcmConverter();
    if (!SndStream().LoadPlugins()) {
        Say(run.output, cmdmsg::kDecoderMissing);
        return exitcode::kSomeNotConverted;
    }
    RunGroups(run, GroupSources(sources, outputFolder), ApplyCmdOptions(SavedSettings(), run.options), stop);
    SndStream().UnloadPlugins();
    int code = Finish(run, run.events.Summary(), start, stop.Stopped());
    stop.Finished();
    return code;
}
}  // namespace

int RunWavoryCmd(const std::vector<std::wstring>& args, CConsoleOutput& output) {
    CmdParse parse = ParseCmdLine(args);
    if (parse.options.help) {
        output.Out(cmdmsg::kUsage);
        return exitcode::kAllConverted;
    }
    if (parse.options.version) {
        output.Out(std::wstring(cmdmsg::kProgram) + L" " + Widen(WAVORY_VERSION_TEXT));
        return exitcode::kAllConverted;
    }
    if (!parse.error.empty()) return Usage(output, parse.error);
    CConsoleEvents events(output, ConsoleMode{parse.options.overwrite, parse.options.quiet, parse.options.json});
    return Convert(Run{parse.options, output, events});
}
