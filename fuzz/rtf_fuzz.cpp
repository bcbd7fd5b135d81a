// libFuzzer target: the RTF reader on hostile bytes, then a write-read round trip of what it
// accepted: the text written must read back the same.
#include "controls/edit/ZbRichEd_rtf.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdint>

namespace rtf = controls::edit::rtf;

namespace {
// Character formats need the font machinery of a GUI application.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "rtf_fuzz";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EnsureApplication();
    const qreal ppp = 96.0 / 72;
    QTextDocument doc;
    QTextCursor c(&doc);
    if (!rtf::Read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), c, ppp)) return 0;
    const QByteArray again = rtf::Write(&doc, 0, -1, ppp);
    QTextDocument back;
    QTextCursor b(&back);
    if (!rtf::Read(again, b, ppp)) __builtin_trap();
    if (back.toPlainText() != doc.toPlainText()) __builtin_trap();
    return 0;
}
