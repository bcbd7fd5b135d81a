#pragma once
// Routines on list boxes of either kind, the class library's (TCustomListBox) and this
// library's (TZbCustomListBox): selection, moving items between lists with their objects, and
// reordering by dragging. Any other control gets nothing done and the neutral answer.
#include "platform/forms/Controls.h"

class TStrings;
class TWinControl;


// The item list (none for another control).
TStrings* BoxItems(TWinControl* list);
bool BoxGetSelected(TWinControl* list, int index);
void BoxSetSelected(TWinControl* list, int index, bool value);
int BoxGetItemIndex(TWinControl* list);  // -1 for another control
void BoxSetItemIndex(TWinControl* list, int index);
bool BoxMultiSelect(TWinControl* list);
int BoxSelCount(TWinControl* list);  // selected items; 0 for another control
int BoxItemAtPos(TWinControl* list, const TPoint& pos, bool existing);  // -1 for another control
TRect BoxItemRect(TWinControl* list, int index);                        // empty for another control
bool IsListBox(const TObject* control);

// The lowest selected index, or -1.
int BoxGetFirstSelection(TWinControl* list);
// Focuses the list and selects the index, kept within the items (-1 gives the first).
void BoxSetItem(TWinControl* list, int index);
// The selected items go to the end of `dst` with their objects (and check states between
// check lists); the source then selects the place of the first item moved.
void BoxMoveSelectedItems(TWinControl* src, TWinControl* dst);
void BoxMoveAllItems(TWinControl* src, TWinControl* dst);
// Whether `source` may be dropped on the list at (x, y). Within one unsorted list the list's
// Tag holds the marked target item + 1 (0: none).
bool BoxDragOver(TWinControl* list, TObject* source, int x, int y, TDragState state, bool sorted);
// Moves the list's focused item to `dstIndex` and selects it there.
void BoxMoveFocusedItem(TWinControl* list, int dstIndex);
