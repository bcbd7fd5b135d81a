// libFuzzer target: the icon and bitmap file readers must turn any input into a picture or a clear
// error, never a crash, an out-of-bounds read or a huge allocation.
#include "controls/visual/IconHelpers.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TIcon icon;
        icon.LoadFromBytes(bytes);
        auto real = CreateRealSizeIcon(&icon);
        int w = 0, h = 0;
        GetIconSize(real.get(), w, h);
        (void)icon.ToImage();
    } catch (const Exception&) {
    }
    try {
        TBitmap bitmap;
        bitmap.LoadFromBytes(bytes);
        TBitmap target;
        target.SetSize(8, 8);
        target.Canvas()->StretchDraw(Rect(0, 0, 8, 8), &bitmap);
        (void)bitmap.SaveToBytes();
    } catch (const Exception&) {
    }
    return 0;
}
