// The module's face towards the host: the load notification and the sixteen
// exported callbacks, each forwarding to the code that does the work. The
// names and ordinals are fixed in plugin.def. No exception leaves an export.
#include <windows.h>

#include "ansi_text.h"
#include "host_api.h"
#include "menu_integration.h"
#include "plugin_info.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    LoadAnsiLeadBytes();
    return g_host.Bind() ? TRUE : FALSE;
}

extern "C" {

int WINAPI OMC_OnMenuInit(HANDLE, HMENU menu, int menuType) {
    OnMenuInit(menu, menuType);
    return 0;
}

int WINAPI OMC_OnPlugInInfo(PlugInInfo* info) {
    FillPlugInInfo(info);
    return 0;
}

// Events the plug-in does not act on.
int WINAPI OMC_OnStart() { return 0; }
int WINAPI OMC_OnExit() { return 0; }
int WINAPI OMC_OnOpenFolder(LONG) { return 0; }
int WINAPI OMC_OnOpenMail(LONG) { return 0; }
int WINAPI OMC_OnEveryMinute() { return 0; }
int WINAPI OMC_OnOpenCompose(LONG, LONG) { return 0; }
int WINAPI OMC_OnOutgoing(LONG, LONG) { return 0; }
int WINAPI OMC_OnKeyDispatch(LONG, LONG, LONG) { return 0; }
int WINAPI OMC_OnRetrieve(LONG, LONG) { return 0; }
int WINAPI OMC_OnSend(LONG) { return 0; }
int WINAPI OMC_OnFinishRetrieve(LONG) { return 0; }
// The plug-in has no settings of its own, so there is nothing to set up.
int WINAPI OMC_OnPlugInSetup(LONG) { return 0; }
int WINAPI OMC_OnDragDrop(LONG, LONG, LONG, LONG) { return 0; }
int WINAPI OMC_OnBeforeFilter2(LONG, LONG, LONG, LONG) { return 0; }

}  // extern "C"
