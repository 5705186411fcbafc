#pragma once

#include "webcopy/FileDetailItem.h"

#include <vector>

// Ordered list of remote directory entries. Indexing outside 0..Count()-1 is a caller
// error and throws std::out_of_range.
class TFileDetailItems {
public:
    TFileDetailItem& Add();
    TFileDetailItem& Insert(int Index);
    TFileDetailItem& Items(int Index) { return FItems.at(static_cast<size_t>(Index)); }
    const TFileDetailItem& Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    void SetItems(int Index, const TFileDetailItem& Value) { Items(Index) = Value; }
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<TFileDetailItem> FItems;
};
