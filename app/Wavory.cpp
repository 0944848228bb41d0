#include "Wavory.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstring>

#include "../acmdriver/PcmConverter.h"
#include "../dialog/WavoryDlg.h"
#include "../engine/BatchState.h"
#include "../framework/FileSystem.h"
#include "../framework/MessageBox.h"
#include "../options/OptionsEntry.h"
#include "../options/Settings.h"
#include "../res/resource.h"
#include "../ui/DlgProxy.h"
#include "AppMessages.h"
#include "CommandLine.h"
#include "FileList.h"
#include "HelpFile.h"
#include "Maintenance.h"
#include "OutputFolder.h"
#include "ProgramBatch.h"
#include "SourceDialog.h"

CWavoryApp theApp;

int CWavoryApp::ExitInstance() { return m_exitCode; }

bool CWavoryApp::IsOutputOnCdRom() { return IsFolderOnCdRom(Batch().outputFolder.c_str()); }

BOOL CWavoryApp::InitInstance() {
    // The installer's and uninstaller's switches do their registry work and end.
    Maintenance task = MaintenanceOf(m_lpCmdLine);
    if (task != Maintenance::kNone) {
        m_exitCode = RunMaintenance(task);
        return FALSE;
    }
    if (FAILED(OleInitialize(nullptr))) {
        char text[256] = {};
        LoadStringA(m_hInstance, IDP_OLE_INIT_FAILED, text, sizeof(text));
        AfxMessageBox(text);
        return FALSE;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Before any conversion stream or format chooser: our PCM converter takes
    // every PCM conversion. Without it the platform's converter does, silently.
    InstallPcmConverter();
    SetRegistryKey(settings::kRegistryKey);
    bool automationStart = automation::IsAutomationStart(m_lpCmdLine);
    if (automationStart)
        automation::RegisterClassFactory();
    else
        automation::RefreshThisProgram();

    std::string folder;
    FolderOfPath(fs::ModulePath(nullptr).c_str(), folder);
    SetHelpFilePath((folder + "\\Wavory.chm").c_str());

    StartCommand command = CommandOfThisProcess();
    switch (command.mode) {
    case StartMode::kOptions:
        RunOptionsMode();
        break;
    case StartMode::kList:
        RunListMode(command.listPath);
        break;
    case StartMode::kFileDialog:
        RunFileDialogMode();
        break;
    }
    if (automationStart) automation::RevokeClassFactory();
    OleUninitialize();
    return FALSE;
}

void CWavoryApp::RunOptionsMode() { ShowOptionsDialog(nullptr); }

bool CWavoryApp::RefuseCdRomOutput() {
    if (!IsOutputOnCdRom()) return false;
    AppMessageBox(nullptr, msg::OnCdRom(Batch().outputFolder).c_str(), msg::kCaptionError, MB_OK | MB_ICONERROR);
    Batch().FreeSources();
    return true;
}

void CWavoryApp::RunListMode(const std::string& listPath) {
    switch (ReadFileList(ListFileFor(listPath), Batch().outputFolder)) {
    case kListNoFolder:
        return;
    case kListMalformed:
        AppMessageBox(nullptr, msg::kInternalError, msg::kCaptionError, MB_OK | MB_ICONERROR);
        AppMessageBox(nullptr, msg::EmailUs().c_str(), msg::kCaptionEmailUs, MB_OK);
        return;
    case kListEmpty:
        AppMessageBox(nullptr, msg::kNoFileToConvert, msg::kCaptionInfoBox, MB_OK);
        return;
    default:
        break;
    }
    if (RefuseCdRomOutput()) return;
    RunConversionDialog();
}

void CWavoryApp::RunFileDialogMode() {
    std::vector<std::string> paths, tooLong;
    SelectionResult chosen = ChooseSourceFiles(nullptr, paths, tooLong);
    if (chosen == SelectionResult::kTooMany)
        AppMessageBox(nullptr, msg::kTooManyFiles, msg::kCaptionError, MB_OK | MB_ICONERROR);
    if (chosen != SelectionResult::kSelected) return;
    for (const auto& p : tooLong) AppMessageBox(nullptr, msg::PathTooLong(p).c_str(), msg::kCaptionError, MB_OK | MB_ICONERROR);
    if (paths.empty()) return;

    BatchState& batch = Batch();
    batch.SetSources(paths);
    if (ApplyOutputFolderPolicy(nullptr, batch.sourcePaths[0].c_str(), batch.outputFolder) == FolderPolicyResult::kNoFolder) {
        batch.FreeSources();
        return;
    }
    if (RefuseCdRomOutput()) return;
    RunConversionDialog();
}

void CWavoryApp::RunConversionDialog() {
    CWavoryDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
}
