#include "PackagedMenu.h"

#include <windows.h>

#include "PackageIdentity.h"

namespace shellext {
#ifdef _WIN64
namespace {
// The package identity as kernel32 takes it (appmodel.h, which mingw lacks).
struct PackageId {
    UINT32 reserved;
    UINT32 processorArchitecture;
    UINT64 version;
    PWSTR name;
    PWSTR publisher;
    PWSTR resourceId;
    PWSTR publisherId;
};
using FamilyNameFromIdFn = LONG(WINAPI*)(const PackageId*, UINT32*, PWSTR);
using PackagesByFamilyFn = LONG(WINAPI*)(PCWSTR, UINT32*, PWSTR*, UINT32*, WCHAR*);

template <typename Fn>
Fn Kernel32Function(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}
}  // namespace

// Registered for the user this process runs as: the installer registers the
// package for the installing user only, and every other user keeps the classic menu.
bool PackagedCommandsServeThisProcess() {
    // Windows 7 has neither function, and no packages.
    auto familyNameFromId = Kernel32Function<FamilyNameFromIdFn>("PackageFamilyNameFromId");
    auto packagesByFamily = Kernel32Function<PackagesByFamilyFn>("GetPackagesByPackageFamily");
    if (!familyNameFromId || !packagesByFamily) return false;
    PackageId id{};
    id.name = const_cast<PWSTR>(kPackageName);
    id.publisher = const_cast<PWSTR>(kPackagePublisher);
    wchar_t family[128] = {};
    UINT32 length = ARRAYSIZE(family);
    if (familyNameFromId(&id, &length, family) != ERROR_SUCCESS) return false;
    UINT32 count = 0, bufferLength = 0;
    // Without buffers a registered family answers "insufficient buffer" with its count.
    LONG rc = packagesByFamily(family, &count, nullptr, &bufferLength, nullptr);
    return (rc == ERROR_SUCCESS || rc == ERROR_INSUFFICIENT_BUFFER) && count > 0;
}
#else
// The package's class is the 64-bit extension (Explorer's own bitness on
// 64-bit Windows, the only place the installer registers it): 32-bit
// programs' file dialogs keep the classic menu.
bool PackagedCommandsServeThisProcess() { return false; }
#endif
}  // namespace shellext
