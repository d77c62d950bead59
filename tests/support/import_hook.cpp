#include "import_hook.h"

#include <cstring>

namespace {

void Store(void** entry, const void* value) {
    DWORD protection = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection);
    *entry = const_cast<void*>(value);
    VirtualProtect(entry, sizeof *entry, protection, &protection);
}

}  // namespace

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement) {
    if (!module) return;
    // Each import descriptor names a DLL; its name table (OriginalFirstThunk)
    // lists the imported names, and its address table (FirstThunk), entry for
    // entry, what the loader resolved them to.
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
        if (!descriptor->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* addresses = reinterpret_cast<void**>(base + descriptor->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData && count_ < kMaxEntries; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            entries_[count_] = &addresses[i];
            replaced_[count_++] = addresses[i];
            Store(&addresses[i], replacement);
        }
    }
}

ImportHook::~ImportHook() {
    for (int i = count_; i-- > 0;) Store(entries_[i], replaced_[i]);
}
