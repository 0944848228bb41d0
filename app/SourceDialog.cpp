#include "SourceDialog.h"

#include <commdlg.h>
#include <cderr.h>

#include <cstring>

#include "../engine/PathRules.h"
#include "../framework/Unicode.h"
#include "AppMessages.h"

bool ParseSelection(const wchar_t* buffer, size_t size, std::vector<std::string>& paths) {
    paths.clear();
    size_t end = 0;
    while (end + 1 < size && !(buffer[end] == L'\0' && buffer[end + 1] == L'\0')) ++end;
    if (end + 1 >= size) return false;
    std::vector<std::string> parts;
    for (size_t pos = 0; pos <= end && buffer[pos];) {
        size_t length = wcslen(buffer + pos);
        parts.push_back(Narrow(buffer + pos, length));
        pos += length + 1;
    }
    if (parts.empty()) return false;
    if (parts.size() == 1) {
        paths.push_back(parts[0]);
        return true;
    }
    std::string folder = parts[0];
    if (folder.back() != '\\') folder += '\\';
    for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
    return true;
}

SelectionResult ChooseSourceFiles(HWND owner, std::vector<std::string>& paths, std::vector<std::string>& tooLong) {
    std::wstring filter = Widen(msg::kSourceFilter);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    // Room past what the dialog is told: one platform's wide dialog copies a
    // selection that does not fit in whole, past nMaxFile, instead of refusing it.
    // What lies past nMaxFile is never read: such a selection is too many.
    std::vector<wchar_t> buffer(kSelectionBufferSize + kSelectionOverrunRoom, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(kSelectionBufferSize);
    ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameW(&ofn))
        return CommDlgExtendedError() == FNERR_BUFFERTOOSMALL ? SelectionResult::kTooMany : SelectionResult::kCancelled;
    // Some platforms cut a selection that does not fit and still report success.
    std::vector<std::string> all;
    if (!ParseSelection(buffer.data(), kSelectionBufferSize, all)) return SelectionResult::kTooMany;
    paths.clear();
    tooLong.clear();
    for (auto& p : all) (p.size() > kMaxPathBytes ? tooLong : paths).push_back(p);
    return SelectionResult::kSelected;
}
