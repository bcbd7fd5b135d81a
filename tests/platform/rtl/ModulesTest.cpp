// Modules loaded on first use: the libraries they bring are mapped only then; a missing, broken
// or foreign module gives a Spanish reason naming it, never a crash.
#include "platform/rtl/Modules.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

bool Mapped(const char* library) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

TEST(ModulesTest, AModuleAndItsLibrariesAreMappedOnlyWhenFirstAskedFor) {
    // The mail transport's module is found through the program's library path (the build's).
    ASSERT_FALSE(Mapped("libcurl"));
    QString error;
    void* entry = ModuleEntry(QStringLiteral("zembra-smtp.so"), "zembra_smtp_module", &error);
    ASSERT_NE(entry, nullptr) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(Mapped("zembra-smtp.so"));
    EXPECT_TRUE(Mapped("libcurl"));
    EXPECT_EQ(ModuleEntry(QStringLiteral("zembra-smtp.so"), "zembra_smtp_module", nullptr), entry);
}

TEST(ModulesTest, MissingBrokenOrForeignModulesAreReportedInSpanish) {
    QString error;
    EXPECT_EQ(ModuleEntry(QStringLiteral("zembra-nada.so"), "entrada", &error), nullptr);
    // Both places it may be in are named, as a user would type them: an installed copy keeps
    // its modules in lib/zembra beside the programs' folder.
    const QDir programa = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    QDir instalados = programa;
    ASSERT_TRUE(instalados.cdUp());
    EXPECT_EQ(error, QString::fromUtf8("No se encuentra el módulo zembra-nada.so del programa: debe estar junto al programa "
                                       "(%1) o en %2.")
                         .arg(programa.path(), instalados.filePath(QStringLiteral("lib/zembra"))));

    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("roto.so"));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("esto no es un módulo");
    f.close();
    error.clear();
    EXPECT_EQ(ModuleEntry(broken, "entrada", &error), nullptr);
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("El módulo %1 del programa no se puede cargar: ").arg(broken))) << error.toStdString();

    error.clear();
    EXPECT_EQ(ModuleEntry(QStringLiteral("zembra-smtp.so"), "zembra_pg_module", &error), nullptr);
    EXPECT_EQ(error, QString::fromUtf8("El módulo zembra-smtp.so del programa no es de esta versión: le falta zembra_pg_module."));
}

}  // namespace
