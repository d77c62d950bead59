#include "plugin_info.h"

#include <cstddef>
#include <cstring>

#include "plugin_texts.h"

static_assert(offsetof(PlugInInfo, vendor) == 80);
static_assert(offsetof(PlugInInfo, version) == 160);
static_assert(offsetof(PlugInInfo, description) == 240);

namespace {

template <size_t FieldSize>
void CopyText(char (&field)[FieldSize], const char* text) {
    const size_t length = strnlen(text, FieldSize - 1);
    std::memcpy(field, text, length);
    field[length] = '\0';
}

}  // namespace

void FillPlugInInfo(PlugInInfo* info) {
    if (!info) return;
    CopyText(info->name, kPlugInName);
    CopyText(info->vendor, kPlugInVendor);
    CopyText(info->version, kPlugInVersion);
    // The description field runs on into the host's block, past the declared byte.
    std::memcpy(reinterpret_cast<char*>(info) + offsetof(PlugInInfo, description), kPlugInDescription,
                std::strlen(kPlugInDescription) + 1);
}
