#include "host_api.h"

#include <iterator>
#include <string_view>
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
constexpr SlotBinding kSlots[] = {
#define OMBRY_ENTRY_POINT(name, use, need) {"OMA_" #name, OMBRY_IS_##need, &StoreSlot<&HostApi::name>},
#include "host_entry_points.inc"
};

// The optional entry points are looked up after the required ones, in this order.
constexpr SlotBinding kOptionalLookupOrder[] = {
    {"OMA_SetStatus", false, &StoreSlot<&HostApi::SetStatus>},
    {"OMA_NextUnread", false, &StoreSlot<&HostApi::NextUnread>},
    {"OMA_ProcessMail", false, &StoreSlot<&HostApi::ProcessMail>},
    {"OMA_GetSize", false, &StoreSlot<&HostApi::GetSize>},
};

constexpr bool LookupOrderHoldsEveryOptionalEntryPoint() {
    size_t optional = 0;
    for (const SlotBinding& slot : kSlots) {
        if (slot.required) continue;
        ++optional;
        bool listed = false;
        for (const SlotBinding& lookup : kOptionalLookupOrder) {
            listed = listed || std::string_view(lookup.exportName) == slot.exportName;
        }
        if (!listed) return false;
    }
    return optional == std::size(kOptionalLookupOrder);
}
static_assert(LookupOrderHoldsEveryOptionalEntryPoint());

// Hosts from this version on are accepted only if they offer OMA_SetStatus.
constexpr char kStatusVersion[] = "2.00.06";
constexpr int kLongestComparedVersion = 7;

}  // namespace

int HostApi::Bind() {
    if (module) return 1;
    return BindTo(GetModuleHandleA(nullptr));
}

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
    for (const SlotBinding& slot : kOptionalLookupOrder) slot.store(*this, GetProcAddress(module, slot.exportName));

    // A host that returns no version text is treated as returning an empty one.
    const char* version = GetVersion();
    if (!version) version = "";
    if (lstrlenA(version) <= kLongestComparedVersion && lstrcmpA(version, kStatusVersion) < 0) return 1;
    if (SetStatus) return 1;
    module = nullptr;
    return 0;
}
