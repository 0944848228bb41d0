// Chooses the reader for a source type.
#include "Mp3Source.h"
#include "PathRules.h"
#include "SourceReader.h"
#include "WavSource.h"
#include "WmaSource.h"

std::unique_ptr<ISourceReader> OpenSource(int type, const char* path, const std::function<bool()>& keepWaiting,
                                          FileFailure& failure) {
    switch (type) {
    case kTypeWav:
    case kTypeWave: {
        auto wav = std::make_unique<CWavSource>();
        switch (wav->Open(path)) {
        case CWavSource::kOpened:
            return wav;
        case CWavSource::kCannotOpen:
            failure = FileFailure::kCantOpenWav;
            return nullptr;
        case CWavSource::kNotWav:
            failure = FileFailure::kNotWav;
            return nullptr;
        }
        return nullptr;
    }
    case kTypeMp3: {
        auto mp3 = std::make_unique<CMp3Source>();
        if (mp3->Open(path, keepWaiting)) return mp3;
        failure = FileFailure::kNotMp3;
        return nullptr;
    }
    case kTypeWma: {
        auto wma = std::make_unique<CWmaSource>();
        switch (wma->Open(path)) {
        case CWmaSource::kOpened:
            return wma;
        case CWmaSource::kComFailed:
            failure = FileFailure::kWmaInitFailed;
            return nullptr;
        case CWmaSource::kRuntimeMissing:
            failure = FileFailure::kWmaRuntimeMissing;
            return nullptr;
        case CWmaSource::kNotWma:
            failure = FileFailure::kNotWma;
            return nullptr;
        case CWmaSource::kNoFormat:
            failure = FileFailure::kWmaHeadError;
            return nullptr;
        }
        return nullptr;
    }
    default:
        return nullptr;
    }
}
