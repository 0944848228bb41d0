// The program's main window: shows a batch's progress and lets the user pause,
// continue, cancel and open a further batch.
#pragma once
#include <memory>

#include "../engine/DecodeThread.h"
#include "../framework/Dialog.h"

class CWavoryDlgAutoProxy;

constexpr UINT_PTR ID_PROGRESS_TIMER = 1001;
constexpr UINT IDM_ABOUTBOX = 16;

class CWavoryDlg : public CDialog {
public:
    explicit CWavoryDlg(CWnd* parent = nullptr);
    ~CWavoryDlg() override;

    HICON m_hIcon;
    BOOL m_bConverting = 0;
    BOOL m_bPaused = 0;
    std::unique_ptr<CDecodeThread> m_pDecodeThread;
    UINT_PTR m_nTimer = 0;
    int m_nTimerTicks = 0;
    CWavoryDlgAutoProxy* m_pAutoProxy = nullptr;

    // The automation client let go: a hidden dialog then ends the program.
    void OnProxyReleased();

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

    void OnDecoderEof();
    void OnGatheringDone();
    void OnConversionDone();
    void OnPauseOrOpen();
    void OnOption();
    void OnHelp();

private:
    void StartBatch();
    bool ChooseSourcesAndFolder();
    bool CanExit();
    void WaitForStop();
    void SetProgress();
    void ShowNames();
    void ShowFreeSpace();
    void PlayAnimation(bool play);

    bool m_bShownOnce = false;
    bool m_bCancelling = false;
};
