#pragma once
// Settings of the database engine kept in its configuration file: read into properties, written
// back in place. The file's first line holds "NAME" 0 x x "VALUE" 0 ... entries; only the bytes
// of a value change on writing, everything else is copied as it is.
#include "platform/classes/Component.h"

#include <QByteArray>
#include <QString>

class TBDE32 : public TComponent {
public:
    explicit TBDE32(TComponent* owner);

    bool LocalShare() const { return FLocalShare; }
    void SetLocalShare(bool value) { FLocalShare = value; }
    QString PdxNetDir() const { return FPdxNetDir; }
    void SetPdxNetDir(const QString& value) { FPdxNetDir = value; }
    int MaxBufSize() const { return FMaxBufSize; }
    void SetMaxBufSize(int value) { FMaxBufSize = value; }
    int MaxFileHandles() const { return FMaxFileHandles; }
    void SetMaxFileHandles(int value) { FMaxFileHandles = value; }
    int MemSize() const { return FMemSize; }
    void SetMemSize(int value) { FMemSize = value; }
    int SharedMemSize() const { return FSharedMemSize; }
    void SetSharedMemSize(int value) { FSharedMemSize = value; }

    // The engine's configuration file: the program folder's "ZbEngine.cfg" unless set.
    QString ConfigFile() const { return FConfigFile; }
    void SetConfigFile(const QString& fileName) { FConfigFile = fileName; }

    void ReadSettings();
    void WriteSettings();

private:
    QString ConfigPath() const;

    QString FConfigFile;
    bool FLocalShare = false;
    QString FPdxNetDir;
    int FMaxBufSize = 0, FMaxFileHandles = 0, FMemSize = 0, FSharedMemSize = 0;
};

namespace controls::data {
// 0-based offset of the whole setting `name` (followed by its zero byte and not the tail of a
// longer name) within the first line of `content`; -1 when absent.
int FindSetting(const QByteArray& content, const QByteArray& name);
// The value of the setting in `content`, or `def` when it is absent.
QByteArray SettingValue(const QByteArray& content, const QByteArray& name, const QByteArray& def);
// `content` with the value of `name` replaced; false (content untouched) when the name is absent
// or its value has no terminating zero.
bool ReplaceSetting(QByteArray& content, const QByteArray& name, const QByteArray& value);
}  // namespace controls::data
