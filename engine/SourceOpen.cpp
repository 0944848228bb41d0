// Chooses the reader for a source type.
#include "EngineMessages.h"
#include "Mp3Source.h"
#include "PathRules.h"
#include "SourceReader.h"
#include "WavSource.h"
#include "WmaSource.h"

namespace {
void ErrorFailure(SourceOpenFailure& failure, std::string text) {
    failure.text = std::move(text);
    failure.caption = msg::kCaptionError;
    failure.type = MB_OK | MB_ICONERROR;
    failure.gated = true;
}
}  // namespace

std::unique_ptr<ISourceReader> OpenSource(int type, const char* path, SourceOpenFailure& failure) {
    switch (type) {
    case kTypeWav:
    case kTypeWave: {
        auto wav = std::make_unique<CWavSource>();
        switch (wav->Open(path)) {
        case CWavSource::kOpened:
            return wav;
        case CWavSource::kCannotOpen:
            ErrorFailure(failure, msg::CantOpenWav(path));
            return nullptr;
        case CWavSource::kNotWav:
            ErrorFailure(failure, msg::NotWav(path));
            return nullptr;
        }
        return nullptr;
    }
    case kTypeMp3: {
        auto mp3 = std::make_unique<CMp3Source>();
        if (mp3->Open(path)) return mp3;
        ErrorFailure(failure, msg::NotMp3(path));
        return nullptr;
    }
    case kTypeWma: {
        auto wma = std::make_unique<CWmaSource>();
        switch (wma->Open(path)) {
        case CWmaSource::kOpened:
            return wma;
        case CWmaSource::kComFailed:
            failure.text = msg::kWmaInitFailed;
            failure.caption = msg::kCaptionInformation;
            failure.type = MB_OK;
            failure.gated = false;
            return nullptr;
        case CWmaSource::kRuntimeMissing:
            failure.text = msg::kWmaRuntimeMissing;
            failure.caption = msg::kCaptionInformation;
            failure.type = MB_OK | MB_ICONERROR;
            failure.gated = false;
            return nullptr;
        case CWmaSource::kNotWma:
            ErrorFailure(failure, msg::NotWma(path));
            return nullptr;
        case CWmaSource::kNoFormat:
            ErrorFailure(failure, msg::WmaHeadError(path));
            return nullptr;
        }
        return nullptr;
    }
    default:
        return nullptr;
    }
}
