// A document number whose reservation fails after its file was made: the file goes too.
#include "FusionFixture.h"
#include "tests/support/GeneraDespacho.h"

#include <QDir>

using fusiontest::FusionDatos;

// The counter refuses the raised value (the engine fails the write): the document's empty file,
// already made under the number, is removed, so "Escritos" holds nothing no record names, and
// the number is the next document's.
TEST_F(FusionDatos, ADocumentNumberReservedInVainLeavesNoFile)
{
    Llena();
    ExtensionEscrito = ".docx";
    const bool servidor = !platform::db::DataServer(CarpetaDatos).isEmpty();
    zbtest::TGenerador g(CarpetaDatos);
    if (servidor) {
        g.Exec("CREATE FUNCTION no_cuenta() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RAISE EXCEPTION ''bloqueado''; END'");
        g.Exec("CREATE TRIGGER no_cuenta BEFORE UPDATE ON sistem FOR EACH ROW EXECUTE FUNCTION no_cuenta()");
    } else {
        g.Exec("CREATE TRIGGER no_cuenta BEFORE UPDATE ON sistem BEGIN SELECT RAISE(ABORT, 'bloqueado'); END");
    }
    EXPECT_ANY_THROW(NombreEscrito());
    EXPECT_EQ(QDir(CarpetaDatos + "/Escritos").entryList(QDir::Files), QStringList());
    EXPECT_FALSE(Dat->Db->Connection()->InTransaction());

    g.Exec(servidor ? "DROP TRIGGER no_cuenta ON sistem" : "DROP TRIGGER no_cuenta");
    NombreEscrito();
    EXPECT_EQ(FicheroEscrito, CarpetaDatos + "/Escritos/42.docx");
    EXPECT_EQ(Sistem("ESCEXP"), 42);
}
