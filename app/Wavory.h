// The application object: the whole run of the program happens in InitInstance.
#pragma once
#include "../framework/WinApp.h"

class CWavoryApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
