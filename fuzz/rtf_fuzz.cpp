// libFuzzer target: the RTF reader on hostile bytes, then a write-read round trip of what it
// accepted: the text written must read back the same, embedded objects and protected runs
// included; written without objects, it reads back as the same text less the objects, and
// read without objects it holds none.
#include "controls/edit/ZbRichEd_rtf.h"

#include <QGuiApplication>
#include <QTextBlock>
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

bool Protected(QTextDocument& doc, int pos)
{
    const QTextBlock b = doc.findBlock(pos);
    for (auto it = b.begin(); !it.atEnd(); ++it)
        if (it.fragment().contains(pos)) return it.fragment().charFormat().boolProperty(rtf::ProtectedProperty);
    return false;
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
    for (QTextBlock blk = doc.begin(); blk.isValid(); blk = blk.next())
        for (auto it = blk.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            if (fr.charFormat().boolProperty(rtf::ProtectedProperty) != Protected(back, fr.position())) __builtin_trap();
        }
    QString less = doc.toPlainText();
    less.remove(QChar::ObjectReplacementCharacter);
    QTextDocument plain;
    QTextCursor p(&plain);
    if (!rtf::Read(rtf::Write(&doc, 0, -1, ppp, rtf::PlainRtf | rtf::NoObjects), p, ppp)) __builtin_trap();
    if (plain.toPlainText() != less) __builtin_trap();
    QTextDocument dropped;
    QTextCursor d(&dropped);
    rtf::Read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), d, ppp, true);
    if (dropped.toPlainText().contains(QChar::ObjectReplacementCharacter)) __builtin_trap();
    return 0;
}
