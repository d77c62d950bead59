// The host boundary: the callbacks the plug-in hands to the host, the entry
// points the host exports, and HostApi, the one record through which every call
// into the host goes.
#pragma once

#include <windows.h>

#include "host_entry_points.h"

// Callbacks handed to the host. The host's two arguments are not read.
using CommandCallback = void(WINAPI*)(LONG, LONG);
using StateCallback = DWORD(WINAPI*)(LONG, LONG);

// The entry points the plug-in calls. Texts are NUL-terminated ANSI (code page
// 932) strings; the plug-in reads returned texts at once and never frees them.
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

#define OMBRY_SLOT_TYPE_Called(name) name##Fn
#define OMBRY_SLOT_TYPE_Uncalled(name) UncalledEntryPoint

struct HostApi {
#define OMBRY_DECLARE_SLOT(name, use, need) OMBRY_SLOT_TYPE_##use(name) name;
    OMBRY_HOST_ENTRY_POINTS(OMBRY_DECLARE_SLOT)
#undef OMBRY_DECLARE_SLOT

    // Null until a bind succeeds; while it is set the record counts as bound.
    HMODULE module;

    // Binds the process's executable, which is the host. 1 bound, 0 refused.
    int Bind();
    // Binds the given module as the host; Bind() passes the executable.
    int BindTo(HMODULE hostModule);
};

// The process-wide record. Constant-initialised, so it is valid (all null)
// before any code of the module runs, the load notification included.
extern HostApi g_host;
