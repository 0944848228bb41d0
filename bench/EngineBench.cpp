// Runs whole batches through the decode thread, as the dialog drives it, and
// prints seconds, throughput and peak memory, then one line per target.
//   EngineBench make DIR           writes the source files
//   EngineBench wav DIR CP_SECONDS     converts them; CP_SECONDS is the time of a plain copy
//   EngineBench wma DIR FFMPEG_SECONDS the WMA file made by the script, against ffmpeg's decode time
//   EngineBench mp3 DIR NAME FFMPEG_SECONDS  DIR\NAME.mp3 through mjm.dll, against ffmpeg
//   EngineBench resample DIR SOX_SECONDS FFMPEG_SECONDS  48 kHz to CD, against DIR\sox44.wav and DIR\ffmpeg44.wav
//   EngineBench batch DIR FFMPEG_SECONDS  the MP3 files in DIR\batch, one at a time and one a core,
//                                       against ffmpeg run once a file, two at a time
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoders/SndStreamWinAmp.h"
#include "engine/BatchState.h"
#include "engine/DecodeThread.h"
#include "decoders/WmaReader.h"
#include "dialog/JobBoxes.h"
#include "engine/WavHeader.h"
#include "framework/BinaryFile.h"
#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "options/Settings.h"

namespace {
const DWORD kSeconds = 600;

bool MakeTone(const std::string& path, DWORD rate) {
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
    CBinaryFile file;
    if (!file.Open(path.c_str(), "wb")) return false;
    uint32_t dataSize = kSeconds * rate * 4;
    WavHeader h = MakeWavHeader(f, dataSize);
    file.Write(&h, sizeof(h));
    std::vector<int16_t> second(rate * 2);
    for (DWORD s = 0; s < kSeconds; ++s) {
        for (DWORD i = 0; i < rate; ++i) {
            double t = (double(s) * rate + i) / rate;
            second[2 * i] = static_cast<int16_t>(9000 * std::sin(2 * 3.14159265 * 440 * t));
            second[2 * i + 1] = static_cast<int16_t>(7000 * std::sin(2 * 3.14159265 * 660 * t));
        }
        if (file.Write(second.data(), second.size() * 2) != second.size() * 2) return false;
    }
    return file.Close();
}

double Now() {
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return double(c.QuadPart) / double(f.QuadPart);
}

// One batch of one file through a fresh thread object; returns seconds.
double RunBatch(const std::string& source, const std::string& outFolder) {
    static BatchState b;
    b.outputFolder = outFolder;
    b.SetSources({source});
    b.filePercent = 0;
    b.totalPercent = 0;
    b.stopRequested = 0;
    ResetEvent(b.stoppedEvent);
    // Like the timed copy, the batch starts with no earlier output to replace.
    std::string previous = outFolder + "\\" + source.substr(source.rfind('\\') + 1);
    DeleteFileA(previous.c_str());
    double start = Now();
    // The settings as the dialog takes them at a batch's start, and its boxes (none are expected).
    const JobSettings jobSettings = settings::ReadJobSettings(*AfxGetApp());
    CJobBoxes boxes(nullptr, jobSettings);
    CDecodeThread thread(jobSettings, boxes, b);
    thread.CreateThread();
    thread.Join();
    double seconds = Now() - start;
    if (b.convertedCount != 1) {
        fprintf(stderr, "bench: %s was not converted\n", source.c_str());
        exit(2);
    }
    b.FreeSources();
    return seconds;
}

// One batch of every file in folder, jobs at once, into outFolder (emptied first); returns seconds.
double RunFolderBatch(const std::string& folder, const std::string& outFolder, int jobs) {
    static BatchState b;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((outFolder + "\\*.wav").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
        do DeleteFileA((outFolder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(listing, &found));
        FindClose(listing);
    }
    b.outputFolder = outFolder;
    b.SetSources({folder});
    b.filePercent = 0;
    b.totalPercent = 0;
    b.stopRequested = 0;
    ResetEvent(b.stoppedEvent);
    double start = Now();
    JobSettings jobSettings = settings::ReadJobSettings(*AfxGetApp());
    jobSettings.jobs = jobs;
    CJobBoxes boxes(nullptr, jobSettings);
    CDecodeThread thread(jobSettings, boxes, b);
    thread.CreateThread();
    thread.Join();
    double seconds = Now() - start;
    if (b.convertedCount != b.totalCount || b.totalCount == 0) {
        fprintf(stderr, "bench: %u of %u files converted\n", b.convertedCount.load(), b.totalCount.load());
        exit(2);
    }
    b.FreeSources();
    return seconds;
}

double BestOfThreeBatches(const std::string& folder, const std::string& outFolder, int jobs) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) best = std::min(best, RunFolderBatch(folder, outFolder, jobs));
    return best;
}

// The best of three batches: the figure least disturbed by the rest of the machine.
double BestOfThree(const std::string& source, const std::string& outFolder) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) best = std::min(best, RunBatch(source, outFolder));
    return best;
}

// The reader alone: every sample fetched and released, nothing converted or written.
double BareWmaRead(const std::string& path, uint64_t& bytes) {
    double start = Now();
    bytes = 0;
    CWmaFile file;
    if (file.Open(path.c_str()) != kWmaReady) return -1;
    BYTE* data;
    DWORD length, percent;
    while (file.ReadSample(&data, &length, &percent) == 1) {
        bytes += length;
        file.ReleaseSample();
    }
    file.Close();
    return Now() - start;
}

// The host's read loop alone: every block decoded and fetched, nothing converted or written.
double BareMp3Read(const std::string& path) {
    double start = Now();
    CMp3StreamLease host = SndStream().Acquire([] { return true; });
    if (!host || !host->Open(path.c_str())) return -1;
    BYTE block[9000];
    while (host->Read(block, sizeof(block)) > 0) {
    }
    host->Close();
    return Now() - start;
}

// THD+N of one channel of a 16-bit stereo file holding a tone of known frequency:
// everything but the best-fitting sine and DC, against that sine, in dB. A
// stretch in the middle is measured (10 s), away from the ends.
double ThdN(const std::string& path, int channel, double hz) {
    CBinaryFile file;
    if (!file.Open(path.c_str(), "rb")) return 0;
    const double rate = 44100, pi = 3.14159265358979323846;
    const size_t from = 60 * 44100, frames = 10 * 44100;
    std::vector<int16_t> pcm(frames * 2);
    if (!file.Seek(kWavHeaderSize + int64_t(from) * 4) || file.Read(pcm.data(), pcm.size() * 2) != pcm.size() * 2)
        return 0;
    double ss = 0, sc = 0, cc = 0, xs = 0, xc = 0, sum = 0;
    for (size_t i = 0; i < frames; ++i) {
        double t = 2 * pi * hz * double(from + i) / rate, x = pcm[2 * i + channel];
        double s = std::sin(t), c = std::cos(t);
        ss += s * s, sc += s * c, cc += c * c, xs += x * s, xc += x * c, sum += x;
    }
    double det = ss * cc - sc * sc, a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
    double dc = sum / double(frames), signal = 0, noise = 0;
    for (size_t i = 0; i < frames; ++i) {
        double t = 2 * pi * hz * double(from + i) / rate;
        double fit = a * std::sin(t) + b * std::cos(t), e = pcm[2 * i + channel] - fit - dc;
        signal += fit * fit, noise += e * e;
    }
    return 10 * std::log10(noise / signal);
}

// The worse of the two channels (440 Hz left, 660 Hz right).
double WorseThdN(const std::string& path) { return std::max(ThdN(path, 0, 440), ThdN(path, 1, 660)); }

double PeakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize / 1048576.0;
}

void Target(const char* name, double value, const char* unit, const char* goal, bool met) {
    printf("target %s: %.2f%s (goal %s) %s\n", name, value, unit, goal, met ? "met" : "missed");
}
}  // namespace

// The folder of MP3 files one at a time and one a core, beside ffmpeg's paired run.
int BatchBench(const std::string& dir, double ffmpegSeconds) {
    if (!SndStream().LoadPlugins()) {
        fprintf(stderr, "bench: mjm.dll not found\n");
        return 2;
    }
    const int cores = ResolveJobs(0, settings::ProcessorCount());
    const std::string folder = dir + "\\batch", outFolder = dir + "\\batch-out";
    CreateDirectoryA(outFolder.c_str(), nullptr);
    const double one = BestOfThreeBatches(folder, outFolder, 1);
    // The peak is the process's: read before and after the added workers, it tells what they cost.
    const double onePeakMb = PeakWorkingSetMb();
    const double all = BestOfThreeBatches(folder, outFolder, cores);
    SndStream().UnloadPlugins();
    const double peakMb = PeakWorkingSetMb(), allowedMb = 32.0 + 12.0 * (cores - 1);
    printf("%-34s %8s\n", "24 three-minute MP3 files to CD", "seconds");
    printf("%-34s %8.2f\n", "the engine, one file at a time", one);
    printf("%-34s %8.2f\n", ("the engine, " + std::to_string(cores) + " files at once").c_str(), all);
    printf("%-34s %8.2f\n", "ffmpeg, a file a run, two at a time", ffmpegSeconds);
    printf("peak working set: %.1f MB one file at a time, %.1f MB %d at once (%.1f MB a worker more)\n", onePeakMb,
           peakMb, cores, cores > 1 ? (peakMb - onePeakMb) / (cores - 1) : 0.0);
    Target("batch-all-cores-vs-one", all / one, "x", "<= 0.55", all / one <= 0.55);
    Target("batch-vs-paired-ffmpeg", all / ffmpegSeconds, "x", "<= 1.0", all <= ffmpegSeconds);
    char goal[64];
    snprintf(goal, sizeof goal, "<= %.0f MB", allowedMb);
    Target("batch-peak-memory", peakMb, " MB", goal, peakMb <= allowedMb);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) return 1;
    std::string mode = argv[1], dir = argv[2];
    std::string cd = dir + "\\tone44.wav", dvd = dir + "\\tone48.wav", out = dir + "\\out";
    std::string wma = dir + "\\tone.wma";
    if (mode == "make") return MakeTone(cd, 44100) && MakeTone(dvd, 48000) ? 0 : 1;
    if ((mode != "wav" && mode != "wma" && mode != "mp3" && mode != "resample" && mode != "batch") || argc < 4)
        return 1;
    if ((mode == "mp3" || mode == "resample") && argc < 5) return 1;
    double reference = atof(argv[mode == "mp3" ? 4 : 3]);  // the plain copy, or ffmpeg's decode

    CWinApp app("WavoryBench");
    app.SetRegistryKey(settings::kRegistryKey);
    settings::Write(app, settings::kPromptBefore, 0);
    settings::Write(app, settings::kFormat, settings::kFormatCd);
    settings::Write(app, settings::kVolumeNormalize, 0);
    SetMessageBoxHook([](const MessageBoxCall& call) {
        fprintf(stderr, "bench: box: %s\n", call.text.c_str());
        return IDYES;
    });
    CreateDirectoryA(out.c_str(), nullptr);

    if (mode == "wav") {
        double mb = kSeconds * 176400.0 / 1e6;
        double tCd = BestOfThree(cd, out);
        double tDvd = BestOfThree(dvd, out);
        settings::Write(app, settings::kVolumeNormalize, 1);
        double tNorm = BestOfThree(cd, out);
        settings::Write(app, settings::kVolumeNormalize, 0);
        double peakMb = PeakWorkingSetMb();
        printf("%-34s %8s %8s\n", "10-minute 44.1 kHz stereo source", "seconds", "MB/s");
        printf("%-34s %8.2f %8.1f\n", "plain cp of the same file", reference, mb / reference);
        printf("%-34s %8.2f %8.1f\n", "CD source to CD format", tCd, mb / tCd);
        printf("%-34s %8.2f %8.1f\n", "48 kHz source to CD format", tDvd, kSeconds * 192000.0 / 1e6 / tDvd);
        printf("%-34s %8.2f %8.1f\n", "CD to CD with normalisation", tNorm, mb / tNorm);
        printf("peak working set: %.1f MB\n", peakMb);
        double share = 100.0 * reference / tCd;
        Target("cd-throughput-vs-cp", share, "%", ">= 40%", share >= 40.0);
        double extra = (tNorm - tCd) / tCd;
        Target("normalisation-extra", extra, " conversions", "<= 1 conversion", extra <= 1.0);
        Target("peak-memory", peakMb, " MB", "< 32 MB", peakMb < 32.0);
        return 0;
    }

    if (mode == "resample") {
        double tSox = atof(argv[3]), tFfmpeg = atof(argv[4]);
        double t = BestOfThree(dvd, out);
        double ours = WorseThdN(out + "\\tone48.wav"), sox = WorseThdN(dir + "\\sox44.wav"),
               ffmpeg = WorseThdN(dir + "\\ffmpeg44.wav");
        printf("%-34s %8s %8s\n", "10-minute 48 kHz to CD format", "seconds", "THD+N dB");
        printf("%-34s %8.2f %8.1f\n", "the engine (our converter)", t, ours);
        printf("%-34s %8.2f %8.1f\n", "sox, default quality", tSox, sox);
        printf("%-34s %8.2f %8.1f\n", "ffmpeg, default resampler", tFfmpeg, ffmpeg);
        Target("resample-time-vs-sox", t / tSox, "x", "<= 1.0", t <= tSox);
        Target("resample-thdn-vs-sox", ours - sox, " dB", "<= 0 dB", ours <= sox);
        return 0;
    }

    if (mode == "batch") return BatchBench(dir, atof(argv[3]));

    if (mode == "mp3") {
        if (!SndStream().LoadPlugins()) {
            fprintf(stderr, "bench: mjm.dll not found\n");
            return 2;
        }
        std::string name = argv[3], path = dir + "\\" + name + ".mp3";
        double tBare = 1e30;
        for (int i = 0; i < 3; ++i) tBare = std::min(tBare, BareMp3Read(path));
        double t = BestOfThree(path, out);
        SndStream().UnloadPlugins();
        double ratio = t / reference;
        printf("%-34s %8.2f\n", ("10-minute " + name + " to CD format").c_str(), t);
        printf("%-34s %8.2f\n", ("10-minute " + name + ", decoder alone").c_str(), tBare);
        printf("%-34s %8.2f\n", ("10-minute " + name + ", ffmpeg to WAV").c_str(), reference);
        Target(("mp3-" + name + "-vs-ffmpeg").c_str(), ratio, "x", "<= 1.0", ratio <= 1.0);
        return 0;
    }

    uint64_t wmaBytes = 0;
    double tBare = 1e30;
    for (int i = 0; i < 3; ++i) tBare = std::min(tBare, BareWmaRead(wma, wmaBytes));
    double tWma = BestOfThree(wma, out);
    double mb = wmaBytes / 1e6;
    printf("%-34s %8.2f %8.1f\n", "10-minute WMA, reader loop alone", tBare, mb / tBare);
    printf("%-34s %8.2f %8.1f\n", "10-minute WMA to CD format", tWma, mb / tWma);
    printf("%-34s %8.2f %8.1f\n", "10-minute WMA, ffmpeg to WAV", reference, mb / reference);
    printf("peak working set with the WMA runtime loaded: %.1f MB\n", PeakWorkingSetMb());
    double wmaExtra = 100.0 * (tWma - tBare) / tBare;
    Target("wma-engine-overhead", wmaExtra, "%", "<= 10% over the bare reader", wmaExtra <= 10.0);
    return 0;
}
