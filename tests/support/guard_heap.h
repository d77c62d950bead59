// A heap for the plug-in under test that faults on the first byte past a block
// and on any use of a freed one. While a GuardHeap lives, the module's calloc,
// realloc and free (msvcrt.dll) go to it instead of the C runtime's heap:
//
//  - each block has pages of its own and ends exactly at a page boundary, and
//    the page after it is reserved, never committed: reading or writing one
//    byte past the block is an access violation;
//  - a freed block's pages are decommitted and stay reserved for a while (a
//    quarantine of the most recent frees), so a use after free, or a second
//    free, is an access violation too, instead of reading memory that has
//    meanwhile gone to someone else;
//  - realloc always moves the block, so a pointer kept across a growth faults;
//  - what realloc hands out beyond the old block's bytes is filled with a
//    non-zero byte, as debug heaps fill fresh memory (calloc's blocks are
//    zero, as calloc promises): a text read past the bytes written to it
//    shows garbage instead of a terminator.
//
// What it does not catch:
//  - an underrun: the bytes before a block, up to its first page's start, are
//    committed and can be read and written;
//  - a fault in a block freed long ago, once the quarantine has released it;
//  - nothing is rounded up: there is no slack after a block. The price is
//    alignment: a block starts where its size puts it (a block of 2n bytes on
//    an even address), which suits the plug-in's byte and UTF-16 texts, and
//    x86 accepts unaligned access to anything else.
//
// Blocks the module allocated before the hook was in place (the C runtime's
// start-up, when the module was loaded) stay on the C runtime's heap: free
// and realloc hand any block that is not the guard heap's to the C runtime.
//
// Install it between calls into the module, and keep it until the module has
// freed its blocks (the plug-in frees all of its own before each callback
// returns). The bookkeeping allocates nothing, so it works when the process
// has run out of memory.
#pragma once

#include <windows.h>

#include <cstddef>

#include "import_hook.h"

class GuardHeap {
public:
    explicit GuardHeap(HMODULE module);
    GuardHeap(const GuardHeap&) = delete;
    GuardHeap& operator=(const GuardHeap&) = delete;

    // Whether the module's calloc, realloc and free all go to the guard heap.
    bool hooked() const { return calloc_.hooked() && realloc_.hooked() && free_.hooked(); }

    // The size that was asked for a live guard-heap block; for any other block,
    // the C runtime's _msize.
    static size_t BlockSize(const void* block);

private:
    ImportHook calloc_;
    ImportHook realloc_;
    ImportHook free_;
};
