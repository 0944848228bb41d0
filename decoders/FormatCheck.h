// Whether a format record is one a converter may be handed: the fields agree
// with each other and lie in ranges real audio has. Damaged headers reach us
// from files; converters trust what they are given (a zero byte rate or a
// short block can crash them or overrun their buffers).
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <cstddef>
#include <cstdint>

// PCM or IEEE float: the formats our own converter handles.
bool IsPlainPcm(const WAVEFORMATEX& format);
bool IsConsistentFormat(const WAVEFORMATEX& format);

// A format block of WAVE_FORMAT_EXTENSIBLE with a plain PCM or float sub-format
// stands for that base tag; any other block keeps its own tag.
constexpr size_t kExtensibleFmtSize = 40;
// The sub-format GUIDs of plain PCM and float as stored: the base tag as a
// 32-bit number, then these fixed 12 bytes.
constexpr unsigned char kSubFormatGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                  0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
uint16_t BaseFormatTag(const unsigned char* fmt, size_t size);
