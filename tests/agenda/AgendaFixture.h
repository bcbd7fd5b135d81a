#pragma once
// A data folder with an office lawyer made current, a logged-in user with every right, and
// helpers that write and read agenda rows past every cursor of the data module.
#include "../records/CasoFixture.h"

#include <QFile>
#include <vector>

namespace agendatest {

inline TField* F(TDataSet* t, const char* campo) { return t->FieldByName(QString::fromLatin1(campo)); }

class AgendaTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    }
    void Ejecuta(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.ExecSQL();
    }
    // An agenda row stored through the data module; returns its ORDEN.
    int Apunte(TDateTime fecha, const QString& tipo, const QString& texto, int abocli = 0, const QString& ano = QString(),
               const QString& numero = QString(), int codigo = 0, TDateTime hora = EncodeTime(9, 0, 0, 0)) {
        TTable* t = Dat->TAgen;
        t->Append();
        F(t, "ABOCLI")->SetAsInteger(abocli ? abocli : Abogado);
        F(t, "FECHA")->SetAsDateTime(fecha);
        F(t, "HORA")->SetAsDateTime(hora);
        F(t, "TIPO")->SetAsString(tipo);
        F(t, "ANO")->SetAsString(ano);
        F(t, "NUMERO")->SetAsString(numero);
        F(t, "SITUACION")->SetAsString(texto);
        F(t, "CODIGO")->SetAsInteger(codigo);
        t->Post();
        return F(t, "ORDEN")->AsInteger();
    }
    // An agenda concept of a type (the type made when missing); returns its CODIGO.
    int Concepto(const QString& concepto, int dias, const QString& tipo) {
        if (Cuenta(QStringLiteral("TIPOAGENDAS WHERE TIPO = '%1'").arg(tipo)) == 0)
            Ejecuta(QStringLiteral("INSERT INTO TIPOAGENDAS (TIPO) VALUES ('%1')").arg(tipo));
        const int codigo = Valor(QStringLiteral("SELECT COALESCE(MAX(CODIGO), 0) + 1 FROM CONAGENDAS")).AsInteger();
        Ejecuta(QStringLiteral("INSERT INTO CONAGENDAS (CODIGO, CONCEPTO, DIAS, TIPOAGENDA) VALUES (%1, '%2', %3, '%4')")
                    .arg(codigo)
                    .arg(concepto)
                    .arg(dias)
                    .arg(tipo));
        return codigo;
    }
    // Every agenda row in ORDEN order: fecha|hora|tipo|año|número|texto|código|tipo de agenda|archivado.
    std::vector<QString> Filas() {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT * FROM AGENDA ORDER BY ORDEN"));
        q.Open();
        std::vector<QString> r;
        for (; !q.Eof(); q.Next()) {
            QStringList c;
            c << FormatDateTime(QStringLiteral("dd/mm/yyyy"), F(&q, "FECHA")->AsDateTime())
              << FormatDateTime(QStringLiteral("hh:mm"), F(&q, "HORA")->AsDateTime());
            for (const char* n : {"TIPO", "ANO", "NUMERO", "SITUACION", "CODIGO", "TIPOAGENDA", "ARCHIVADO"})
                c << F(&q, n)->AsString();
            r.push_back(c.join(QLatin1Char('|')));
        }
        return r;
    }
    static void Escribe(const QString& ruta, const QByteArray& datos) {
        QFile f(ruta);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(datos);
    }
    static QByteArray Lee(const QString& ruta) {
        QFile f(ruta);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }
};

}  // namespace agendatest
