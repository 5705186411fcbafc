#pragma once

#include "webcopy/WebCopyItem.h"

#include <memory>
#include <vector>

// The ordered list of copy jobs of a component. Indexing outside 0..Count()-1 is a caller
// error and throws std::out_of_range.
class TWebCopyItems {
public:
    explicit TWebCopyItems(QObject* AOwner);
    ~TWebCopyItems();
    TWebCopyItems(const TWebCopyItems&) = delete;
    TWebCopyItems& operator=(const TWebCopyItems&) = delete;

    QObject* Owner() const { return FOwner; }

    TWebCopyItem* Add();
    TWebCopyItem* Insert(int Index);
    TWebCopyItem* Items(int Index) const;
    TWebCopyItem* operator[](int Index) const { return Items(Index); }
    // Replacing an item copies the settings of Value into the item at Index.
    void SetItems(int Index, const TWebCopyItem* Value);
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear();
    void Delete(int Index);

    int ActiveItems() const;
    int SuccessCount() const;

private:
    QObject* FOwner;
    std::vector<std::unique_ptr<TWebCopyItem>> FItems;
};
