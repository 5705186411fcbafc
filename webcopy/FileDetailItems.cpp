#include "webcopy/FileDetailItems.h"

#include <stdexcept>

TFileDetailItem& TFileDetailItems::Add()
{
    return FItems.emplace_back();
}

TFileDetailItem& TFileDetailItems::Insert(int Index)
{
    if (Index < 0 || Index > Count())
        throw std::out_of_range("TFileDetailItems::Insert: index out of range");
    return *FItems.emplace(FItems.begin() + Index);
}
