// Loading a plug-in as the host does, with the real loader, and asking it for
// its description.
#pragma once

#include <windows.h>

#include <string>

struct PluginLoad {
    HMODULE module = nullptr;
    std::string path;  // as handed to the loader
    DWORD error = 0;   // the loader's error, when module is null

    // The plug-in's load notification failed: it refused this host.
    bool refused() const { return !module && error == ERROR_DLL_INIT_FAILED; }
};

// Loads `path`, or, when it is empty, OmbryTovanal.dll as the loader finds it
// (the program's own folder first, as for the host's plug-ins).
PluginLoad LoadPlugin(const std::string& path);

// The four texts of OMC_OnPlugInInfo, Shift_JIS.
struct PluginDescription {
    std::string name;
    std::string vendor;
    std::string version;
    std::string description;
};

PluginDescription DescribePlugin(HMODULE plugin);
