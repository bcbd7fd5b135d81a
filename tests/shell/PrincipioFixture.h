#pragma once
// The main window over a generated data folder: a user with the given lawyer, the window shown.
#include "DatFixture.h"
#include "comun/UComunes.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"
#include "shell/UPrincipal.h"
#include "tests/support/GeneraDespacho.h"

#include <QDate>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <memory>

namespace shelltest {

class PrincipioTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        comun::EditorRegistrado = [] { return QStringLiteral("writer.desktop"); };
    }
    void TearDown() override {
        form.reset();
        comun::EditorRegistrado = comun::EditorDeXdg;
        if (savedConfig.isNull()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", savedConfig);
        DatTest::TearDown();
    }
    void Genera(int abogados, int expedientes = 50) {
        Close();
        zbtest::TTamDespacho t;
        t.Expedientes = expedientes;
        t.Consultas = 20;
        t.Abogados = abogados;
        t.Anos = 2;
        t.UltimoAno = platform::rtl::ClockNow().date().year();
        zbtest::GeneraDespacho(dir.path(), t);
        Open();
    }
    void Usuario(int abogado) {
        if (Dat->TPriv->IsEmpty()) {
            Dat->TPriv->Append();
            Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
            Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
            for (const char* d : {"Expedientes", "Consulta"}) Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        } else {
            Dat->TPriv->Edit();
        }
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(abogado);
        Dat->TPriv->Post();
    }
    void Muestra() {
        form = std::make_unique<TPrincipio>(nullptr);
        Principio = form.get();
        form->Show();
        platform::forms::TFormHarness::ProcessEvents();
    }
    QList<int> Abogados(TDataSet* ds) {
        QList<int> r;
        for (ds->First(); !ds->Eof(); ds->Next()) r << ds->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
        return r;
    }
    QTemporaryDir config;
    QByteArray savedConfig;
    std::unique_ptr<TPrincipio> form;
};

}  // namespace shelltest
