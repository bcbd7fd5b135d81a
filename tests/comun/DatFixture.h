#pragma once
// A data module over a fresh data folder, with message boxes answered from a script.
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "platform/forms/FormHarness.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace shelltest {

class DatTest : public ::testing::Test {
protected:
    void SetUp() override {
        Guard();
        if (!HasFatalFailure()) Open();
    }
    void TearDown() override {
        Close();
        Unguard();
    }
    // The message script, and a transaction that outlives the post or delete that opened it
    // fails the test.
    void Guard() {
        ASSERT_TRUE(dir.isValid());
        harness = std::make_unique<platform::forms::TFormHarness>();
        savedLeak = platform::db::OnTransactionLeak;
        platform::db::OnTransactionLeak = [](const QString& what) { ADD_FAILURE() << what.toStdString(); };
    }
    void Unguard() {
        harness.reset();
        platform::db::OnTransactionLeak = savedLeak;
    }
    void Open(const QString& folder = QString()) {
        CarpetaDatos = folder.isEmpty() ? dir.path() : folder;
        Dat = new TDat(nullptr);
    }
    void Close() {
        delete Dat;
        Dat = nullptr;
    }
    QStringList Texts() const {
        QStringList r;
        for (const auto& m : harness->Messages()) r << m.Text;
        return r;
    }
    // Runs `op`, which must be abandoned silently after its message.
    void ExpectAbort(const std::function<void()>& op) { EXPECT_THROW(op(), EAbort); }
    int Sistem(const char* field) {
        Dat->TSistem->Refresh();
        return Dat->TSistem->FieldByName(QString::fromLatin1(field))->AsInteger();
    }
    void SetSistem(const char* field, const Variant& value) {
        Dat->TSistem->Edit();
        Dat->TSistem->FieldByName(QString::fromLatin1(field))->SetValue(value);
        Dat->TSistem->Post();
    }
    // A client (and its code) stored through the data module.
    int AddClient(const QString& apellidos, const QString& nombre = QString()) {
        Dat->TClientes->Append();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        Dat->TClientes->Post();
        return Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger();
    }
    void AddCase(const QString& ano, const QString& numero, int cliente = 0) {
        Dat->TExped->Append();
        Dat->TExped->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
        Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        if (cliente) Dat->TExped->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(cliente);
        Dat->TExped->Post();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::forms::TFormHarness> harness;
    std::function<void(const QString&)> savedLeak;
};

// Another workstation: this test program started again, running only `filtro`, on the data folder
// `carpeta` (ZB_CARPETA) with `vars` added to its environment.
inline void ArrancaOtraEstacion(QProcess& p, const QString& carpeta, const QString& filtro,
                                const std::vector<std::pair<QString, QString>>& vars) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZB_CARPETA"), carpeta);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const auto& [nombre, valor] : vars) env.insert(nombre, valor);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(), {QStringLiteral("--gtest_filter=") + filtro});
}

}  // namespace shelltest
