#pragma once

#include "webcopy/WebCopyItem.h"

#include <memory>
#include <vector>

// The ordered list of copy jobs of a component. Indexing outside 0..Count()-1 is a caller
// error and throws std::out_of_range.
//
// While a run of the component works through the list (an event handler runs inside it), the
// list is locked: Clear, Delete and Insert would free or move the items under the run, so they
// are refused and change nothing (false, or null for Insert). Add is allowed: the new item
// goes after the items the run counted at its start and waits for the next run. The items'
// own settings may be changed at any time.
class TWebCopyItems {
public:
    explicit TWebCopyItems(QObject* AOwner);
    ~TWebCopyItems();
    TWebCopyItems(const TWebCopyItems&) = delete;
    TWebCopyItems& operator=(const TWebCopyItems&) = delete;

    QObject* Owner() const { return FOwner; }

    TWebCopyItem* Add();
    // Null, inserting nothing, while the list is locked.
    TWebCopyItem* Insert(int Index);
    TWebCopyItem* Items(int Index) const;
    TWebCopyItem* operator[](int Index) const { return Items(Index); }
    // Replacing an item copies the settings of Value into the item at Index.
    void SetItems(int Index, const TWebCopyItem* Value);
    int Count() const { return static_cast<int>(FItems.size()); }
    // False, changing nothing, while the list is locked.
    bool Clear();
    bool Delete(int Index);

    // Set by the component for the duration of a run.
    void SetLocked(bool locked) { FLocked = locked; }
    bool Locked() const { return FLocked; }

    int ActiveItems() const;
    int SuccessCount() const;

private:
    QObject* FOwner;
    bool FLocked = false;
    std::vector<std::unique_ptr<TWebCopyItem>> FItems;
};
