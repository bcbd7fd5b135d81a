#pragma once
// Popup menu that can draw its own items: glyph column (image list, multi-state bitmap, icon),
// check marks and bullets, button-like selection frames, a gradient left margin, embossed
// disabled text and a shortcut column.
#include "platform/forms/Menus.h"
#include "platform/graphics/ImgList.h"

#include <map>
#include <memory>

enum TZbMenuStyle { msStandard, msOwnerDraw, msBtnLowered, msBtnRaised };

// Owner-draw item state bits.
using TMenuOwnerDrawState = unsigned;
constexpr TMenuOwnerDrawState mdSelected = 1, mdGrayed = 2, mdDisabled = 4, mdChecked = 8, mdFocused = 16,
                              mdDefault = 32;

// Menu item flags of the owner-draw switch.
constexpr unsigned MF_GRAYED = 0x1, MF_DISABLED = 0x2, MF_CHECKED = 0x8, MF_POPUP = 0x10, MF_MENUBARBREAK = 0x20,
                   MF_MENUBREAK = 0x40, MF_HILITE = 0x80, MF_OWNERDRAW = 0x100, MF_SEPARATOR = 0x800,
                   MFT_RADIOCHECK = 0x200;

using TItemImageEvent = TEvent<TMenu*, TMenuItem*, TMenuOwnerDrawState, int&>;
using TDrawMenuItemEvent = TEvent<TMenu*, TMenuItem*, TRect, TMenuOwnerDrawState>;
using TDrawMarginEvent = TEvent<TMenu*, TRect>;
using TItemParamsEvent = TEvent<TMenu*, TMenuItem*, TMenuOwnerDrawState, TFont*, TColor&, TGraphic*&, int&>;
using TMeasureMenuItemEvent = TEvent<TMenu*, TMenuItem*, int&, int&>;

// Result of the menu-character rule: 0 ignore, 1 close, 2 execute, 3 select; and the position.
struct TMenuCharResult {
    int Code = 0;
    int Position = 0;
};

class TZbPopupMenu : public TPopupMenu {
public:
    explicit TZbPopupMenu(TComponent* owner);
    ~TZbPopupMenu() override;

    TZbMenuStyle Style() const { return FStyle; }
    void SetStyle(TZbMenuStyle v);
    bool ShowCheckMarks() const { return FShowCheckMarks; }
    void SetShowCheckMarks(bool v) { FShowCheckMarks = v; }
    int MinTextOffset() const { return FMinTextOffset; }
    void SetMinTextOffset(int v) { FMinTextOffset = std::max(0, v); }
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int v) { FLeftMargin = std::max(0, v); }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor v) { FCursor = v; }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* v);
    // The canvas being drawn on during a draw message, else the menu's own.
    TCanvas* Canvas() const { return FDraw ? FDraw : FCanvas.get(); }

    TItemImageEvent OnGetImageIndex;
    TDrawMenuItemEvent OnDrawItem;
    TDrawMarginEvent OnDrawMargin;
    TItemParamsEvent OnGetItemParams;
    TMeasureMenuItemEvent OnMeasureItem;

    // Style not standard, or an image list with images.
    bool IsOwnerDraw() const;
    void Popup(int x, int y) override;
    virtual void DrawItem(TMenuItem* item, TRect rect, TMenuOwnerDrawState state);
    virtual void DrawMargin(TRect rect);
    virtual void RefreshMenu(bool ownerDraw);

    // The owner-draw state given to an item by the last refresh, its menu text and flags.
    bool ItemOwnerDrawn(const TMenuItem* item) const;
    QString ItemText(const TMenuItem* item) const;
    unsigned ItemFlags(const TMenuItem* item) const;

    // The draw-item and measure-item messages: draws the item on the target canvas (its whole
    // rectangle, margin included), measures it.
    void WMDrawItem(TCanvas* target, TMenuItem* item, TRect rect, TMenuOwnerDrawState state, bool drawEntire);
    void WMMeasureItem(TMenuItem* item, int& width, int& height);
    // A key pressed while the items of `parent` are shown, `highlighted` the position lit (-1 none).
    static TMenuCharResult MenuChar(TMenuItem* parent, QChar key, int highlighted);
    // An item highlighted (none: the menu closed): the application's hint becomes its hint, and
    // the pointer takes the menu's Cursor while it is on one.
    void MenuSelect(TMenuItem* item) override;
    // Keys of an open menu: the menu-character rule picks, opens or runs items, and F1 asks for
    // the help of the highlighted item.
    bool MenuKey(TMenuItem* parent, QMenu* menu, QKeyEvent* key) override;
    // The help request of an item (F1 on it while the menu is open).
    void ItemHelp(TMenuItem* item);

    // Menu metrics of the system.
    static int CheckMarkWidth() { return 13; }
    static int CheckMarkHeight() { return 13; }
    static int MenuBarHeight() { return 19; }
    static int CheckOffset();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void GetImageIndex(TMenuItem* item, TMenuOwnerDrawState state, int& imageIndex);
    virtual void GetItemParams(TMenuItem* item, TMenuOwnerDrawState state, TFont* font, TColor& color,
                               TGraphic*& graphic, int& numGlyphs);
    virtual void MeasureItem(TMenuItem* item, int& width, int& height);

private:
    struct TItemState {
        bool OwnerDraw = false;
        QString Text;
        unsigned Flags = 0;
    };
    void SetItemOwnerDraw(TMenuItem* item, bool ownerDraw);
    void SetMenuFont(TFont* font) const;
    void DrawMenuItem(TMenuItem* item, TRect r, TMenuOwnerDrawState state, TGraphic* graphic, int numGlyphs,
                      int imageIndex);
    void DrawGlyph(TBitmap* bmp, int x, int y, TMenuOwnerDrawState state, bool checkBack, bool emboss,
                   TColor disabledColor);
    void DrawCheckBack(TRect box, bool selected, TColor disabledColor);
    void ImageListChange(TObject* sender);

    TZbMenuStyle FStyle = msStandard;
    bool FShowCheckMarks = true;
    int FMinTextOffset = 0;
    int FLeftMargin = 0;
    TCursor FCursor = crDefault;
    TImageList* FImages = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    TCanvas* FDraw = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    std::map<const TMenuItem*, TItemState> FItemStates;
};

namespace controls::edit {
}  // namespace controls::edit
