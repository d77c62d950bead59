#include "import_hook.h"

namespace {

void Store(void** entry, const void* value) {
    DWORD protection = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection);
    *entry = const_cast<void*>(value);
    VirtualProtect(entry, sizeof *entry, protection, &protection);
}

}  // namespace

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function, const void* replacement) {
    HMODULE exporter = GetModuleHandleA(dll);
    original_ = exporter ? GetProcAddress(exporter, function) : nullptr;
    if (!module || !original_) return;

    // The loader has written the resolved address of every import into the
    // module's import address tables; find the entries holding this one.
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name; ++descriptor) {
        for (auto* entry = reinterpret_cast<void**>(base + descriptor->FirstThunk); *entry; ++entry) {
            if (*entry != reinterpret_cast<void*>(original_) || count_ == kMaxEntries) continue;
            entries_[count_++] = entry;
            Store(entry, replacement);
        }
    }
}

ImportHook::~ImportHook() {
    for (int i = 0; i < count_; ++i) Store(entries_[i], reinterpret_cast<void*>(original_));
}
