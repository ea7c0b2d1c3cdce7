// How many recent captures the program keeps: the last 30, and no more than
// 300 MB of pixels in memory, the oldest going first. A capture that has
// its file lets go of its pixels rather than leave the list: it can be read
// again. Portable.
#pragma once

const int kKpRecentMaxItems = 30;
const unsigned long long kKpRecentMaxBytes = 300ull << 20;

// One recent capture as the bound sees it.
struct KpBoundItem {
    enum Fate { kKeep, kUnload, kRemove };
    unsigned long long nBytes;  // the pixels it holds in memory; 0 for a file alone
    bool bHasFile;              // saved, or being saved: its pixels can go
    Fate fate;                  // out: stays, stays without its pixels, or leaves the list
};

// items[0..nCount) newest first: sets each one's fate so that at most
// nMaxItems stay and their pixels take at most nMaxBytes.
void KpBoundRecent(KpBoundItem* items, int nCount, int nMaxItems = kKpRecentMaxItems,
                   unsigned long long nMaxBytes = kKpRecentMaxBytes);
