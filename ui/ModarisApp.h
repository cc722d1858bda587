#pragma once

#include "framework/window/CWinApp.h"

// The application: shows the main dialog and ends when it closes.
class CModarisApp : public CWinApp {
public:
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
