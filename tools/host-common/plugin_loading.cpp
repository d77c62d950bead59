#include "plugin_loading.h"

#include <cstring>
#include <vector>

#include "fake_host.h"

PluginLoad LoadPlugin(const std::string& path) {
    PluginLoad load;
    load.path = "OmbryTovanal.dll";
    if (!path.empty()) {
        char full[MAX_PATH * 4] = {};
        load.path = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr) ? full : path;
    }
    load.module = LoadLibraryA(load.path.c_str());
    if (!load.module) load.error = GetLastError();
    return load;
}

PluginDescription DescribePlugin(HMODULE plugin) {
    PluginDescription texts;
    auto info = ExportOf<OnPlugInInfoFn>(plugin, "OMC_OnPlugInInfo");
    if (!info) return texts;
    // The host's block: three 80-byte fields, then the description.
    std::vector<char> block(1024, '\0');
    info(reinterpret_cast<PlugInInfo*>(block.data()));
    block.back() = '\0';
    texts.name.assign(block.data(), strnlen(block.data(), 79));
    texts.vendor.assign(block.data() + 80, strnlen(block.data() + 80, 79));
    texts.version.assign(block.data() + 160, strnlen(block.data() + 160, 79));
    texts.description = block.data() + 240;
    return texts;
}
