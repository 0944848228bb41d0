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

std::vector<SourceGroup> GroupSources(const std::vector<CheckedSource>& sources, const std::string& outputFolder) {
    std::vector<SourceGroup> groups;
    for (const CheckedSource& source : sources) {
        const std::string& folder = outputFolder.empty() ? source.folder : outputFolder;
        if (groups.empty() || !SamePath(groups.back().outputFolder.c_str(), folder.c_str()))
            groups.push_back({folder, {}});
        groups.back().sources.push_back(source.path);
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
std::vector<CheckedSource> CheckSources(const CmdOptions& options, CConsoleEvents& events) {
    std::vector<CheckedSource> checked;
    for (const std::wstring& name : options.sources) {
        std::wstring full = FullPath(name);
        CheckedSource source;
        std::wstring problem = CheckSource(full, source.path);
        if (!problem.empty()) {
            events.SourceFailed(full.empty() ? name : full, problem);
            continue;
        }
        // Part of a name that converts exactly converts exactly too.
        ToUtf8Exactly(FolderOf(full), source.folder);
        checked.push_back(source);
    }
    return checked;
}

// One batch of the engine over a group; false when it could not be started.
bool RunBatch(const SourceGroup& group, const JobSettings& settings, CConsoleEvents& events, COutputNames& written,
              CProgressView& view) {
    CStopSwitch& stop = CStopSwitch::Instance();
    BatchState batch;
    batch.outputFolder = group.outputFolder;
    batch.SetSources(group.sources);
    CDecodeThread thread(settings, events, batch, &written);
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

// A batch whose output folder is on a CD or DVD: its sources fail, as the program refuses it.
bool RefuseCdOutput(const SourceGroup& group, CConsoleEvents& events) {
    if (!IsFolderOnCdRom(group.outputFolder.c_str())) return false;
    for (const std::string& source : group.sources) events.SourceFailed(Widen(source), cmdmsg::kOutputOnCd);
    return true;
}

// The batches one after another, until the last or a stop.
void RunGroups(const Run& run, const std::vector<SourceGroup>& groups, const JobSettings& settings) {
    CStopSwitch& stop = CStopSwitch::Instance();
    CProgressView view(run.output, run.events, !run.options.quiet, static_cast<uint32_t>(groups.size()));
    COutputNames written;  // one run never replaces what it wrote, in any of its batches
    for (size_t i = 0; i < groups.size() && !stop.StoppedABatch() && !run.events.Summary().diskFull; ++i) {
        view.StartBatch(static_cast<uint32_t>(i));
        if (RefuseCdOutput(groups[i], run.events)) continue;
        if (!RunBatch(groups[i], settings, run.events, written, view)) {
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

int Finish(const Run& run, uint64_t start) {
    CmdSummary summary = run.events.Summary();
    summary.cancelled = CStopSwitch::Instance().StoppedABatch();
    summary.elapsedSeconds = (GetTickCount64() - start) / 1000.0;
    if (run.options.json)
        run.output.Out(SummaryJson(summary));
    else if (!run.options.quiet)
        run.output.Err(SummaryLine(summary));
    CStopSwitch::Instance().Finished();
    return ExitCode(summary);
}

// The output folder named on the line, made when missing; empty when none was named.
bool OutputFolder(const Run& run, std::string& folder) {
    if (run.options.outputFolder.empty()) return true;
    std::wstring full = FullPath(run.options.outputFolder);
    // Asked before anything is made there.
    std::string utf8;
    bool onCd = ToUtf8Exactly(full, utf8) && IsFolderOnCdRom(utf8.c_str());
    std::wstring problem = onCd ? cmdmsg::kOutputOnCd : PrepareOutputFolder(full, folder);
    if (problem.empty()) return true;
    Say(run.output, (full.empty() ? run.options.outputFolder : full) + L": " + problem);
    return false;
}

int Convert(const Run& run) {
    uint64_t start = GetTickCount64();
    CStopSwitch::Instance();  // Ctrl+C is ours from here on
    std::string outputFolder;
    if (!OutputFolder(run, outputFolder)) {
        CStopSwitch::Instance().Finished();
        return exitcode::kUsage;
    }
    std::vector<CheckedSource> sources = CheckSources(run.options, run.events);
    // Before any conversion stream: our PCM converter takes every PCM conversion.
    InstallPcmConverter();
    if (!SndStream().LoadPlugins()) {
        Say(run.output, cmdmsg::kDecoderMissing);
        return Finish(run, start);
    }
    RunGroups(run, GroupSources(sources, outputFolder), ApplyCmdOptions(SavedSettings(), run.options));
    SndStream().UnloadPlugins();
    CmdSummary summary = run.events.Summary();
    if (!summary.converted && !summary.failed && !summary.skipped && !CStopSwitch::Instance().StoppedABatch())
        Say(run.output, cmdmsg::kNothingFound);
    return Finish(run, start);
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
