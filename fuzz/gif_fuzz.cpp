// libFuzzer target: the GIF reader, every frame's decoder and a write-read round trip.
#include "controls/visual/ZbGIF_format.h"

#include "platform/rtl/Exceptions.h"

#include <cstdint>

using namespace controls::visual::gif;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool tolerant = size > 0 && (data[size - 1] & 1);
    try {
        Document d = ReadDocument(reinterpret_cast<const char*>(data), qint64(size), tolerant);
        for (const FrameRecord& f : d.Frames) {
            for (int bits : {1, 4, 8}) {
                bool corrupted = false;
                try {
                    DecodeFrameBits(f, bits, tolerant, nullptr, &corrupted);
                } catch (const Exception&) {
                }
            }
        }
        if (!d.Frames.empty()) {
            QByteArray again = WriteDocument(d);
            Document back = ReadDocument(again.constData(), again.size(), true);
            if (back.Frames.size() != d.Frames.size()) __builtin_trap();  // a written file must read back whole
        }
    } catch (const Exception&) {
    }
    return 0;
}
