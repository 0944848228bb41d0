#include "OptionWavDlg.h"

#include <mmreg.h>
#include <msacm.h>

#include <cstdlib>

#include "../app/AppMessages.h"
#include "../app/HelpFile.h"
#include "../app/OutputFolder.h"
#include "../framework/MessageBox.h"
#include "../framework/WinApp.h"
#include "../res/resource.h"
#include "FormatText.h"
#include "Settings.h"

namespace {
const char kHomePage[] = "https://www.wavory.example/";
const char kSupportMail[] = "mailto:support@wavory.example";
const char kFolderEmpty[] = "The output folder is empty, please enter the output folder!";
const char kFolderTooLong[] = "The output folder is too long, please enter another folder!";
const char kNoPcmDriver[] = "There is no ACM PCM driver installed on your computer!Please choose another WAV option.";
const char kNotWritable[] = "Wavory cannot write this format. Please choose a PCM or IEEE Float format.";
// The first choice of "Files converted at once", stored as 0.
const char kOneACore[] = "One per core";

CWinApp& App() { return *AfxGetApp(); }

// The chooser asks its hook before it lists each tag and format; the answer
// goes back in the dialog's message result.
UINT CALLBACK ChooserHook(HWND chooser, UINT message, WPARAM kind, LPARAM item) {
    if (message != MM_ACM_FORMATCHOOSE) return FALSE;
    bool listed = true;
    switch (kind) {
    case FORMATCHOOSE_FORMATTAG_VERIFY: listed = ChooserListsTag(static_cast<DWORD>(item)); break;
    case FORMATCHOOSE_FORMAT_VERIFY:
    case FORMATCHOOSE_CUSTOM_VERIFY: listed = ChooserListsFormat(*reinterpret_cast<const WAVEFORMATEX*>(item)); break;
    default: return FALSE;
    }
    SetWindowLongPtrA(chooser, DWLP_MSGRESULT, listed);
    return TRUE;
}
}  // namespace

COptionWavDlg::COptionWavDlg(CWnd* parent) : CDialog(IDD_OPTIONS, parent) {}

void COptionWavDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, IDC_LINK_MAIL, m_linkMail);
    DDX_Control(dx, IDC_LINK_HOME, m_linkHome);
    DDX_Radio(dx, IDC_OUTPUT_SOURCE, m_nOutputTo);
    DDX_Text(dx, IDC_OUTPUT_PATH, m_strOutputPath);
    DDX_Check(dx, IDC_VOLUME_NORMALIZE, m_bVolumeNormalize);
    DDX_Check(dx, IDC_PROMPT_BEFORE, m_bPromptBefore);
    DDX_Check(dx, IDC_DISPLAY_INFO, m_bDisplayInfo);
    DDX_Check(dx, IDC_NO_ERROR_INFO, m_bNotDisplayErrInfo);
    DDX_Check(dx, IDC_KEEP_TREE, m_bKeepTree);
    DDX_Check(dx, IDC_COPY_TAGS, m_bCopyTags);
    DDX_CBIndex(dx, IDC_FILES_AT_ONCE, m_nFilesAtOnce);
    DDX_Radio(dx, IDC_FORMAT_CD, m_nFormat);
}

BOOL COptionWavDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND levels = GetDlgItem(IDC_NORMALIZE_LEVEL);
    for (int level : settings::kNormalizeLevels)
        ::SendMessageA(levels, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(level).c_str()));
    FillFilesAtOnce();
    HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    m_linkHome.SetLinkUrl(kHomePage);
    m_linkMail.SetLinkUrl(kSupportMail);
    m_linkHome.SetUnderlined(TRUE);
    m_linkMail.SetUnderlined(TRUE);
    m_linkHome.m_hLinkCursor = hand;
    m_linkMail.m_hLinkCursor = hand;
    return TRUE;
}

void COptionWavDlg::FillFilesAtOnce() {
    HWND list = GetDlgItem(IDC_FILES_AT_ONCE);
    ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kOneACore));
    for (int files = 1; files <= kMaxJobs; ++files)
        ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(files).c_str()));
}

void COptionWavDlg::OnShowWindow(bool show, UINT) {
    if (show) Load();
}

void COptionWavDlg::Load() {
    CWinApp& app = App();
    m_nOutputTo = settings::Read(app, settings::kOutputTo);
    EnableOutputPath(m_nOutputTo == settings::kOutputToFixedFolder);
    m_strOutputPath = settings::Read(app, settings::kOutputPath);
    m_bVolumeNormalize = settings::Read(app, settings::kVolumeNormalize);
    SendDlgItemMessageA(m_hWnd, IDC_NORMALIZE_LEVEL, CB_SETCURSEL,
                        NormalizeLevelIndex(settings::Read(app, settings::kNormalizeValue)), 0);
    ::EnableWindow(GetDlgItem(IDC_NORMALIZE_LEVEL), m_bVolumeNormalize != 0);
    m_bPromptBefore = settings::Read(app, settings::kPromptBefore);
    m_bDisplayInfo = settings::Read(app, settings::kDisplayInfo);
    m_bNotDisplayErrInfo = settings::Read(app, settings::kNotDisplayErrInfo);
    m_bKeepTree = settings::Read(app, settings::kKeepTree);
    m_bCopyTags = settings::Read(app, settings::kCopyTags);
    const int filesAtOnce = settings::Read(app, settings::kFilesAtOnce);
    m_nFilesAtOnce = filesAtOnce >= 1 && filesAtOnce <= kMaxJobs ? filesAtOnce : 0;
    m_nFormat = settings::Read(app, settings::kFormat);
    EnableFormatChoice(m_nFormat == settings::kFormatStored);
    m_wfxOther = settings::ReadStoredFormat(app);
    SetDlgItemText(IDC_FORMAT_LABEL, DescribeFormat(m_wfxOther).c_str());
    UpdateData(false);
}

void COptionWavDlg::EnableOutputPath(bool enable) {
    ::EnableWindow(GetDlgItem(IDC_OUTPUT_PATH), enable);
    ::EnableWindow(GetDlgItem(IDC_BROWSE), enable);
}

void COptionWavDlg::EnableFormatChoice(bool enable) {
    ::EnableWindow(GetDlgItem(IDC_CHANGE_FORMAT), enable);
    ::EnableWindow(GetDlgItem(IDC_FORMAT_LABEL), enable);
}

void COptionWavDlg::EnableLevelList() {
    UpdateData(true);
    ::EnableWindow(GetDlgItem(IDC_NORMALIZE_LEVEL), m_bVolumeNormalize != 0);
}

bool COptionWavDlg::OnCommand(UINT id, UINT code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_BROWSE: OnBrowse(); return true;
    case IDC_CHANGE_FORMAT: OnChangeFormat(); return true;
    case IDC_VOLUME_NORMALIZE: EnableLevelList(); return true;
    case IDC_OUTPUT_SOURCE:
    case IDC_OUTPUT_ASK: EnableOutputPath(false); return true;
    case IDC_OUTPUT_FIXED: EnableOutputPath(true); return true;
    case IDC_FORMAT_CD:
    case IDC_FORMAT_ORIGINAL: EnableFormatChoice(false); return true;
    case IDC_FORMAT_OTHER: EnableFormatChoice(true); return true;
    case IDC_HELP_BUTTON: OpenHelpTopic("::/Options.htm"); return true;
    default: return false;
    }
}

void COptionWavDlg::OnBrowse() {
    std::string folder;
    if (!BrowseForOutputFolder(m_hWnd, folder)) return;
    // Keep what was typed elsewhere in the dialog: read it before writing it all back.
    UpdateData(true);
    m_strOutputPath = folder;
    m_nOutputTo = settings::kOutputToFixedFolder;
    UpdateData(false);
    EnableOutputPath(true);
}

void COptionWavDlg::OnChangeFormat() {
    WAVEFORMATEX chosen{};
    ACMFORMATCHOOSEA choose{};
    choose.cbStruct = sizeof(choose);
    // PCM and float both: one tag filter cannot say that, the hook can.
    choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_ENABLEHOOK;
    choose.pfnHook = ChooserHook;
    choose.hwndOwner = m_hWnd;
    choose.pwfx = &chosen;
    choose.cbwfx = sizeof(chosen);
    choose.pszTitle = "PCM Selection";
    MMRESULT result = acmFormatChooseA(&choose);
    if (result != MMSYSERR_NOERROR && result != ACMERR_CANCELED) {
        // A chooser that takes no hook (Wine's) lists every tag; the check below keeps what we write.
        choose.fdwStyle = 0;
        choose.pfnHook = nullptr;
        result = acmFormatChooseA(&choose);
    }
    if (result == ACMERR_CANCELED) return;
    if (result != MMSYSERR_NOERROR) {
        AppMessageBox(m_hWnd, kNoPcmDriver, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    // A chooser that lists every codec's formats (Wine's) lets one through.
    if (!ChooserListsFormat(chosen)) {
        AppMessageBox(m_hWnd, kNotWritable, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    m_wfxOther.wFormatTag = chosen.wFormatTag;
    m_wfxOther.nChannels = chosen.nChannels;
    m_wfxOther.nSamplesPerSec = chosen.nSamplesPerSec;
    m_wfxOther.nAvgBytesPerSec = chosen.nAvgBytesPerSec;
    m_wfxOther.nBlockAlign = chosen.nBlockAlign;
    m_wfxOther.wBitsPerSample = chosen.wBitsPerSample;
    SetDlgItemText(IDC_FORMAT_LABEL, DescribeFormat(m_wfxOther).c_str());
}

void COptionWavDlg::OnOK() {
    UpdateData(true);
    CWinApp& app = App();
    if (m_nOutputTo == settings::kOutputToFixedFolder) {
        const char* refusal = m_strOutputPath.empty() ? kFolderEmpty
                              // Longer folders are past what the file functions take.
                              : m_strOutputPath.size() > kMaxPathBytes ? kFolderTooLong
                                                                       : nullptr;
        if (refusal) {
            AppMessageBox(m_hWnd, refusal, "Error", MB_OK | MB_ICONERROR);
            SetFocus(GetDlgItem(IDC_OUTPUT_PATH));
            return;
        }
        settings::Write(app, settings::kOutputPath, m_strOutputPath.c_str());
    }
    if (!settings::Write(app, settings::kOutputTo, m_nOutputTo)) {
        std::string text = "There are some error when you config Output to!\n" + msg::EmailUs();
        const CWinApp* owner = AfxGetApp();
        AppMessageBox(m_hWnd, text.c_str(), owner ? owner->m_strAppName.c_str() : "", MB_ICONERROR);
    }
    settings::Write(app, settings::kVolumeNormalize, m_bVolumeNormalize);
    if (m_bVolumeNormalize) {
        settings::Write(app, settings::kNormalizeValue, atoi(GetDlgItemText(IDC_NORMALIZE_LEVEL).c_str()));
    }
    settings::Write(app, settings::kPromptBefore, m_bPromptBefore);
    settings::Write(app, settings::kDisplayInfo, m_bDisplayInfo);
    settings::Write(app, settings::kNotDisplayErrInfo, m_bNotDisplayErrInfo);
    settings::Write(app, settings::kKeepTree, m_bKeepTree);
    settings::Write(app, settings::kCopyTags, m_bCopyTags);
    settings::Write(app, settings::kFilesAtOnce, m_nFilesAtOnce);
    settings::Write(app, settings::kFormat, m_nFormat);
    if (m_nFormat == settings::kFormatStored) settings::WriteStoredFormat(app, m_wfxOther);
    EndDialog(IDOK);
}
