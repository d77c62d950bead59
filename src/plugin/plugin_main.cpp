#include <windows.h>

#include "host_api.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return g_host.Bind() ? TRUE : FALSE;
    return TRUE;
}
