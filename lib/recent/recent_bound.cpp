#include "recent_bound.h"

void KpBoundRecent(KpBoundItem* items, int nCount, int nMaxItems, unsigned long long nMaxBytes) {
    unsigned long long nTotal = 0;
    for (int i = 0; i < nCount; ++i) {
        items[i].fate = i < nMaxItems ? KpBoundItem::kKeep : KpBoundItem::kRemove;
        if (i < nMaxItems) nTotal += items[i].nBytes;
    }
    for (int i = (nCount < nMaxItems ? nCount : nMaxItems) - 1; i >= 0 && nTotal > nMaxBytes; --i) {
        if (items[i].nBytes == 0) continue;
        nTotal -= items[i].nBytes;
        items[i].fate = items[i].bHasFile ? KpBoundItem::kUnload : KpBoundItem::kRemove;
    }
}
