#include "guard_heap.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Region {
    BYTE* base = nullptr;   // start of the reservation
    size_t committed = 0;   // bytes committed from base; the guard page follows
};

struct Block {
    Region region;
    BYTE* data = nullptr;   // region.base + region.committed - size
    size_t size = 0;
};

// Fixed tables: the guard heap must work when nothing else can be allocated.
constexpr size_t kMaxLiveBlocks = 1024;
constexpr size_t kQuarantinedRegions = 128;
constexpr size_t kQuarantinedBytes = size_t(128) << 20;

SRWLOCK g_lock = SRWLOCK_INIT;
Block g_live[kMaxLiveBlocks];
size_t g_liveCount = 0;
Region g_quarantine[kQuarantinedRegions];  // a ring, oldest at g_quarantineFirst
size_t g_quarantineFirst = 0;
size_t g_quarantineCount = 0;
size_t g_quarantineBytes = 0;

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

size_t PageSize() {
    static const size_t size = [] {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        return size_t(info.dwPageSize);
    }();
    return size;
}

// Index of the live block that starts at `data`, or kMaxLiveBlocks.
size_t FindLive(const void* data) {
    for (size_t i = 0; i < g_liveCount; ++i) {
        if (g_live[i].data == data) return i;
    }
    return kMaxLiveBlocks;
}

bool InQuarantine(const void* pointer) {
    const BYTE* byte = static_cast<const BYTE*>(pointer);
    for (size_t n = 0; n < g_quarantineCount; ++n) {
        const Region& region = g_quarantine[(g_quarantineFirst + n) % kQuarantinedRegions];
        if (byte >= region.base && byte <= region.base + region.committed) return true;
    }
    return false;
}

void ReleaseOldestQuarantined() {
    Region& oldest = g_quarantine[g_quarantineFirst];
    VirtualFree(oldest.base, 0, MEM_RELEASE);
    g_quarantineBytes -= oldest.committed;
    oldest = Region{};
    g_quarantineFirst = (g_quarantineFirst + 1) % kQuarantinedRegions;
    --g_quarantineCount;
}

// Decommits the region's pages, so that every access faults, and keeps it
// reserved while it is among the most recent frees.
void Quarantine(const Region& region) {
    if (region.committed) VirtualFree(region.base, region.committed, MEM_DECOMMIT);
    while (g_quarantineCount > 0 &&
           (g_quarantineCount == kQuarantinedRegions || g_quarantineBytes + region.committed > kQuarantinedBytes)) {
        ReleaseOldestQuarantined();
    }
    g_quarantine[(g_quarantineFirst + g_quarantineCount) % kQuarantinedRegions] = region;
    ++g_quarantineCount;
    g_quarantineBytes += region.committed;
}

// What realloc hands out that was never written is not zero, as in a debug
// heap: a text read past its end then shows these bytes (ﾍ in Shift_JIS)
// instead of finding a terminator in fresh zeroed pages.
constexpr BYTE kUnwrittenByte = 0xCD;

// A block of `size` bytes that ends where its last committed page does,
// zero-filled or filled with kUnwrittenByte; null when the address space or
// the table is full. A block of 0 bytes points at the guard page itself: it
// is unique, and any access faults.
void* Allocate(size_t size, bool zeroed) {
    const size_t page = PageSize();
    if (size > SIZE_MAX - 2 * page || g_liveCount == kMaxLiveBlocks) return nullptr;
    const size_t committed = (size + page - 1) / page * page;
    auto* base = static_cast<BYTE*>(VirtualAlloc(nullptr, committed + page, MEM_RESERVE, PAGE_NOACCESS));
    if (!base) return nullptr;
    if (committed && !VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    Block& block = g_live[g_liveCount++];
    block.region = {base, committed};
    block.size = size;
    block.data = base + committed - size;
    if (!zeroed) std::memset(block.data, kUnwrittenByte, size);
    return block.data;
}

// Frees a live block of the guard heap; false when `data` is none of them.
bool Release(void* data) {
    const size_t index = FindLive(data);
    if (index == kMaxLiveBlocks) return false;
    const Region region = g_live[index].region;
    g_live[index] = g_live[--g_liveCount];
    Quarantine(region);
    return true;
}

// A second free of a quarantined block touches it, which faults as any use
// after free does; the C runtime's free would corrupt its own heap instead.
void TouchFreed(void* data) { *static_cast<volatile BYTE*>(data) = 0; }

void* __cdecl GuardCalloc(size_t count, size_t size) {
    if (size && count > SIZE_MAX / size) return nullptr;
    Locked locked;
    return Allocate(count * size, true);
}

void __cdecl GuardFree(void* data) {
    if (!data) return;
    {
        Locked locked;
        if (Release(data)) return;
        if (InQuarantine(data)) {
            TouchFreed(data);
            return;
        }
    }
    std::free(data);
}

void* __cdecl GuardRealloc(void* data, size_t size) {
    Locked locked;
    if (!data) return Allocate(size, false);
    const size_t index = FindLive(data);
    if (index == kMaxLiveBlocks) {
        if (InQuarantine(data)) TouchFreed(data);
        return std::realloc(data, size);  // a block from before the hook
    }
    // As msvcrt's realloc: size 0 frees the block and answers null.
    if (size == 0) {
        Release(data);
        return nullptr;
    }
    const size_t oldSize = g_live[index].size;
    void* moved = Allocate(size, false);
    if (!moved) return nullptr;  // the old block stays as it was
    std::memcpy(moved, data, oldSize < size ? oldSize : size);
    Release(data);
    return moved;
}

}  // namespace

GuardHeap::GuardHeap(HMODULE module)
    : calloc_(module, "msvcrt.dll", "calloc", reinterpret_cast<const void*>(&GuardCalloc)),
      realloc_(module, "msvcrt.dll", "realloc", reinterpret_cast<const void*>(&GuardRealloc)),
      free_(module, "msvcrt.dll", "free", reinterpret_cast<const void*>(&GuardFree)) {}

size_t GuardHeap::BlockSize(const void* block) {
    {
        Locked locked;
        const size_t index = FindLive(block);
        if (index != kMaxLiveBlocks) return g_live[index].size;
    }
    return _msize(const_cast<void*>(block));
}
