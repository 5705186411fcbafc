#include "webcopy/WebCopyItems.h"

#include <algorithm>
#include <stdexcept>

TWebCopyItems::TWebCopyItems(QObject* AOwner)
    : FOwner(AOwner)
{
}

TWebCopyItems::~TWebCopyItems() = default;

TWebCopyItem* TWebCopyItems::Add()
{
    return FItems.emplace_back(std::make_unique<TWebCopyItem>(this)).get();
}

TWebCopyItem* TWebCopyItems::Insert(int Index)
{
    if (FLocked)
        return nullptr;
    if (Index < 0 || Index > Count())
        throw std::out_of_range("TWebCopyItems::Insert: index out of range");
    return FItems.emplace(FItems.begin() + Index, std::make_unique<TWebCopyItem>(this))->get();
}

TWebCopyItem* TWebCopyItems::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("TWebCopyItems: index out of range");
    return FItems[static_cast<size_t>(Index)].get();
}

void TWebCopyItems::SetItems(int Index, const TWebCopyItem* Value)
{
    Items(Index)->Assign(Value);
}

bool TWebCopyItems::Clear()
{
    if (FLocked)
        return false;
    FItems.clear();
    return true;
}

bool TWebCopyItems::Delete(int Index)
{
    Items(Index);
    if (FLocked)
        return false;
    FItems.erase(FItems.begin() + Index);
    return true;
}

int TWebCopyItems::ActiveItems() const
{
    return static_cast<int>(std::count_if(FItems.begin(), FItems.end(), [](const auto& item) { return item->Active; }));
}

int TWebCopyItems::SuccessCount() const
{
    return static_cast<int>(
        std::count_if(FItems.begin(), FItems.end(), [](const auto& item) { return item->Success(); }));
}
