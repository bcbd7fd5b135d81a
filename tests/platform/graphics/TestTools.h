#pragma once
// Small helpers of the graphics tests: pixel access and the outside tools that check files.
#include "platform/graphics/Graphics.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace gtest_graphics {

inline TColor Px(TBitmap& b, int x, int y) { return b.Canvas()->Pixels(x, y); }

// A bitmap of the format with its pixels given row by row.
inline std::unique_ptr<TBitmap> MakeBitmap(TPixelFormat format, int w, int h, std::initializer_list<TColor> pixels) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetSize(w, h);
    int i = 0;
    for (TColor c : pixels) {
        b->Canvas()->SetPixel(i % w, i / w, c);
        ++i;
    }
    return b;
}

inline bool HaveTool(const QString& path) { return QFile::exists(path); }
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kConvert = "/usr/bin/convert";
constexpr const char* kIcotool = "/usr/bin/icotool";

inline bool HavePil() {
    if (!HaveTool(kPython)) return false;
    QProcess p;
    p.start(kPython, {"-c", "import PIL"});
    p.waitForFinished(20000);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs a program; returns its standard output, or a null array when it failed.
inline QByteArray RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return QByteArray();
    }
    QByteArray out = p.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

inline QByteArray Python(const QString& script, const QStringList& args = {}) {
    return RunTool(kPython, QStringList{"-c", script} + args);
}

}  // namespace gtest_graphics
