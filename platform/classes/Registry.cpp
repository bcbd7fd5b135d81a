#include "platform/classes/Registry.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <QFileInfo>
#include <QStringList>
#include <cctype>
#include <cstring>

using platform::classes::IniDocument;
using platform::classes::RegValue;
using platform::classes::InUpdate;

namespace platform::classes {

QString RegistryFile(HKEY root) {
    QString user = qEnvironmentVariable("ZEMBRA_REGISTRY_FILE");
    if (user.isEmpty()) user = ConfigFolder() + QStringLiteral("/registry.ini");
    if (root == HKEY_CURRENT_USER) return user;
    if (root == HKEY_LOCAL_MACHINE) {
        QString machine = qEnvironmentVariable("ZEMBRA_REGISTRY_MACHINE_FILE");
        if (machine.isEmpty()) machine = QFileInfo(user).absolutePath() + QStringLiteral("/machine.ini");
        return machine;
    }
    return QString();
}

}  // namespace platform::classes

namespace {

bool SameName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

bool IsControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

bool HasControl(const QString& s) {
    for (QChar c : s)
        if (IsControl(c)) return true;
    return false;
}

bool EdgeBlank(const QString& s) { return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace()); }

// Path components joined by "\", empty ones dropped.
QString Normalize(const QString& path) {
    QStringList parts;
    for (const QString& p : path.split(QLatin1Char('\\')))
        if (!p.isEmpty()) parts << p;
    return parts.join(QLatin1Char('\\'));
}

bool ValidPath(const QString& path) { return !HasControl(path) && !path.contains(QLatin1Char(']')) && !EdgeBlank(path); }

bool IsBelow(const QString& section, const QString& path) {
    return section.size() > path.size() && section.at(path.size()) == QLatin1Char('\\') &&
           SameName(section.left(path.size()), path);
}

QString Quote(const QString& s, bool name) {
    QString out(QLatin1Char('"'));
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (IsControl(c) || (name && c == QLatin1Char('=')))
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// The text inside the quotes that begin `s`, escapes resolved.
QString Unquote(const QString& s) {
    QString out;
    const int n = s.size();
    for (int i = 1; i < n; ++i) {
        QChar c = s[i];
        if (c == QLatin1Char('"')) break;
        if (c != QLatin1Char('\\') || i + 1 >= n) {
            out += c;
            continue;
        }
        QChar e = s[++i];
        switch (e.unicode()) {
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'x': {
            bool ok = false;
            int code = s.mid(i + 1, 2).toInt(&ok, 16);
            if (ok && i + 2 < n) {
                out += QChar(code);
                i += 2;
            } else {
                out += QLatin1String("\\x");
            }
            break;
        }
        default: out += e;  // \\ and \" and anything else: the character itself
        }
    }
    return out;
}

QString EncodeName(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("@");
    static const QString starts = QStringLiteral("\"[;@");
    if (name.contains(QLatin1Char('=')) || HasControl(name) || EdgeBlank(name) || starts.contains(name.front()))
        return Quote(name, true);
    return name;
}

QString DecodeName(const QString& key) {
    if (key == QLatin1String("@")) return QString();
    if (key.startsWith(QLatin1Char('"'))) return Unquote(key);
    return key;
}

bool HasTypeWord(const QString& s) {
    return s.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive) ||
           s.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive);
}

QString EncodeString(const QString& s) {
    if (s.startsWith(QLatin1Char('"')) || HasTypeWord(s) || HasControl(s) || EdgeBlank(s)) return Quote(s, false);
    return s;
}

QString EncodeInteger(int value) { return QStringLiteral("dword:%1").arg(quint32(value), 8, 16, QLatin1Char('0')); }

QString EncodeBinary(const QByteArray& data) { return QStringLiteral("hex:") + QString::fromLatin1(data.toHex()); }

TRegDataType Decode(const QString& raw, QString& text, QByteArray& data) {
    text.clear();
    data.clear();
    if (raw.startsWith(QLatin1Char('"'))) {
        text = Unquote(raw);
        return rdString;
    }
    if (raw.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = raw.mid(6);
        bool ok = false;
        quint32 v = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8) return rdUnknown;
        data.resize(4);
        std::memcpy(data.data(), &v, 4);
        return rdInteger;
    }
    if (raw.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
        const QString digits = raw.mid(4);
        if (digits.size() % 2 != 0) return rdUnknown;
        for (QChar c : digits)
            if (!isxdigit(c.unicode() < 128 ? c.unicode() : 'g')) return rdUnknown;
        data = QByteArray::fromHex(digits.toLatin1());
        return rdBinary;
    }
    text = raw;
    return rdString;
}

int IntegerOf(const QByteArray& data) {
    quint32 v = 0;
    std::memcpy(&v, data.constData(), 4);
    return int(v);
}

[[noreturn]] void RegError(const char* fmt, const QString& name) {
    throw ERegistryException(QString::fromLatin1(fmt).arg(name));
}

IniDocument LoadStore(const QString& file) {
    if (file.isEmpty()) return IniDocument();
    return IniDocument(platform::classes::ReadWholeFile(file));
}

bool EditStore(const QString& file, const std::function<bool(IniDocument&)>& edit) {
    if (file.isEmpty()) return false;
    return platform::classes::RewriteFileLocked(
        file,
        [&](QByteArray& content) {
            IniDocument doc(content);
            if (!edit(doc)) return false;
            content = doc.ToBytes();
            return true;
        },
        nullptr);
}

bool KeyIn(const IniDocument& doc, const QString& path) {
    if (path.isEmpty()) return true;
    for (const QString& s : doc.Sections())
        if (SameName(s, path) || IsBelow(s, path)) return true;
    return false;
}

}  // namespace

// ---- TRegistry ----

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY value) {
    CloseKey();
    FRootKey = value;
}

void TRegistry::CloseKey() {
    FKeyOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

QString TRegistry::ResolvePath(const QString& key) const {
    if (key.startsWith(QLatin1Char('\\')) || !FKeyOpen) return Normalize(key);
    return Normalize(FCurrentPath + QLatin1Char('\\') + key);
}

bool TRegistry::KeyExistsAt(const QString& path) const {
    if (Store().isEmpty()) return false;
    return KeyIn(LoadStore(Store()), path);
}

bool TRegistry::CreateKeyAt(const QString& path) {
    if (Store().isEmpty() || !ValidPath(path)) return false;
    if (KeyExistsAt(path)) return true;
    return EditStore(Store(), [&](IniDocument& doc) {
        if (KeyIn(doc, path)) return false;
        doc.AddSection(path);
        return true;
    });
}

bool TRegistry::DeleteKeyAt(const QString& path) {
    if (path.isEmpty() || !KeyExistsAt(path)) return false;
    bool removed = false;
    bool written = EditStore(Store(), [&](IniDocument& doc) {
        for (const QString& s : doc.Sections())
            if (SameName(s, path) || IsBelow(s, path)) removed = doc.EraseSection(s) || removed;
        return removed;
    });
    return written && removed;
}

bool TRegistry::DeleteValueAt(const QString& path, const QString& name) {
    const QString key = EncodeName(name);
    QString raw;
    if (!LoadStore(Store()).Value(path, key, raw)) return false;
    bool removed = false;
    bool written = EditStore(Store(), [&](IniDocument& doc) { return removed = doc.DeleteKey(path, key); });
    return written && removed;
}

bool TRegistry::ReadValueAt(const QString& path, const QString& name, RegValue& value) const {
    QString raw;
    if (!LoadStore(Store()).Value(path, EncodeName(name), raw)) return false;
    value.Type = Decode(raw, value.Text, value.Data);
    return true;
}

bool TRegistry::WriteEncodedAt(const QString& path, const QString& name, const QString& encoded) {
    if (!ValidPath(path)) return false;
    const QString key = EncodeName(name);
    return EditStore(Store(), [&](IniDocument& doc) {
        QString old;
        if (doc.Value(path, key, old) && old == encoded) return false;
        doc.SetValue(path, key, encoded);
        return true;
    });
}

void TRegistry::ListKeysAt(const QString& path, TStrings* strings) const {
    QStringList names;
    for (const QString& s : LoadStore(Store()).Sections()) {
        QString rest;
        if (path.isEmpty())
            rest = s;
        else if (IsBelow(s, path))
            rest = s.mid(path.size() + 1);
        else
            continue;
        QString child = rest.section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && !names.contains(child, Qt::CaseInsensitive)) names << child;
    }
    InUpdate(strings, [&] {
        strings->Clear();
        for (const QString& n : names) strings->Add(n);
    });
}

void TRegistry::ListValuesAt(const QString& path, TStrings* strings) const {
    QStringList names;
    for (const QString& k : LoadStore(Store()).Keys(path)) {
        QString n = DecodeName(k);
        if (!names.contains(n, Qt::CaseInsensitive)) names << n;
    }
    InUpdate(strings, [&] {
        strings->Clear();
        for (const QString& n : names) strings->Add(n);
    });
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
    const QString path = ResolvePath(key);
    if (!KeyExistsAt(path) && (!canCreate || !CreateKeyAt(path))) return false;
    FCurrentPath = path;
    FKeyOpen = true;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
    const QString path = ResolvePath(key);
    if (!KeyExistsAt(path)) return false;
    FCurrentPath = path;
    FKeyOpen = true;
    FReadOnly = true;
    return true;
}

bool TRegistry::CreateKey(const QString& key) { return CreateKeyAt(ResolvePath(key)); }
bool TRegistry::DeleteKey(const QString& key) { return DeleteKeyAt(ResolvePath(key)); }
bool TRegistry::KeyExists(const QString& key) { return KeyExistsAt(ResolvePath(key)); }

bool TRegistry::HasSubKeys() {
    if (!FKeyOpen) return false;
    TStringList names;
    ListKeysAt(FCurrentPath, &names);
    return names.Count() > 0;
}

void TRegistry::GetKeyNames(TStrings* strings) {
    if (!FKeyOpen) {
        strings->Clear();
        return;
    }
    ListKeysAt(FCurrentPath, strings);
}

void TRegistry::GetValueNames(TStrings* strings) {
    if (!FKeyOpen) {
        strings->Clear();
        return;
    }
    ListValuesAt(FCurrentPath, strings);
}

bool TRegistry::ValueExists(const QString& name) {
    RegValue v;
    return FKeyOpen && ReadValueAt(FCurrentPath, name, v);
}

TRegDataType TRegistry::GetDataType(const QString& name) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) return rdUnknown;
    return v.Type;
}

int TRegistry::GetDataSize(const QString& name) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) return -1;
    if (v.Type == rdString) return int(v.Text.toUtf8().size()) + 1;
    return int(v.Data.size());
}

bool TRegistry::DeleteValue(const QString& name) {
    if (!FKeyOpen || FReadOnly) return false;
    return DeleteValueAt(FCurrentPath, name);
}

void TRegistry::CheckWritable(const QString& name) const {
    if (!FKeyOpen || FReadOnly) RegError("Failed to set data for '%1'", name);
}

QString TRegistry::ReadString(const QString& name) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) return QString();
    if (v.Type != rdString) RegError("Invalid data type for '%1'", name);
    return v.Text;
}

void TRegistry::WriteString(const QString& name, const QString& value) {
    CheckWritable(name);
    if (!WriteEncodedAt(FCurrentPath, name, EncodeString(value))) RegError("Failed to set data for '%1'", name);
}

int TRegistry::ReadInteger(const QString& name) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) RegError("Failed to get data for '%1'", name);
    if (v.Type != rdInteger) RegError("Invalid data type for '%1'", name);
    return IntegerOf(v.Data);
}

void TRegistry::WriteInteger(const QString& name, int value) {
    CheckWritable(name);
    if (!WriteEncodedAt(FCurrentPath, name, EncodeInteger(value))) RegError("Failed to set data for '%1'", name);
}

int TRegistry::ReadBinaryData(const QString& name, void* buffer, int bufSize) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) return 0;
    if (v.Type != rdBinary || v.Data.size() > bufSize) RegError("Invalid data type for '%1'", name);
    if (!v.Data.isEmpty()) std::memcpy(buffer, v.Data.constData(), size_t(v.Data.size()));
    return int(v.Data.size());
}

QByteArray TRegistry::ReadBinaryData(const QString& name) {
    RegValue v;
    if (!FKeyOpen || !ReadValueAt(FCurrentPath, name, v)) return QByteArray();
    if (v.Type != rdBinary) RegError("Invalid data type for '%1'", name);
    return v.Data;
}

void TRegistry::WriteBinaryData(const QString& name, const void* buffer, int bufSize) {
    CheckWritable(name);
    QByteArray data(static_cast<const char*>(buffer), bufSize);
    if (!WriteEncodedAt(FCurrentPath, name, EncodeBinary(data))) RegError("Failed to set data for '%1'", name);
}

// ---- TRegIniFile ----

TRegIniFile::TRegIniFile(const QString& fileName) : FFileName(fileName) {
    // A store that cannot be written leaves the key closed; reads then give their defaults.
    OpenKey(fileName, true);
}

QString TRegIniFile::SectionPath(const QString& section) const {
    const QString base = Normalize(FFileName);
    if (Normalize(section).isEmpty()) return base;
    return Normalize(base + QLatin1Char('\\') + section);
}

QString TRegIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) {
    RegValue v;
    if (!ReadValueAt(SectionPath(section), ident, v)) return defaultValue;
    if (v.Type != rdString) RegError("Invalid data type for '%1'", ident);
    return v.Text;
}

int TRegIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) {
    RegValue v;
    if (!ReadValueAt(SectionPath(section), ident, v)) return defaultValue;
    if (v.Type == rdString) return StrToIntDef(v.Text, defaultValue);
    if (v.Type == rdInteger) return IntegerOf(v.Data);
    RegError("Invalid data type for '%1'", ident);
}

bool TRegIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (!WriteEncodedAt(SectionPath(section), ident, EncodeString(value))) RegError("Failed to set data for '%1'", ident);
}

void TRegIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, QString::number(value));
}

void TRegIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegIniFile::ReadSection(const QString& section, TStrings* strings) {
    ListValuesAt(SectionPath(section), strings);
}

void TRegIniFile::ReadSections(TStrings* strings) { ListKeysAt(SectionPath(QString()), strings); }

void TRegIniFile::ReadSectionValues(const QString& section, TStrings* strings) {
    const QString path = SectionPath(section);
    TStringList names;
    ListValuesAt(path, &names);
    InUpdate(strings, [&] {
        strings->Clear();
        for (int i = 0; i < names.Count(); ++i) {
            RegValue v;
            if (!ReadValueAt(path, names[i], v)) continue;
            if (v.Type == rdInteger)
                v.Text = QString::number(IntegerOf(v.Data));
            else if (v.Type != rdString)
                continue;
            strings->Add(names[i] + QLatin1Char('=') + v.Text);
        }
    });
}

void TRegIniFile::EraseSection(const QString& section) { DeleteKeyAt(SectionPath(section)); }

void TRegIniFile::DeleteKey(const QString& section, const QString& ident) { DeleteValueAt(SectionPath(section), ident); }
