// The program's main window: shows a batch's progress and lets the user pause,
// continue, cancel and open a further batch.
#pragma once
#include <memory>

#include "../engine/DecodeThread.h"
#include "../framework/Dialog.h"
#include "../ui/DlgProxy.h"
#include "JobBoxes.h"


constexpr UINT_PTR ID_PROGRESS_TIMER = 1001;
constexpr UINT IDM_ABOUTBOX = 16;

class CWavoryDlg : public CDialog, public IAutomationHost {
public:
    explicit CWavoryDlg(CWnd* parent = nullptr);
    ~CWavoryDlg() override;

    HICON m_hIcon;
    BOOL m_bConverting = 0;
    BOOL m_bPaused = 0;
    std::unique_ptr<CJobBoxes> m_pJobEvents;  // the batch's events; outlives its thread
    std::unique_ptr<CDecodeThread> m_pDecodeThread;
    UINT_PTR m_nTimer = 0;
    int m_nTimerTicks = 0;
    CWavoryDlgAutoProxy* m_pAutoProxy = nullptr;

    void SetAutoProxy(CWavoryDlgAutoProxy* proxy) override { m_pAutoProxy = proxy; }
    // The automation client let go: a hidden dialog then ends the program, once
    // its batch has finished (a paused one is stopped at its next safe point).
    void OnProxyReleased() override;

protected:
    BOOL OnInitDialog() override;
    void OnShowWindow(bool show, UINT status) override;
    void OnTimer(UINT_PTR id) override;
    bool OnUserMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnClose() override;
    bool OnSysCommand(UINT id, LPARAM lp) override;
    bool OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnDestroy() override;
    void OnWindowPosChanging(WINDOWPOS& pos) override;

    void OnGatheringDone();
    void OnConversionDone();
    void OnBatchEnded(WPARAM serial);
    void OnPauseOrOpen();
    void OnOption();
    void OnHelp();

private:
    // False when the thread could not be started (the user was told).
    bool StartBatch();
    // The Finished state without sound or summary: for a batch that could not
    // start, or that ended without its converting pass.
    void ShowFinished();
    bool BatchRunning() const;
    // Ends the dialog now, or, while a batch runs, as soon as it has ended.
    void EndDialogWhenIdle(INT_PTR result);
    // Last resort for an end under a live batch: stop it and wait for its thread.
    void StopAndJoinBatch();
    // Answers the boxes the decode thread shows, so that it can be joined.
    void CloseThreadBoxes() const;
    bool ChooseSourcesAndFolder();
    bool CanExit();
    void WaitForStop();
    void SetProgress();
    void ShowNames();
    void ShowFreeSpace();
    void PlayAnimation(bool play);

    bool m_bShownOnce = false;
    bool m_bCancelling = false;
    bool m_bHiddenForProxy = false;  // hidden by Close while a client holds the program
    bool m_bEndPending = false;
    INT_PTR m_nPendingResult = IDCANCEL;
    WPARAM m_nBatchSerial = 0;
};
