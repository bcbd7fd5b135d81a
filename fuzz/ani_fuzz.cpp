// libFuzzer target: animated cursors, the icon list stream and the icon reading routine must turn
// any input into frames or a clear error, never a crash, an out-of-bounds read or a huge allocation.
#include "controls/visual/AniFile.h"
#include "controls/visual/IcoList.h"
#include "controls/visual/IconHelpers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        TMemoryStream s;
        s.WriteBuffer(data, qint64(size));
        s.SetPosition(0);
        TAnimatedCursorImage ani;
        try {
            ani.LoadFromStream(&s);
            for (int i = 0; i < ani.Count(); ++i) {
                try {
                    auto icon = CreateRealSizeIcon(ani.Icons(i));
                    int w = 0, h = 0;
                    GetIconSize(icon.get(), w, h);
                } catch (const Exception&) {
                }
            }
        } catch (const Exception&) {
        }
    }
    {
        TMemoryStream s;
        s.WriteBuffer(data, qint64(size));
        s.SetPosition(0);
        TIconList list;
        try {
            list.LoadFromStream(&s);
        } catch (const Exception&) {
        }
    }
    if (size >= 6) {
        TMemoryStream s;
        s.WriteBuffer(data, qint64(size));
        s.SetPosition(6);
        try {
            controls::visual::ReadIcon(&s, data[4] | (data[5] << 8), 6, 8);
        } catch (const Exception&) {
        }
    }
    return 0;
}
