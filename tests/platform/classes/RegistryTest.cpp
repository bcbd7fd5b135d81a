#include "platform/classes/Registry.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list[i];
    return out.join(QLatin1Char('|'));
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString RegMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

// Points both roots of the store into a fresh folder for one test.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        FSaved = qgetenv("ZEMBRA_REGISTRY_FILE");
        FSavedMachine = qgetenv("ZEMBRA_REGISTRY_MACHINE_FILE");
        qputenv("ZEMBRA_REGISTRY_FILE", QFile::encodeName(UserFile()));
        qunsetenv("ZEMBRA_REGISTRY_MACHINE_FILE");
    }
    void TearDown() override {
        Restore("ZEMBRA_REGISTRY_FILE", FSaved);
        Restore("ZEMBRA_REGISTRY_MACHINE_FILE", FSavedMachine);
    }
    static void Restore(const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QString UserFile() const { return FDir.filePath(QStringLiteral("conf/registry.ini")); }
    QString MachineFile() const { return FDir.filePath(QStringLiteral("conf/machine.ini")); }

    QTemporaryDir FDir;
    QByteArray FSaved, FSavedMachine;
};
}  // namespace

TEST_F(Registry, DataFolderValueUsesTheDocumentedFileFormat) {
    {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        EXPECT_EQ(reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString()), QString());
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), QString::fromUtf8("/srv/despacho/año 2024"));
    }
    EXPECT_EQ(FileBytes(UserFile()),
              QString::fromUtf8("[Software\\Velmor\\zembra]\n\n[Software\\Velmor\\zembra\\Install]\n"
                                "Datos=/srv/despacho/año 2024\n")
                  .toUtf8());

    // A file written by hand as the README shows it is read the same way.
    QFile f(UserFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Software\\Velmor\\zembra\\Install]\r\nDatos=/home/ana/datos\r\n");
    f.close();
    TRegIniFile reg(QStringLiteral("SOFTWARE\\velmor\\Zembra"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("install"), QStringLiteral("DATOS"), QStringLiteral("x")),
              QStringLiteral("/home/ana/datos"));
}

TEST_F(Registry, KeysOpenCreateListAndDelete) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Software\\Velmor"), false));
    EXPECT_FALSE(reg.KeyOpen());
    EXPECT_FALSE(QFile::exists(UserFile()));  // looking creates nothing

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Velmor\\zembra\\Install"), true));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Velmor\\zembra\\Install"));
    reg.WriteString(QStringLiteral("Datos"), QStringLiteral("/datos"));
    // Relative to the open key.
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Ventanas\\Principal"), true));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Velmor\\zembra\\Install\\Ventanas\\Principal"));
    reg.CloseKey();

    EXPECT_TRUE(reg.KeyExists(QStringLiteral("software\\VELMOR")));  // parent of a stored key
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Software\\Velmo")));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software"), false));
    EXPECT_TRUE(reg.CreateKey(QStringLiteral("Otra")));
    TStringList names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(Lines(names), QStringLiteral("Velmor|Otra"));
    EXPECT_TRUE(reg.HasSubKeys());

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Velmor\\zembra"), false));
    reg.GetKeyNames(&names);
    EXPECT_EQ(Lines(names), QStringLiteral("Install"));
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("INSTALL")));  // with every key below it
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Install\\Ventanas\\Principal")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("Install")));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software\\Otra")));

    // The local machine has a store of its own.
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("Software\\Otra")));
    ASSERT_TRUE(machine.OpenKey(QStringLiteral("SOFTWARE\\Microsoft\\Office\\9.0\\Word"), true));
    EXPECT_TRUE(QFile::exists(MachineFile()));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\SOFTWARE\\Microsoft")));
}

TEST_F(Registry, TypedValuesRoundTripAndWrongTypesRaise) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Prueba"), true));
    reg.WriteString(QStringLiteral("Texto"), QString::fromUtf8("Camión de Peñíscola"));
    reg.WriteString(QStringLiteral("Raro"), QStringLiteral("  \"dword:1\"\n\\x\t "));
    reg.WriteString(QStringLiteral("Tipo"), QStringLiteral("hex:00"));
    reg.WriteString(QStringLiteral("Vacío"), QString());
    reg.WriteInteger(QStringLiteral("Numero"), -2);
    reg.WriteBool(QStringLiteral("Activo"), true);
    const QByteArray bytes("\x00\xff\x10", 3);
    reg.WriteBinaryData(QStringLiteral("Datos"), bytes);
    reg.WriteString(QString(), QStringLiteral("por defecto"));
    reg.WriteString(QStringLiteral("a=b"), QStringLiteral("igual"));
    reg.WriteString(QStringLiteral("@"), QStringLiteral("arroba"));

    TRegistry other;  // fresh object: everything comes from the file
    ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("software\\prueba")));
    EXPECT_EQ(other.ReadString(QStringLiteral("TEXTO")), QString::fromUtf8("Camión de Peñíscola"));
    EXPECT_EQ(other.ReadString(QStringLiteral("Raro")), QStringLiteral("  \"dword:1\"\n\\x\t "));
    EXPECT_EQ(other.ReadString(QStringLiteral("Tipo")), QStringLiteral("hex:00"));
    EXPECT_EQ(other.ReadString(QStringLiteral("Vacío")), QString());
    EXPECT_TRUE(other.ValueExists(QStringLiteral("Vacío")));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("Numero")), -2);
    EXPECT_TRUE(other.ReadBool(QStringLiteral("Activo")));
    EXPECT_EQ(other.ReadBinaryData(QStringLiteral("Datos")), bytes);
    char buf[3];
    EXPECT_EQ(other.ReadBinaryData(QStringLiteral("Datos"), buf, 3), 3);
    EXPECT_EQ(QByteArray(buf, 3), bytes);
    EXPECT_EQ(other.ReadString(QString()), QStringLiteral("por defecto"));
    EXPECT_EQ(other.ReadString(QStringLiteral("A=B")), QStringLiteral("igual"));
    EXPECT_EQ(other.ReadString(QStringLiteral("@")), QStringLiteral("arroba"));
    EXPECT_EQ(other.GetDataType(QStringLiteral("Numero")), rdInteger);
    EXPECT_EQ(other.GetDataType(QStringLiteral("Datos")), rdBinary);
    EXPECT_EQ(other.GetDataType(QStringLiteral("Tipo")), rdString);
    EXPECT_EQ(other.GetDataSize(QStringLiteral("Texto")), 23);
    EXPECT_EQ(other.GetDataSize(QStringLiteral("Falta")), -1);

    TStringList names;
    other.GetValueNames(&names);
    EXPECT_EQ(Lines(names), QString::fromUtf8("Texto|Raro|Tipo|Vacío|Numero|Activo|Datos||a=b|@"));

    EXPECT_EQ(other.ReadString(QStringLiteral("Falta")), QString());
    EXPECT_EQ(RegMessage([&] { other.ReadInteger(QStringLiteral("Falta")); }),
              QStringLiteral("Failed to get data for 'Falta'"));
    EXPECT_EQ(RegMessage([&] { other.ReadInteger(QStringLiteral("Texto")); }),
              QStringLiteral("Invalid data type for 'Texto'"));
    EXPECT_EQ(RegMessage([&] { other.ReadString(QStringLiteral("Numero")); }),
              QStringLiteral("Invalid data type for 'Numero'"));
    EXPECT_EQ(RegMessage([&] { other.ReadBinaryData(QStringLiteral("Datos"), buf, 2); }),
              QStringLiteral("Invalid data type for 'Datos'"));
    EXPECT_EQ(other.ReadBinaryData(QStringLiteral("Falta"), buf, 3), 0);
    // Read-only: writes refused, nothing changed.
    EXPECT_EQ(RegMessage([&] { other.WriteString(QStringLiteral("Texto"), QStringLiteral("x")); }),
              QStringLiteral("Failed to set data for 'Texto'"));
    EXPECT_FALSE(other.DeleteValue(QStringLiteral("Texto")));

    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("texto")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Texto")));
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("Texto")));

    TRegistry closed;
    EXPECT_EQ(RegMessage([&] { closed.WriteInteger(QStringLiteral("X"), 1); }),
              QStringLiteral("Failed to set data for 'X'"));
    EXPECT_FALSE(closed.ValueExists(QStringLiteral("X")));
}

TEST_F(Registry, IniStyleAccessUsesSubkeysAsSections) {
    TRegIniFile ini(QStringLiteral("Software\\Zembra"));
    EXPECT_EQ(ini.FileName(), QStringLiteral("Software\\Zembra"));
    ini.WriteInteger(QStringLiteral("TPrincipio"), QStringLiteral("Flags"), 31);
    ini.WriteBool(QStringLiteral("TPrincipio"), QStringLiteral("Visible"), false);
    ini.WriteString(QStringLiteral("TPrincipio"), QStringLiteral("NormPos"), QStringLiteral("10,20,640,480"));
    ini.WriteString(QStringLiteral("TExpediente"), QStringLiteral("Titulo"), QStringLiteral("\"entre comillas\""));

    EXPECT_EQ(ini.ReadInteger(QStringLiteral("tprincipio"), QStringLiteral("flags"), 0), 31);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("TPrincipio"), QStringLiteral("Visible"), true));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPrincipio"), QStringLiteral("NormPos"), -1), -1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPrincipio"), QStringLiteral("Falta"), 7), 7);
    // The registry keeps values exactly, quotes included.
    EXPECT_EQ(ini.ReadString(QStringLiteral("TExpediente"), QStringLiteral("Titulo"), QString()),
              QStringLiteral("\"entre comillas\""));

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), QStringLiteral("TPrincipio|TExpediente"));
    ini.ReadSection(QStringLiteral("TPrincipio"), &list);
    EXPECT_EQ(Lines(list), QStringLiteral("Flags|Visible|NormPos"));
    ini.ReadSectionValues(QStringLiteral("TPrincipio"), &list);
    EXPECT_EQ(Lines(list), QStringLiteral("Flags=31|Visible=0|NormPos=10,20,640,480"));

    // An integer written through TRegistry is read by the ini-style call too.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Zembra\\TPrincipio"), false));
    reg.WriteInteger(QStringLiteral("ShowCmd"), 3);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPrincipio"), QStringLiteral("ShowCmd"), 0), 3);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Flags")), ERegistryException);  // stored as text

    ini.DeleteKey(QStringLiteral("TPrincipio"), QStringLiteral("Flags"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPrincipio"), QStringLiteral("Flags"), -5), -5);
    ini.EraseSection(QStringLiteral("tprincipio"));
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), QStringLiteral("TExpediente"));
}

TEST_F(Registry, DamagedStoreIsReadWithoutLoss) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(UserFile()).absolutePath()));
    QFile f(UserFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("basura sin seccion\n[Software\\X]\nN=dword:zz\nB=hex:0\nS=\"sin cierre\nM=Le\xf3n\n[roto\n");
    f.close();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\X"), false));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("N")), rdUnknown);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("N")), ERegistryException);
    EXPECT_THROW(reg.ReadBinaryData(QStringLiteral("B")), ERegistryException);
    EXPECT_EQ(reg.ReadString(QStringLiteral("S")), QStringLiteral("sin cierre"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("M")), QString::fromUtf8("León"));  // Latin-1 file
    reg.WriteInteger(QStringLiteral("Nuevo"), 1);
    TRegistry again;
    ASSERT_TRUE(again.OpenKey(QStringLiteral("Software\\X"), false));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Nuevo")), 1);
    EXPECT_EQ(again.ReadString(QStringLiteral("M")), QString::fromUtf8("León"));
    EXPECT_TRUE(FileBytes(UserFile()).startsWith("basura sin seccion\n"));
}
