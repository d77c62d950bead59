// The module's face towards the host: the load notification and the sixteen
// exported callbacks, each forwarding to the code that does the work. The
// names and ordinals are fixed in plugin.def. No exception leaves an export.
#include <windows.h>

#include <type_traits>

#include "ansi_text.h"
#include "host_api.h"
#include "menu_integration.h"
#include "plugin_info.h"

// The C runtime's start-up calls it by name: it must stay external.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {  // NOLINT(misc-use-internal-linkage)
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    LoadAnsiCodePage();
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

// Each export has the type the host calls it through, calling convention
// included: a wrong argument count or convention would unbalance the host's stack.
static_assert(std::is_same_v<decltype(&OMC_OnStart), OnStartFn>);
static_assert(std::is_same_v<decltype(&OMC_OnExit), OnExitFn>);
static_assert(std::is_same_v<decltype(&OMC_OnMenuInit), OnMenuInitFn>);
static_assert(std::is_same_v<decltype(&OMC_OnOpenFolder), OnOpenFolderFn>);
static_assert(std::is_same_v<decltype(&OMC_OnOpenMail), OnOpenMailFn>);
static_assert(std::is_same_v<decltype(&OMC_OnEveryMinute), OnEveryMinuteFn>);
static_assert(std::is_same_v<decltype(&OMC_OnOpenCompose), OnOpenComposeFn>);
static_assert(std::is_same_v<decltype(&OMC_OnOutgoing), OnOutgoingFn>);
static_assert(std::is_same_v<decltype(&OMC_OnKeyDispatch), OnKeyDispatchFn>);
static_assert(std::is_same_v<decltype(&OMC_OnRetrieve), OnRetrieveFn>);
static_assert(std::is_same_v<decltype(&OMC_OnSend), OnSendFn>);
static_assert(std::is_same_v<decltype(&OMC_OnFinishRetrieve), OnFinishRetrieveFn>);
static_assert(std::is_same_v<decltype(&OMC_OnPlugInSetup), OnPlugInSetupFn>);
static_assert(std::is_same_v<decltype(&OMC_OnPlugInInfo), OnPlugInInfoFn>);
static_assert(std::is_same_v<decltype(&OMC_OnDragDrop), OnDragDropFn>);
static_assert(std::is_same_v<decltype(&OMC_OnBeforeFilter2), OnBeforeFilter2Fn>);
