// libFuzzer target: the ini reader keeps every line it does not understand, never crashes, and what
// it writes back reads back the same.
#include "platform/classes/IniFiles.h"

#include <cstddef>
#include <cstdint>

using platform::classes::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    IniDocument doc(bytes);
    const QStringList sections = doc.Sections();
    for (const QString& section : sections) {
        for (const QString& key : doc.Keys(section)) {
            QString value;
            if (!doc.Value(section, key, value)) __builtin_trap();  // a listed key has a value
        }
    }
    IniDocument again(doc.ToBytes());
    if (again.Sections() != sections) __builtin_trap();  // written text reads back the same
    if (!sections.isEmpty()) {
        const QString first = sections.front();
        doc.SetValue(first, QStringLiteral("Zembra"), QStringLiteral("1"));
        QString value;
        if (!IniDocument(doc.ToBytes()).Value(first, QStringLiteral("Zembra"), value) || value != QStringLiteral("1"))
            __builtin_trap();
        doc.DeleteKey(first, QStringLiteral("Zembra"));
        doc.EraseSection(first);
        if (IniDocument(doc.ToBytes()).HasSection(first)) __builtin_trap();
    }
    return 0;
}
