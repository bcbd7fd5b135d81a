#pragma once
// The registry: a per-user store of keys and typed values, reached through TRegistry and,
// with sections and keys, through TRegIniFile.
//
// The store is one plain text file per root:
//   current user   $ZEMBRA_REGISTRY_FILE, else $XDG_CONFIG_HOME/zembra/registry.ini
//                  (~/.config/zembra/registry.ini when XDG_CONFIG_HOME is not set);
//   local machine  $ZEMBRA_REGISTRY_MACHINE_FILE, else machine.ini in the same folder.
//
// File format (UTF-8, one key a section):
//   [Software\Velmor\zembra\Install]     a key: its path from the root, "\" between names;
//   Datos=/home/despacho/datos           a string value, as it is;
//   Ventanas=dword:0000001f              an integer (32 bits, eight hex digits);
//   Icono=hex:00ff10                     binary data, two hex digits a byte;
//   Nota="  blancos \"y\" \\ barras\n"   a string that has blanks at its ends, control
//                                        characters, or begins with a quote or a type word
//                                        ("dword:", "hex:"): in double quotes, with the escapes
//                                        \\ \" \n \r \t and \xHH;
//   @=...                                the key's default value (empty name).
// A value name that is empty-looking or holds "=", control characters, blanks at its ends or
// begins with '"', '[', ';' or '@' is written in double quotes with the same escapes ("=" as
// \x3d). Keys and value names are case-insensitive; the first spelling is kept. A key exists when
// its section, or the section of a key below it, is in the file.
//
// Every write re-reads the file under an exclusive lock and replaces it through a temporary file,
// so two processes writing different values keep both and a crash never leaves half a file.
// Every read looks at the file as it is now.
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class TStrings;

using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

namespace platform::classes {
// The file that holds a root; empty for a root the store does not keep.
QString RegistryFile(HKEY root);

// A value as stored: text for strings, the bytes for integers (4, little-endian) and binary data.
struct RegValue {
    TRegDataType Type = rdUnknown;
    QString Text;
    QByteArray Data;
};
}  // namespace platform::classes

class TRegistry : public TObject {
public:
    TRegistry();  // root: the current user
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY value);  // closes the open key
    // Path of the open key from the root, without a leading "\".
    QString CurrentPath() const { return FCurrentPath; }
    bool KeyOpen() const { return FKeyOpen; }

    // A key beginning with "\" is taken from the root, any other from the open key. False when
    // the key does not exist and is not to be (or cannot be) created; the open key then stays.
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();
    bool CreateKey(const QString& key);
    // The key with every key below it.
    bool DeleteKey(const QString& key);
    bool KeyExists(const QString& key);
    bool HasSubKeys();
    // Names of the keys directly below the open key / of the open key's values (list cleared).
    void GetKeyNames(TStrings* strings);
    void GetValueNames(TStrings* strings);

    bool ValueExists(const QString& name);
    TRegDataType GetDataType(const QString& name);
    // Bytes the value takes (strings: UTF-8 with a terminating null); -1 when missing.
    int GetDataSize(const QString& name);
    bool DeleteValue(const QString& name);

    // Reads raise ERegistryException: "Failed to get data for '%s'" when the value is missing
    // (ReadString gives "" instead) and "Invalid data type for '%s'" for a value of another type.
    // Writes raise "Failed to set data for '%s'" without an open key, on a key opened read-only,
    // or when the store cannot be written.
    QString ReadString(const QString& name);
    void WriteString(const QString& name, const QString& value);
    void WriteExpandString(const QString& name, const QString& value) { WriteString(name, value); }
    int ReadInteger(const QString& name);
    void WriteInteger(const QString& name, int value);
    bool ReadBool(const QString& name) { return ReadInteger(name) != 0; }
    void WriteBool(const QString& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    // Copies the data into the buffer and returns its size; 0 when missing;
    // "Invalid data type" when it is not binary or does not fit.
    int ReadBinaryData(const QString& name, void* buffer, int bufSize);
    QByteArray ReadBinaryData(const QString& name);
    void WriteBinaryData(const QString& name, const void* buffer, int bufSize);
    void WriteBinaryData(const QString& name, const QByteArray& data) {
        WriteBinaryData(name, data.constData(), int(data.size()));
    }

protected:
    // Absolute path of `key` as OpenKey reads it.
    QString ResolvePath(const QString& key) const;
    // The value `name` of the key at `path`; false when the key or value is missing.
    bool ReadValueAt(const QString& path, const QString& name, platform::classes::RegValue& value) const;
    // Writes an already encoded value; false when the store cannot be written.
    bool WriteEncodedAt(const QString& path, const QString& name, const QString& encoded);
    bool KeyExistsAt(const QString& path) const;
    bool CreateKeyAt(const QString& path);
    bool DeleteKeyAt(const QString& path);
    bool DeleteValueAt(const QString& path, const QString& name);
    void ListKeysAt(const QString& path, TStrings* strings) const;
    void ListValuesAt(const QString& path, TStrings* strings) const;

private:
    void CheckWritable(const QString& name) const;
    QString Store() const { return platform::classes::RegistryFile(FRootKey); }

    HKEY FRootKey = HKEY_CURRENT_USER;
    QString FCurrentPath;
    bool FKeyOpen = false;
    bool FReadOnly = false;
};

// A registry key read and written like an ini file: sections are the keys below it, idents its
// values. Integers and booleans are stored as text ("1"/"0" for booleans).
class TRegIniFile : public TRegistry {
public:
    // Opens, and creates when missing, the key under the current user.
    explicit TRegIniFile(const QString& fileName);
    QString FileName() const { return FFileName; }

    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue);
    // A text value that is not a number gives the default.
    int ReadInteger(const QString& section, const QString& ident, int defaultValue);
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue);
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int value);
    void WriteBool(const QString& section, const QString& ident, bool value);
    void ReadSection(const QString& section, TStrings* strings);
    void ReadSections(TStrings* strings);
    void ReadSectionValues(const QString& section, TStrings* strings);
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& ident);

private:
    QString SectionPath(const QString& section) const;
    QString FFileName;
};
