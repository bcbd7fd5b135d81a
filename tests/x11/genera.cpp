// Makes the data folder the window-system lane drives: a generated office in a new folder's
// currency, a second user with restricted rights, and a settings file that points the program at
// the folder.
//   zembra_genera <data folder> <settings file> [case files [consultations [ledger rows [agenda rows]]]]
// (the sizes make a big office to walk by hand)
#include "comun/Programa.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/classes/Registry.h"
#include "shell/Acceso.h"
#include "tests/support/GeneraDespacho.h"

#include <QApplication>
#include <QDate>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 3 || argc > 7) {
        std::fprintf(stderr, "uso: zembra_genera <carpeta de datos> <fichero de ajustes> [expedientes [consultas [apuntes [citas]]]]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZEMBRA_REGISTRY_FILE", argv[2]);
    QApplication app(argc, argv);
    const QString carpeta = QString::fromLocal8Bit(argv[1]);
    {
        TRegIniFile reg(comun::ClavePrograma(QStringLiteral("zembra")));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), carpeta);
    }
    CarpetaDatos = carpeta;
    delete new TDat(nullptr);
    zbtest::TTamDespacho t;
    t.Expedientes = 40;
    t.Consultas = 10;
    t.Abogados = 4;
    t.Anos = 2;
    t.UltimoAno = QDate::currentDate().year();
    if (argc > 3) {
        t.Expedientes = std::atoi(argv[3]);
        t.Consultas = argc > 4 ? std::atoi(argv[4]) : t.Expedientes / 5;
        t.Apuntes = argc > 5 ? std::atoi(argv[5]) : 0;
        t.Citas = argc > 6 ? std::atoi(argv[6]) : 0;
        t.Anos = 10;
        t.Abogados = 10;
        t.Economia = true;
    }
    // The walk works in the currency a new folder starts with: nobody sets it on day one.
    t.FijaMoneda = false;
    zbtest::GeneraDespacho(carpeta, t);
    // A second user makes the program ask who logs in; this one may not list nor see the ledger.
    Dat = new TDat(nullptr);
    shell::AltaSupervisor();
    Dat->TPriv->Append();
    Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("LUISA"));
    Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("CLAVE"));
    for (const char* d : {"Expedientes", "Consulta", "Agenda"})
        Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
    Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
    Dat->TPriv->Post();
    delete Dat;
    Dat = nullptr;
    return 0;
}
