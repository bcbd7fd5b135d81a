#pragma once
// Tables in a temporary data folder for the data-aware control tests.
#include "platform/db/DBTables.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace datatest {

inline TTable* NewTable(TComponent* owner, const QString& folder, const QString& name) {
    auto* t = new TTable(owner);
    t->SetDatabaseName(folder);
    t->SetTableName(name);
    return t;
}

// CLIENTES (CLIENTE primary; "apellidos" case-insensitive on APELLIDOS; "nombre" on NOMBRE, with
// case) and CUENTAS (ORDEN primary, TIPO as text code).
inline void CreateSchema(const QString& folder) {
    TComponent owner(nullptr);
    TTable* c = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
    c->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger, 0, true);
    c->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
    c->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 30);
    c->FieldDefs()->Add(QStringLiteral("NIF"), ftString, 12);
    c->IndexDefs()->Add(QString(), QStringLiteral("CLIENTE"), ixPrimary);
    c->IndexDefs()->Add(QStringLiteral("apellidos"), QStringLiteral("APELLIDOS"), ixCaseInsensitive);
    c->IndexDefs()->Add(QStringLiteral("nombre"), QStringLiteral("NOMBRE"), 0);
    c->CreateTable();

    TTable* l = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    l->FieldDefs()->Add(QStringLiteral("ORDEN"), ftInteger, 0, true);
    l->FieldDefs()->Add(QStringLiteral("TIPO"), ftString, 1);
    l->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger);
    l->FieldDefs()->Add(QStringLiteral("CONCEPTO"), ftString, 40);
    l->IndexDefs()->Add(QString(), QStringLiteral("ORDEN"), ixPrimary);
    l->CreateTable();
}

inline void AddClient(TTable* t, int code, const QString& nombre, const QString& apellidos) {
    t->Append();
    t->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(code);
    t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
    t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
    t->Post();
}

class DataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
        CreateSchema(folder);
        clientes = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
        clientes->SetName(QStringLiteral("TClientes"));
        clientes->Open();
        AddClient(clientes, 1, QStringLiteral("Ana"), QStringLiteral("Pérez Gil"));
        AddClient(clientes, 2, QStringLiteral("Luis"), QStringLiteral("GARRIDO Sanz"));
        AddClient(clientes, 3, QStringLiteral("Íñigo"), QStringLiteral("Núñez Ortiz"));
        AddClient(clientes, 4, QStringLiteral("María"), QStringLiteral("Álvarez Ruiz"));
        AddClient(clientes, 12, QStringLiteral("Pedro"), QStringLiteral("Zamora Díaz"));
        AddClient(clientes, 120, QStringLiteral("Rosa"), QStringLiteral("Benítez Mora"));
        clientes->First();
    }
    QString Field(TDataSet* ds, const char* name) { return ds->FieldByName(QString::fromUtf8(name))->AsString(); }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
    TTable* clientes = nullptr;
};

}  // namespace datatest
