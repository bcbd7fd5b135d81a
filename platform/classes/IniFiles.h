#pragma once
// Ini files: "[Section]" headers and "key=value" lines, sections and keys case-insensitive.
//
// Every write reaches the disk at once: the file is re-read under an exclusive lock, changed and
// written to a temporary file that replaces the old one, so a crash never leaves half a file and
// two processes writing at the same time keep each other's values. Every read looks at the file
// as it is now, so it sees what another process wrote. Files are written as UTF-8 with "\n";
// reading accepts CR LF and reads a file that is not valid UTF-8 as Latin-1. Lines beginning with
// ";" are comments and are kept.
//
// Reading a value strips one pair of surrounding quotes, double or single, as the class library's
// ini reader did. Writing a value with blanks at either end encloses it in double quotes so that
// it reads back unchanged.
//
// A file name without a folder lives in the per-user configuration folder
// ($XDG_CONFIG_HOME/zembra, ~/.config/zembra when XDG_CONFIG_HOME is not set).
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class TStrings;

ZB_EXCEPTION(EIniFileException, Exception)

namespace platform::classes {

// $XDG_CONFIG_HOME/zembra, or ~/.config/zembra.
QString ConfigFolder();

// The whole file, empty when it does not exist.
QByteArray ReadWholeFile(const QString& path);

// Reads the file under an exclusive lock (empty when missing), lets `edit` change the bytes and,
// when it returns true, replaces the file with them (temporary file renamed over). Creates the
// folder when missing. Returns false with the system's reason in `error` when it cannot write.
bool RewriteFileLocked(const QString& path, const std::function<bool(QByteArray& content)>& edit,
                       QString* error);

// The lines of an ini-style text, edited in place so comments and order survive.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const QByteArray& bytes);
    QByteArray ToBytes() const;

    // Section names in file order, each once (first spelling).
    QStringList Sections() const;
    bool HasSection(const QString& section) const;
    // Raw text after "key=" (trimmed) of the first matching key, or false.
    bool Value(const QString& section, const QString& key, QString& value) const;
    // "key" part of every key line of the section, in order.
    QStringList Keys(const QString& section) const;
    // Replaces the first matching key's value, or adds the key at the end of the section
    // (the section at the end of the file when missing).
    void SetValue(const QString& section, const QString& key, const QString& value);
    // Adds an empty section when there is none of that name.
    void AddSection(const QString& section);
    // Every section of that name goes, with its lines; true when one was there.
    bool EraseSection(const QString& section);
    bool DeleteKey(const QString& section, const QString& key);

private:
    int FindSection(const QString& section, int from = 0) const;
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;

    std::vector<QString> FLines;
};

}  // namespace platform::classes

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(const QString& fileName) : FFileName(fileName) {}
    // The name as given.
    QString FileName() const { return FFileName; }

    virtual QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) = 0;
    virtual void WriteString(const QString& section, const QString& ident, const QString& value) = 0;
    // Decimal, "$1F" or "0x1F"; the default when the text is not a number.
    virtual int ReadInteger(const QString& section, const QString& ident, int defaultValue);
    virtual void WriteInteger(const QString& section, const QString& ident, int value);
    // An integer: 0 false, any other true; the default when missing or not a number.
    virtual bool ReadBool(const QString& section, const QString& ident, bool defaultValue);
    virtual void WriteBool(const QString& section, const QString& ident, bool value);  // "1" / "0"
    // Spanish notation ("1,5"); the default when missing or not a number.
    virtual double ReadFloat(const QString& section, const QString& ident, double defaultValue);
    virtual void WriteFloat(const QString& section, const QString& ident, double value);

    // Fill `strings` (cleared first): key names / section names / "key=value" lines.
    virtual void ReadSection(const QString& section, TStrings* strings) = 0;
    virtual void ReadSections(TStrings* strings) = 0;
    virtual void ReadSectionValues(const QString& section, TStrings* strings) = 0;
    virtual void EraseSection(const QString& section) = 0;
    virtual void DeleteKey(const QString& section, const QString& ident) = 0;
    virtual void UpdateFile() = 0;

    // A section counts when it holds at least one key.
    bool SectionExists(const QString& section);
    bool ValueExists(const QString& section, const QString& ident);

private:
    QString FFileName;
};

class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const QString& fileName);

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) override;
    // EIniFileException for a section, key or value that would break the file's lines, or when
    // the file cannot be written.
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    void ReadSection(const QString& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const QString& section, TStrings* strings) override;
    void EraseSection(const QString& section) override;
    void DeleteKey(const QString& section, const QString& ident) override;
    // Writes are already on disk: nothing left to do.
    void UpdateFile() override {}

    // The file actually used.
    QString Path() const { return FPath; }

private:
    const platform::classes::IniDocument& Load() const;
    void Change(const std::function<bool(platform::classes::IniDocument&)>& edit);

    QString FPath;
    mutable std::unique_ptr<platform::classes::IniDocument> FCache;
    mutable std::array<qint64, 6> FFirma{};
};
