// HostApi, the one record through which every call into the host goes, and
// its binding to the host's executable.
#pragma once

#include "host_abi.h"

#define OMBRY_SLOT_TYPE_Called(name) name##Fn
#define OMBRY_SLOT_TYPE_Uncalled(name) UncalledEntryPoint

struct HostApi {
// `name` is the declared slot: parentheses around it would make it a cast.
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define OMBRY_ENTRY_POINT(name, use, need) OMBRY_SLOT_TYPE_##use(name) name;
#include "host_entry_points.inc"

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
