#include "WavoryDlg.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>

#include "../app/AppMessages.h"
#include "../app/HelpFile.h"
#include "../app/OutputFolder.h"
#include "../app/ProgramBatch.h"
#include "../app/SourceDialog.h"
#include "../decoders/SndStreamWinAmp.h"
#include "DialogMessages.h"
#include "../framework/MessageBox.h"
#include "../framework/WinApp.h"
#include "../options/OptionsEntry.h"
#include "../options/Settings.h"
#include "../res/resource.h"
#include "../ui/DlgProxy.h"
#include "AboutDlg.h"
#include "ProgressText.h"

CWavoryDlg::CWavoryDlg(CWnd* parent)
    : CDialog(IDD_WAVORY_DIALOG, parent), m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CWavoryDlg::~CWavoryDlg() {
    if (m_pAutoProxy) m_pAutoProxy->Attach(nullptr);
    // The thread reads the sources: they go only after it has ended.
    StopAndJoinBatch();
    Batch().FreeSources();
}

void CWavoryDlg::OnProxyReleased() {
    if (!m_hWnd || !m_bHiddenForProxy) return;
    // Nobody can press Continue on a hidden dialog any more.
    if (m_bConverting && m_bPaused) {
        Batch().stopRequested = 1;
        m_pDecodeThread->Continue();
    }
    EndDialogWhenIdle(IDCANCEL);
}

bool CWavoryDlg::BatchRunning() const { return m_pDecodeThread && m_pDecodeThread->IsRunning(); }

void CWavoryDlg::EndDialogWhenIdle(INT_PTR result) {
    if (BatchRunning()) {
        m_bEndPending = true;
        m_nPendingResult = result;
        return;
    }
    EndDialog(result);
}

void CWavoryDlg::StopAndJoinBatch() {
    if (!BatchRunning()) return;
    Batch().stopRequested = 1;
    m_pDecodeThread->Continue();
    // Its end-of-file notice can no longer be dispatched: the reader must not wait for it.
    SndStream().ReleaseReader();
    HANDLE thread = m_pDecodeThread->m_hThread;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        CloseThreadBoxes();
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // serves messages sent to this thread
    }
}

namespace {
BOOL CALLBACK AnswerBox(HWND box, LPARAM) {
    // No, then OK: a question is declined, a notice taken.
    for (int answer : {IDNO, IDCANCEL, IDOK}) ::PostMessageA(box, WM_COMMAND, answer, 0);
    return TRUE;
}
}  // namespace

void CWavoryDlg::CloseThreadBoxes() const { EnumThreadWindows(m_pDecodeThread->m_nThreadID, &AnswerBox, 0); }

BOOL CWavoryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // A client that created the automation object before this dialog existed.
    if (CWavoryDlgAutoProxy* proxy = CWavoryDlgAutoProxy::Current())
        if (!proxy->m_pDialog) proxy->Attach(this);
    char about[128] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
        HMENU system = GetSystemMenu(m_hWnd, FALSE);
        if (system) {
            AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SendDlgItemMessageA(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETRANGE32, 0, 100);
    SendDlgItemMessageA(m_hWnd, IDC_FILE_PROGRESS, PBM_SETRANGE32, 0, 100);
    Animate_OpenEx(GetDlgItem(IDC_ANIMATE), GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_AVI_CONVERT));
    return TRUE;
}

void CWavoryDlg::OnShowWindow(bool show, UINT) {
    if (!show || m_bShownOnce) return;
    m_bShownOnce = true;
    if (!SndStream().LoadPlugins()) {
        AppMessageBox(m_hWnd, msg::kDecoderMissing, msg::kCaptionInformation, MB_OK | MB_ICONERROR);
        EndDialog(IDCANCEL);
        return;
    }
    PostMessage(WM_START_BATCH);
}

void CWavoryDlg::PlayAnimation(bool play) {
    HWND animation = GetDlgItem(IDC_ANIMATE);
    if (play) {
        Animate_Play(animation, 0, -1, -1);
    } else {
        Animate_Stop(animation);
    }
}

bool CWavoryDlg::StartBatch() {
    m_pDecodeThread.reset();  // the previous batch's thread has ended
    BatchState& batch = Batch();
    batch.filePercent = 0;
    batch.totalPercent = 0;
    m_bPaused = 0;
    batch.stopRequested = 0;
    // Reset before the thread starts: a batch that ends at once must not lose its signal.
    ResetEvent(batch.stoppedEvent);
    const CWinApp* app = AfxGetApp();
    const JobSettings jobSettings = app ? settings::ReadJobSettings(*app) : JobSettings();
    m_pJobEvents = std::make_unique<CJobBoxes>(this, jobSettings, ++m_nBatchSerial);
    m_pDecodeThread = std::make_unique<CDecodeThread>(jobSettings, *m_pJobEvents, Batch());
    if (!m_pDecodeThread->CreateThread()) {
        m_pDecodeThread.reset();
        AppMessageBox(m_hWnd, msg::kCantStartBatch, msg::kCaptionError, MB_OK | MB_ICONERROR);
        ShowFinished();
        return false;
    }
    SetDlgItemText(IDC_STAGE, msg::kStageGathering);
    SetDlgItemText(IDC_FOLDERS, "");
    SetDlgItemText(IDC_FILE_NAME, "");
    m_bConverting = 1;
    PlayAnimation(true);
    m_nTimer = SetTimer(m_hWnd, ID_PROGRESS_TIMER, 100, nullptr);
    return true;
}

void CWavoryDlg::SetProgress() {
    SendDlgItemMessageA(m_hWnd, IDC_FILE_PROGRESS, PBM_SETPOS, Batch().filePercent, 0);
    SendDlgItemMessageA(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(Batch().totalPercent.load()), 0);
}

void CWavoryDlg::OnTimer(UINT_PTR) {
    if (!m_bConverting) return;
    BatchState& batch = Batch();
    SetProgress();
    if (batch.phase == 1 && m_nTimerTicks++ == 5) {
        m_nTimerTicks = 0;
        ShowFreeSpace();
    }
    ShowNames();
}

void CWavoryDlg::ShowFreeSpace() {
    SetDlgItemText(IDC_FREE_SPACE, "");
    SetDlgItemText(IDC_FREE_SPACE, FreeSpaceText(Batch().freeBytes).c_str());
}

void CWavoryDlg::ShowNames() {
    BatchNames names;
    if (!Batch().TakeNames(names)) return;
    SetDlgItemText(IDC_FILE_NAME, "");
    SetDlgItemText(IDC_FILE_NAME, CutName(names.currentFileName, 30).c_str());
    SetDlgItemText(IDC_FOLDERS, "");
    SetDlgItemText(IDC_FOLDERS, FoldersText(names.sourceFolderName, names.outputFolderName).c_str());
}

bool CWavoryDlg::OnUserMessage(UINT message, WPARAM wp, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_GATHERING_DONE:
        OnGatheringDone();
        return true;
    case WM_CONVERSION_DONE:
        OnConversionDone();
        return true;
    case WM_START_BATCH:
        StartBatch();
        return true;
    case WM_BATCH_ENDED:
        OnBatchEnded(wp);
        return true;
    default:
        return false;
    }
}

void CWavoryDlg::OnGatheringDone() { SetDlgItemText(IDC_STAGE, msg::kStageTotal); }

void CWavoryDlg::ShowFinished() {
    m_bConverting = 0;
    SetDlgItemText(IDC_PAUSE, msg::kOpen);
    SetDlgItemText(IDCANCEL, msg::kClose);
    HWND animation = GetDlgItem(IDC_ANIMATE);
    Animate_Seek(animation, 0);
    Animate_Stop(animation);
    Batch().FreeSources();
    if (m_nTimer) {
        KillTimer(m_hWnd, m_nTimer);
        m_nTimer = 0;
    }
}

void CWavoryDlg::OnBatchEnded(WPARAM serial) {
    if (serial != m_nBatchSerial) return;  // an earlier batch's, long joined
    // Posted as the thread's last act: it is ending, and touches nothing of ours.
    if (m_pDecodeThread) m_pDecodeThread->Join();
    if (m_bConverting) ShowFinished();  // stopped while gathering, or failed on the way
    if (m_bEndPending) EndDialog(m_nPendingResult);
}

void CWavoryDlg::OnConversionDone() {
    BatchState& batch = Batch();
    ShowFinished();
    SetProgress();
    // A batch shorter than a timer tick would otherwise end with empty labels.
    ShowNames();
    if (batch.freeBytes) ShowFreeSpace();
    // Nobody looks at a dialog that was closed while its batch ran.
    if (m_bEndPending || m_bHiddenForProxy) return;
    sndPlaySoundA("finish.wav", SND_ASYNC | SND_NODEFAULT);
    const CWinApp* app = AfxGetApp();
    if (app && settings::Read(*app, settings::kDisplayInfo)) {
        char text[128];
        snprintf(text, sizeof(text), msg::kSummaryFormat, static_cast<int>(batch.convertedCount.load()),
                 static_cast<int>(batch.totalCount.load()));
        AppMessageBox(m_hWnd, text, msg::kCaptionInformation, MB_OK | MB_ICONINFORMATION);
    }
}

bool CWavoryDlg::OnCommand(UINT id, UINT code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_PAUSE:
        OnPauseOrOpen();
        return true;
    case IDC_OPTION:
        OnOption();
        return true;
    case IDC_HELP_BUTTON:
        OnHelp();
        return true;
    default:
        return false;
    }
}

void CWavoryDlg::OnPauseOrOpen() {
    if (m_bEndPending) return;  // the dialog ends with this batch
    if (m_bConverting && !m_bPaused) {
        m_bPaused = 1;
        m_pDecodeThread->Pause();
        SetDlgItemText(IDC_PAUSE, msg::kContinue);
        PlayAnimation(false);
    } else if (m_bConverting) {
        m_bPaused = 0;
        m_pDecodeThread->Continue();
        SetDlgItemText(IDC_PAUSE, msg::kPause);
        PlayAnimation(true);
    } else if (ChooseSourcesAndFolder() && StartBatch()) {
        SetDlgItemText(IDC_PAUSE, msg::kPause);
        SetDlgItemText(IDCANCEL, msg::kCancel);
    }
}

bool CWavoryDlg::ChooseSourcesAndFolder() {
    std::vector<std::string> paths, tooLong;
    SelectionResult chosen = ChooseSourceFiles(AfxGetMainHwnd(), paths, tooLong);
    if (chosen == SelectionResult::kTooMany)
        AppMessageBox(m_hWnd, msg::kTooManyFiles, msg::kCaptionError, MB_OK | MB_ICONERROR);
    if (chosen != SelectionResult::kSelected) return false;
    for (const auto& p : tooLong) AppMessageBox(m_hWnd, msg::PathTooLong(p).c_str(), msg::kCaptionError, MB_OK | MB_ICONERROR);
    if (paths.empty()) return false;

    BatchState& batch = Batch();
    batch.SetSources(paths);
    const CWinApp* app = AfxGetApp();
    bool fixedFolder = app && settings::Read(*app, settings::kOutputTo) == settings::kOutputToFixedFolder;
    if (ApplyOutputFolderPolicy(m_hWnd, batch.sourcePaths[0].c_str(), batch.outputFolder) == FolderPolicyResult::kNoFolder) {
        batch.FreeSources();
        if (fixedFolder) AppMessageBox(m_hWnd, msg::kOutputFolderEmpty, msg::kCaptionError, MB_OK | MB_ICONERROR);
        return false;
    }
    if (IsFolderOnCdRom(batch.outputFolder.c_str())) {
        AppMessageBox(m_hWnd, msg::OnCdRom(batch.outputFolder).c_str(), msg::kCaptionError, MB_OK | MB_ICONERROR);
        batch.FreeSources();
        return false;
    }
    return true;
}

// The thread ends with its batch: its end, not stoppedEvent (set a moment
// earlier), tells that nothing of the batch is left running.
void CWavoryDlg::WaitForStop() {
    HANDLE thread = m_pDecodeThread->m_hThread;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE,
                                            QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) return;
        // Painting and the progress timer are served meanwhile; input and the
        // rest wait until the thread has stopped.
        MSG m;
        while (PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&m);
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageA(&m);
    }
}

void CWavoryDlg::OnCancel() {
    if (m_bCancelling || m_bEndPending) return;
    if (m_bConverting) {
        m_bCancelling = true;
        if (!m_bPaused) m_pDecodeThread->Pause();
        int answer = AppMessageBox(m_hWnd, msg::kCancelPrompt, msg::kCaptionInfoBox, MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES) {
            if (!m_bPaused) m_pDecodeThread->Continue();
            m_bCancelling = false;
            return;
        }
        Batch().stopRequested = 1;
        m_pDecodeThread->Continue();
        WaitForStop();
        m_bCancelling = false;
    }
    if (CanExit()) EndDialogWhenIdle(IDCANCEL);
}

void CWavoryDlg::OnOK() {
    if (CanExit()) EndDialogWhenIdle(IDOK);
}

bool CWavoryDlg::OnClose() {
    if (!CanExit()) return true;
    return false;  // the dialog manager turns it into IDCANCEL
}

bool CWavoryDlg::CanExit() {
    if (m_pAutoProxy) {
        m_bHiddenForProxy = true;
        ShowWindow(SW_HIDE);
        return false;
    }
    return true;
}

// A dialog box is shown by its modal loop the first time its queue runs empty
// (under Wine even when it is visible already); a Close that came before that
// moment must not be undone by it.
void CWavoryDlg::OnWindowPosChanging(WINDOWPOS& pos) {
    if (!m_bHiddenForProxy) return;
    pos.flags &= ~SWP_SHOWWINDOW;
    // Nor taken to the front: keys would go to a window nobody sees.
    pos.flags |= SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOOWNERZORDER;
}

void CWavoryDlg::OnOption() { ShowOptionsDialog(this); }

void CWavoryDlg::OnHelp() { OpenHelpTopic("::/HowtoConvert.htm"); }

bool CWavoryDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutDlg about(this);
    about.DoModal();
    return true;
}

bool CWavoryDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
    return true;
}

HCURSOR CWavoryDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CWavoryDlg::OnDestroy() {
    // Only an end forced past the rules (an exception) leaves a batch running here.
    StopAndJoinBatch();
    SndStream().UnloadPlugins();
    if (m_nTimer) {
        KillTimer(m_hWnd, m_nTimer);
        m_nTimer = 0;
    }
}
