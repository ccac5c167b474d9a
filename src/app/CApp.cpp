#include "app/CApp.h"

CApp::CApp()
{
    mAuxFlag = 0;
    mMenuBarHidden = 0;
    mHeartbeatBusy = 0;
}
