#include "controls/visual/ListBoxHelpers.h"

#include "controls/visual/ZBCtrls_lists.h"
#include "platform/classes/Strings.h"
#include "platform/forms/StdCtrls.h"

#include <vector>

namespace {
TZbCustomListBox* AsZb(TWinControl* list) { return dynamic_cast<TZbCustomListBox*>(list); }
TCustomListBox* AsStd(TWinControl* list) { return dynamic_cast<TCustomListBox*>(list); }

// A check state and enabled flag travel only between two check lists.
void CopyCheck(TWinControl* src, int srcIndex, TWinControl* dst, int dstIndex) {
    auto* from = dynamic_cast<TZbCheckListBox*>(src);
    auto* to = dynamic_cast<TZbCheckListBox*>(dst);
    if (!from || !to)
        return;
    to->SetState(dstIndex, from->State(srcIndex));
    to->SetItemEnabled(dstIndex, from->ItemEnabled(srcIndex));
}
// Plain string lists on both sides (no check states to carry, no objects freed on the way) can be
// moved whole: the target sorts what it takes in once.
bool PlainLists(TStrings* from, TStrings* to) {
    auto* source = dynamic_cast<TStringList*>(from);
    auto* target = dynamic_cast<TStringList*>(to);
    return source && target && !source->OwnsObjects() && target->Duplicates() != dupError;
}
}  // namespace

bool IsListBox(const TObject* control) { return dynamic_cast<const TCustomListBox*>(control) != nullptr; }

TStrings* BoxItems(TWinControl* list) {
    if (auto* zb = AsZb(list))
        return zb->Items();
    if (auto* box = AsStd(list))
        return box->Items();
    return nullptr;
}

bool BoxGetSelected(TWinControl* list, int index) {
    if (auto* zb = AsZb(list))
        return zb->Selected(index);
    auto* box = AsStd(list);
    return box ? box->Selected(index) : false;
}

void BoxSetSelected(TWinControl* list, int index, bool value) {
    if (auto* zb = AsZb(list))
        zb->SetSelected(index, value);
    else if (auto* box = AsStd(list))
        box->SetSelected(index, value);
}

int BoxGetItemIndex(TWinControl* list) {
    auto* box = AsStd(list);
    return box ? box->ItemIndex() : -1;
}

void BoxSetItemIndex(TWinControl* list, int index) {
    if (auto* box = AsStd(list))
        box->SetItemIndex(index);
}

bool BoxMultiSelect(TWinControl* list) {
    auto* box = AsStd(list);
    return box && box->MultiSelect();
}

int BoxSelCount(TWinControl* list) {
    auto* box = AsStd(list);
    if (!box)
        return 0;
    if (box->MultiSelect())
        return box->SelCount();
    return box->ItemIndex() >= 0 ? 1 : 0;
}

int BoxItemAtPos(TWinControl* list, const TPoint& pos, bool existing) {
    if (auto* zb = AsZb(list))
        return zb->ItemAtPos(pos, existing);
    auto* box = AsStd(list);
    return box ? box->ItemAtPos(pos, existing) : -1;
}

TRect BoxItemRect(TWinControl* list, int index) {
    if (auto* zb = AsZb(list))
        return zb->ItemRect(index);
    auto* box = AsStd(list);
    return box ? box->ItemRect(index) : TRect();
}

int BoxGetFirstSelection(TWinControl* list) {
    TStrings* items = BoxItems(list);
    if (!items)
        return -1;
    for (int i = 0; i < items->Count(); ++i)
        if (BoxGetSelected(list, i))
            return i;
    return -1;
}

void BoxSetItem(TWinControl* list, int index) {
    TStrings* items = BoxItems(list);
    if (!items || items->Count() == 0)
        return;
    if (list->CanFocus())
        list->SetFocus();
    if (index < 0)
        index = 0;
    if (index >= items->Count())
        index = items->Count() - 1;
    if (BoxMultiSelect(list))
        BoxSetSelected(list, index, true);
    else
        BoxSetItemIndex(list, index);
}

void BoxMoveSelectedItems(TWinControl* src, TWinControl* dst) {
    TStrings* from = BoxItems(src);
    TStrings* to = BoxItems(dst);
    if (!from || !to)
        return;
    // The window shows the old items until the update ends: take the selection first.
    std::vector<bool> selected(size_t(from->Count()));
    bool any = false;
    for (int i = 0; i < from->Count(); ++i)
        any |= (selected[size_t(i)] = BoxGetSelected(src, i));
    if (!any)
        return;
    int first = -1;
    if (PlainLists(from, to)) {
        // Lines taken one by one moved every line after them, in both lists: split them once.
        TStringList moved, kept;
        for (int i = 0; i < from->Count(); ++i) {
            (selected[size_t(i)] ? moved : kept).AddObject(from->Strings(i), from->Objects(i));
            if (first < 0 && selected[size_t(i)])
                first = i;
        }
        platform::classes::InUpdate(to, [&] {
            platform::classes::InUpdate(from, [&] {
                to->AddStrings(&moved);
                from->Clear();
                from->AddStrings(&kept);
            });
        });
        BoxSetItem(src, first);
        return;
    }
    platform::classes::InUpdate(to, [&] {
        platform::classes::InUpdate(from, [&] {
            int i = 0;
            for (bool isSelected : selected) {
                if (!isSelected) {
                    ++i;
                    continue;
                }
                const int at = to->AddObject(from->Strings(i), from->Objects(i));
                CopyCheck(src, i, dst, at);
                from->Delete(i);
                if (first < 0)
                    first = i;
            }
        });
    });
    BoxSetItem(src, first);
}

void BoxMoveAllItems(TWinControl* src, TWinControl* dst) {
    TStrings* from = BoxItems(src);
    TStrings* to = BoxItems(dst);
    if (!from || !to)
        return;
    platform::classes::InUpdate(to, [&] {
        if (PlainLists(from, to)) {
            to->AddStrings(from);
            from->Clear();
            return;
        }
        for (int i = 0; i < from->Count(); ++i) {
            const int at = to->AddObject(from->Strings(i), from->Objects(i));
            CopyCheck(src, i, dst, at);
        }
        from->Clear();
    });
    BoxSetItem(src, 0);
}

bool BoxDragOver(TWinControl* list, TObject* source, int x, int y, TDragState state, bool sorted) {
    if (source != list)
        return IsListBox(source);
    if (sorted)
        return false;
    const int itemIndex = BoxGetItemIndex(list);
    const int target = BoxItemAtPos(list, Point(x, y), true);
    const bool accept = (!BoxMultiSelect(list) || BoxSelCount(list) == 1) && itemIndex >= 0 && target >= 0 &&
                        target != itemIndex;
    // The marked target follows the pointer; leaving the list removes the mark.
    if (target + 1 == list->Tag()) {
        if (state == dsDragLeave)
            list->SetTag(0);
    } else {
        list->SetTag(target >= 0 ? target + 1 : 0);
    }
    return accept;
}

void BoxMoveFocusedItem(TWinControl* list, int dstIndex) {
    TStrings* items = BoxItems(list);
    const int current = BoxGetItemIndex(list);
    if (!items || dstIndex < 0 || dstIndex >= items->Count() || dstIndex == current || current < 0)
        return;
    items->Move(current, dstIndex);
    // The focus goes with the item, so that the next key moves it on.
    BoxSetItemIndex(list, dstIndex);
    BoxSetItem(list, dstIndex);
}
