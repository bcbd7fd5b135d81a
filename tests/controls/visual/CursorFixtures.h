#pragma once
// Icon, cursor and animated-cursor files made once per test run by make_cursor_fixtures.py
// (icotool for icons and cursors, RIFF written by the script for animated cursors).
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace cursor_fixtures {

inline const char* const Python = "/usr/bin/python3";

inline bool HaveTools() {
    return QFile::exists(Python) && !QStandardPaths::findExecutable("icotool", {"/usr/bin"}).isEmpty();
}

// The folder holding the fixtures; empty when they could not be made.
inline QString Folder() {
    static QTemporaryDir dir;
    static bool made = false, ok = false;
    if (!made) {
        made = true;
        QProcess p;
        p.start(Python, {QStringLiteral(ZEMBRA_SOURCE_DIR "/tests/controls/visual/make_cursor_fixtures.py"), dir.path()});
        ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!ok) ADD_FAILURE() << "fixture script failed: " << p.readAllStandardError().toStdString();
    }
    return ok ? dir.path() : QString();
}

inline QString Path(const QString& name) { return Folder() + "/" + name; }

inline QByteArray Bytes(const QString& name) {
    QFile f(Path(name));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

// Runs a tool and gives its standard output; a failure is a test failure.
inline QByteArray Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

}  // namespace cursor_fixtures

#define REQUIRE_CURSOR_FIXTURES()                                                         \
    do {                                                                                   \
        if (!cursor_fixtures::HaveTools()) GTEST_SKIP() << "python3 and icotool are needed"; \
        ASSERT_FALSE(cursor_fixtures::Folder().isEmpty());                                 \
    } while (0)
