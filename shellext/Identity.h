// The extension's COM identity: one definition of each name and number.
#pragma once
#include <windows.h>

#include "GuidText.h"

namespace shellext {

inline constexpr char kClsidText[] = "{DB7CFAED-842B-47E7-9FF4-92852D617958}";
inline constexpr char kLibidText[] = "{5291C002-78CE-47AD-A0F6-C187F25FB2A9}";
inline constexpr char kDescription[] = "ConvShlExt Class";
inline constexpr char kProgId[] = "Sonelle.ConvShlExt.1";
inline constexpr char kVersionIndependentProgId[] = "Sonelle.ConvShlExt";
inline constexpr char kHandlerName[] = "ConvShlExt";
inline constexpr char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

inline constexpr CLSID kClsid = GuidFromText(kClsidText);
// {FEA1DE5A-FE2C-4680-A0B2-ADE6227393FF}
inline constexpr IID kIidConvShlExt = {0xFEA1DE5A, 0xFE2C, 0x4680, {0xA0, 0xB2, 0xAD, 0xE6, 0x22, 0x73, 0x93, 0xFF}};
inline constexpr GUID kLibid = GuidFromText(kLibidText);

}  // namespace shellext
