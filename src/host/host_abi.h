// The boundary between the Ombry host and its plug-ins, as both sides see it:
// the entry points the host exports (OMA_), the callbacks a plug-in hands to
// the host, and the callbacks a plug-in exports (OMC_) with the information
// block one of them fills. Only types: the binding lives in host_api.h, and the
// fake host and the simulator see the plug-in through this header alone.
#pragma once

#include <windows.h>

// <windows.h> makes GetTempFileName a macro, which would rename the entry of
// that name in host_entry_points.inc. Code of ours calls GetTempFileNameA.
#ifdef GetTempFileName
#undef GetTempFileName
#endif

// Menu-type codes the host passes to OMC_OnMenuInit when it builds a menu.
constexpr int kMenuBar = 0;
constexpr int kPopupMenu = 1;

// Callbacks handed to the host. The host's two arguments are not read.
using CommandCallback = void(WINAPI*)(LONG, LONG);
using StateCallback = DWORD(WINAPI*)(LONG, LONG);

// The host entry points a plug-in calls. Texts are NUL-terminated ANSI (code
// page 932) strings; the plug-in reads returned texts at once and never frees them.
using GetVersionFn = const char*(WINAPI*)();
using RegisterCommandFn = int(WINAPI*)(const char* text, int menuType, CommandCallback onCommand);
using RegisterUICallbackFn = LONG(WINAPI*)(int commandId, StateCallback onState);
using GetDataFolderFn = const char*(WINAPI*)();
using GetCurrentMailBoxFn = const char*(WINAPI*)();
using GetCurrentMailFn = const char*(WINAPI*)();
using GetHeaderFn = const char*(WINAPI*)(const char* mailId);
using GetSpecifiedHeaderFn = LONG(WINAPI*)(const char* name, char* buffer, int size);
using ComposeMailFn = HWND(WINAPI*)(const char* unused);
using CompSetSpecifiedHeaderFn = LONG(WINAPI*)(HWND compose, const char* name, const char* value);

// Entry points that are looked up but never called: their signatures do not matter.
using UncalledEntryPoint = FARPROC;

// The block the host passes to OMC_OnPlugInInfo: four texts at fixed offsets.
// The host sizes the description field; the description and its NUL fit in it.
struct PlugInInfo {
    char name[80];
    char vendor[80];
    char version[80];
    char description[1];
};

// The plug-in's exports as the host calls them, by ordinal.
using OnStartFn = int(WINAPI*)();                                       // 1
using OnExitFn = int(WINAPI*)();                                        // 2
using OnMenuInitFn = int(WINAPI*)(HANDLE, HMENU menu, int menuType);    // 3
using OnOpenFolderFn = int(WINAPI*)(LONG);                              // 4
using OnOpenMailFn = int(WINAPI*)(LONG);                                // 5
using OnEveryMinuteFn = int(WINAPI*)();                                 // 6
using OnOpenComposeFn = int(WINAPI*)(LONG, LONG);                       // 7
using OnOutgoingFn = int(WINAPI*)(LONG, LONG);                          // 8
using OnKeyDispatchFn = int(WINAPI*)(LONG, LONG, LONG);                 // 9
using OnRetrieveFn = int(WINAPI*)(LONG, LONG);                          // 10
using OnSendFn = int(WINAPI*)(LONG);                                    // 11
using OnFinishRetrieveFn = int(WINAPI*)(LONG);                          // 12
using OnPlugInSetupFn = int(WINAPI*)(LONG);                             // 13
using OnPlugInInfoFn = int(WINAPI*)(PlugInInfo* info);                  // 14
using OnDragDropFn = int(WINAPI*)(LONG, LONG, LONG, LONG);              // 15
using OnBeforeFilter2Fn = int(WINAPI*)(LONG, LONG, LONG, LONG);         // 16
