#include "platform/forms/Buttons.h"

#include <QIcon>
#include <QPixmap>
#include <QPushButton>

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind value) {
    FKind = value;
    struct TKindInfo {
        const char* Caption;
        int Result;
        bool IsDefault;
        bool IsCancel;
    };
    static const TKindInfo kinds[] = {
        {"", mrNone, false, false},          {"Aceptar", mrOk, true, false},
        {"Cancelar", mrCancel, false, true}, {"Ay&uda", mrNone, false, false},
        {"&Sí", mrYes, true, false},         {"&No", mrNo, false, true},
        {"&Cerrar", mrNone, false, false},   {"Anular", mrAbort, false, false},
        {"&Reintentar", mrRetry, false, false}, {"&Ignorar", mrIgnore, false, false},
        {"&Todos", mrAll, true, false}};
    if (value == bkCustom) return;
    const TKindInfo& k = kinds[value];
    SetCaption(QString::fromUtf8(k.Caption));
    SetModalResult(k.Result);
    SetDefault(k.IsDefault);
    SetCancel(k.IsCancel);
}

void TBitBtn::SetGlyph(TBitmap* value) {
    if (value)
        FGlyph->Assign(value);
    else
        FGlyph->SetSize(0, 0);
    if (FKind != bkCustom) FKind = bkCustom;
    GlyphChanged();
}

void TBitBtn::SetNumGlyphs(int value) {
    FNumGlyphs = std::clamp(value, 1, 4);
    GlyphChanged();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    FLayout = value;
    PushButton()->setLayoutDirection(value == blGlyphRight ? Qt::RightToLeft : Qt::LeftToRight);
}

void TBitBtn::GlyphChanged() {
    if (FGlyph->Empty()) {
        PushButton()->setIcon(QIcon());
        return;
    }
    // The first cell is the normal image, the second (when present) the disabled one; the
    // bottom-left pixel's colour is transparent, as in the class library's glyphs.
    const QImage all = FGlyph->ToImage();
    const int w = all.width() / FNumGlyphs;
    auto cell = [&](int i) {
        QImage img = all.copy(i * w, 0, w, all.height()).convertToFormat(QImage::Format_ARGB32);
        const QRgb key = img.pixel(0, img.height() - 1);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == key) img.setPixel(x, y, qRgba(0, 0, 0, 0));
        return QPixmap::fromImage(img);
    };
    QIcon icon;
    icon.addPixmap(cell(0), QIcon::Normal);
    if (FNumGlyphs > 1) icon.addPixmap(cell(1), QIcon::Disabled);
    PushButton()->setIcon(icon);
    PushButton()->setIconSize(QSize(w, all.height()));
}

void TBitBtn::Click() {
    if (FKind == bkClose) {
        if (TCustomForm* form = GetParentForm(this)) {
            form->Close();
            TButtonControl::Click();
            return;
        }
    }
    if (FKind == bkHelp && HelpContext() != 0) Application->HelpContext(HelpContext());
    TButton::Click();
}

void TBitBtn::CMEnabledChanged() { TButton::CMEnabledChanged(); }
