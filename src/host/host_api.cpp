#include "host_api.h"

#include <type_traits>

constinit HostApi g_host{};

namespace {

struct SlotBinding {
    const char* exportName;
    bool required;
    void (*store)(HostApi&, FARPROC);
};

template <auto Slot>
void StoreSlot(HostApi& api, FARPROC address) {
    using SlotType = std::remove_reference_t<decltype(api.*Slot)>;
    // The void(*)() step keeps GCC from warning about the function-type cast.
    api.*Slot = reinterpret_cast<SlotType>(reinterpret_cast<void (*)()>(address));
}

#define OMBRY_IS_Required true
#define OMBRY_IS_Optional false
#define OMBRY_SLOT_BINDING(name, use, need) {"OMA_" #name, OMBRY_IS_##need, &StoreSlot<&HostApi::name>},
constexpr SlotBinding kSlots[] = {OMBRY_HOST_ENTRY_POINTS(OMBRY_SLOT_BINDING)};
#undef OMBRY_SLOT_BINDING

// Hosts from this version on are accepted only if they offer OMA_SetStatus.
constexpr char kStatusVersion[] = "2.00.06";
constexpr int kLongestComparedVersion = 7;

}  // namespace

int HostApi::Bind() { return BindTo(GetModuleHandleA(nullptr)); }

int HostApi::BindTo(HMODULE hostModule) {
    if (module) return 1;
    if (!hostModule) return 0;
    module = hostModule;

    for (const SlotBinding& slot : kSlots) {
        if (!slot.required) continue;
        FARPROC address = GetProcAddress(module, slot.exportName);
        if (!address) {
            module = nullptr;
            return 0;
        }
        slot.store(*this, address);
    }
    for (const SlotBinding& slot : kSlots) {
        if (!slot.required) slot.store(*this, GetProcAddress(module, slot.exportName));
    }

    // A host that returns no version text is treated as returning an empty one.
    const char* version = GetVersion();
    if (!version) version = "";
    if (lstrlenA(version) <= kLongestComparedVersion && lstrcmpA(version, kStatusVersion) < 0) return 1;
    if (SetStatus) return 1;
    module = nullptr;
    return 0;
}
