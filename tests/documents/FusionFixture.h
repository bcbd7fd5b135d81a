#pragma once
// An office data folder with a case file and a consultation whose every party is on record,
// the merge lists, and the dialog's pick lists as the merge dialogs make them.
#include "DatFixture.h"
#include "comun/Programa.h"
#include "documents/UFusion.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QVariant>
#include <map>

namespace fusiontest {

inline QString RunTool(const QString& program, const QStringList& args, int* exitCode)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

// A row of the marker conversion table "Convertir.db".
inline void Conversion(const QString& origen, const QString& destino)
{
    TTable t(nullptr);
    t.SetDatabaseName(QStringLiteral("ZEMBRA"));
    t.SetTableName(QStringLiteral("Convertir.db"));
    t.Open();
    t.Append();
    t.FieldByName(QStringLiteral("Origen"))->SetAsString(origen);
    t.FieldByName(QStringLiteral("Destino"))->SetAsString(destino);
    t.Post();
}

inline QString Script(const char* name) { return QStringLiteral(ZEMBRA_SOURCE_DIR "/tests/documents/") + QLatin1String(name); }

class FusionDatos : public shelltest::DatTest {
protected:
    void SetUp() override
    {
        DatTest::SetUp();
        CreaListasFusion();
        documents::OrigenFusion = {};
        documents::AbreConEscritorio = [this](const QString& f) {
            abiertos << f;
            return true;
        };
        EditorOle.reset();
        TipoEditor = QStringLiteral("Word2000");
        ExtensionEscrito = ExtensionDeEditor(TipoEditor);
        ModoEscrito = QLatin1Char('E');
        CarpetaPrivada = dir.filePath(QStringLiteral("privada"));
        QDir().mkpath(CarpetaPrivada);
    }
    void TearDown() override
    {
        documents::OrigenFusion = {};
        documents::DialogoExpediente = nullptr;
        documents::DialogoDespacho = nullptr;
        EditorOle.reset();
        lista.clear();
        marcas.clear();
        consultas.clear();
        DatTest::TearDown();
    }

    void Fila(const char* tabla, const std::map<QString, QVariant>& valores)
    {
        QStringList cols;
        std::vector<QVariant> vals;
        for (const auto& [c, v] : valores) {
            cols << c;
            vals.push_back(v);
        }
        Dat->Db->Connection()->Insert(QString::fromLatin1(tabla), cols, vals);
    }
    static QVariant F(int y, int m, int d) { return QVariant(double(EncodeDate(y, m, d))); }

    // Every kind of party on record, with accents, quotes and "<&>" in the values.
    void Llena()
    {
        Sql(QStringLiteral("DELETE FROM SISTEM"));
        Fila("SISTEM", {{"NUMERO", 1}, {"EMPRESA", "Bufete Núñez & Asociados"}, {"DIRECCION", "Gran Vía 1"},
                        {"POBLACION", "Logroño"}, {"CDPOSTAL", "26001"}, {"PROVINCIA", "La Rioja"}, {"CIF", "B123"},
                        {"TELEFONO", "941000000"}, {"FAX", "941000001"}, {"BANCO", "Banco"}, {"SUCURSAL", "0001"},
                        {"CUENTACORRIENTE", "123456"}, {"ESCEXP", 41}, {"EDITOR", "Word2000"}, {"EURO", 166.386}});
        Fila("ABOCLI", {{"ABOCLI", 1}, {"NOMBRE", "Ana"}, {"APELLIDOS", "Letrada Ruiz"}, {"CIF", "111A"},
                        {"COLEGIADO", "1234"}, {"MAIL", "ana@bufete.es"}, {"POBLACION", "Logroño"}});
        Fila("ABOCLI", {{"ABOCLI", 2}, {"NOMBRE", "Blas"}, {"APELLIDOS", "Consultor"}, {"CIF", "222B"}});
        Fila("CLIENTES", {{"CLIENTE", 1}, {"NOMBRE", "José"}, {"APELLIDOS", "Núñez \"el Chico\""}, {"DNI", "333C"},
                          {"DOMICILIO", "Calle <Mayor> & 2"}, {"POBLACION", "Haro"}, {"CDPOSTAL", "26200"},
                          {"PROVINCIA", "La Rioja"}, {"TELEFONO", "600"}, {"MAIL", "jose@x.es"}, {"ASOCIADOS", "Hnos."}});
        Fila("CLIENTES", {{"CLIENTE", 2}, {"NOMBRE", "María"}, {"APELLIDOS", "Álvarez"}, {"DNI", "444D"}});
        Fila("CONTRARIOS", {{"CONTRARIO", 1}, {"NOMBRE", "Pedro"}, {"APELLIDOS", "Contrario Sáez"}, {"DNI", "555E"},
                            {"POBLACION", "Nájera"}});
        Fila("ABOGADOS", {{"ABOGADO", 1}, {"NOMBRE", "Luis"}, {"APELLIDOS", "Opuesto"}, {"DNI", "666F"},
                          {"DESPACHO", "Opuesto SL"}, {"POBLACION", "Calahorra"}});
        Fila("ABOGADOS", {{"ABOGADO", 2}, {"NOMBRE", "Eva"}, {"APELLIDOS", "Otra"}, {"DNI", "777G"}});
        Fila("PROCU", {{"PROCU", 1}, {"NOMBRE", "Inés"}, {"APELLIDOS", "Procuradora Cliente"}, {"CIF", "888H"},
                       {"PARTIDO", "Logroño"}, {"COLEGIADO", "77"}, {"POBLACION", "Logroño"}});
        Fila("PROCU", {{"PROCU", 2}, {"NOMBRE", "Raúl"}, {"APELLIDOS", "Procurador Contrario"}, {"CIF", "999J"}});
        Fila("PERITOS", {{"PERITO", 1}, {"NOMBRE", "Sara"}, {"APELLIDOS", "Perita"}, {"CIF", "000K"},
                         {"PROFESION", "Arquitecta"}, {"POBLACION", "Ezcaray"}});
        Fila("EXPED", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"CLIENTE", 1}, {"ABOCLI", 1}, {"PROCLI", 1}, {"CONTRARIO", 1},
                       {"ABOCON", 1}, {"PROCON", 2}, {"PERITO", 1}, {"REFCLI", "RC-1"}, {"REFCON", "RX-1"},
                       {"REFABOCON", "RA-1"}, {"REFPROCON", "RP-2"}, {"REFPROCLI", "RP-1"}, {"FECHAAPERTURA", F(2001, 3, 5)},
                       {"IMPORTE", 1234.5}, {"PRINCIPAL", 12345678.9}, {"TOTAL", 1160.0}, {"PROVISIONES", -200.0},
                       {"FACTURA", 17}, {"IVA", 16.0}, {"IMPIVA", 160.0}, {"MONEDA", "E"}, {"TRIBUNAL", "Juzgado nº 1"}});
        Fila("EXPCLI", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"CLIENTE", 1}});
        Fila("EXPCLI", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"CLIENTE", 2}});
        Fila("EXPCON", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"CONTRARIO", 1}});
        Fila("CONSULTAS", {{"ANO", "2001"}, {"NUMERO", "0007"}, {"ABOCLI", 2}, {"ABOENT", 1}, {"CLIENTE", 2},
                           {"NOMCLIENTE", "María Álvarez"}, {"FECHAENTRADA", F(2001, 1, 2)}, {"HORAS", 1.5},
                           {"OBSERVACIONES", "Primera línea\r\nsegunda línea"}, {"TOTAL", 116.0}, {"MONEDA", "E"}});
        Refresca();
    }
    void Refresca()
    {
        for (TTable* t : {Dat->TSistem, Dat->TExped, Dat->TConsultas}) {
            if (!t->Active()) t->Open();
            t->Refresh();
            t->First();
        }
    }
    void Cambia(const char* tabla, const QString& asignacion)
    {
        Sql(QStringLiteral("UPDATE %1 SET %2").arg(QString::fromLatin1(tabla), asignacion));
        Refresca();
    }
    void Sql(const QString& sql)
    {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.ExecSQL();
    }

    // The dialog's pick lists: the case file's clients and opposing parties, any court agent,
    // any opposing lawyer, each entry with a bookmark of its row.
    TQuery* Consulta(const QString& sql)
    {
        auto q = std::make_unique<TQuery>(nullptr);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
        if (sql.contains(QLatin1String(":ANO"))) {
            q->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString());
            q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
        }
        q->Open();
        consultas.push_back(std::move(q));
        return consultas.back().get();
    }
    TListBox* Lista(TDataSet* ds)
    {
        auto l = std::make_unique<TListBox>(nullptr);
        for (ds->First(); !ds->Eof(); ds->Next()) {
            marcas.push_back(std::make_unique<TBookmarkObject>(ds->GetBookmark()));
            l->Items()->AddObject(ds->FieldByName(QStringLiteral("NOMBRE"))->AsString(), marcas.back().get());
        }
        lista.push_back(std::move(l));
        return lista.back().get();
    }
    void Picks()
    {
        auto& o = documents::OrigenFusion;
        o.TExpCli = Consulta(QStringLiteral(
            "SELECT A.*, B.*, C.REFCLI FROM EXPCLI A, CLIENTES B, EXPED C WHERE A.CLIENTE = B.CLIENTE AND C.ANO = A.ANO "
            "AND C.NUMERO = A.NUMERO AND A.ANO = :ANO AND A.NUMERO = :NUMERO ORDER BY B.APELLIDOS, B.NOMBRE"));
        o.TExpCon = Consulta(QStringLiteral(
            "SELECT A.*, B.*, C.REFCON FROM EXPCON A, CONTRARIOS B, EXPED C WHERE A.CONTRARIO = B.CONTRARIO AND C.ANO = A.ANO "
            "AND C.NUMERO = A.NUMERO AND A.ANO = :ANO AND A.NUMERO = :NUMERO ORDER BY B.APELLIDOS, B.NOMBRE"));
        o.TPro = Consulta(QStringLiteral("SELECT * FROM PROCU ORDER BY APELLIDOS, NOMBRE"));
        o.TAbo = Consulta(QStringLiteral("SELECT * FROM ABOGADOS ORDER BY APELLIDOS, NOMBRE"));
        o.LCli2 = Lista(o.TExpCli);
        o.LCon2 = Lista(o.TExpCon);
        o.LDesCli = Lista(o.TExpCli);
        o.LDesCon = Lista(o.TExpCon);
        o.LDesPro = Lista(o.TPro);
        o.LDesAbo = Lista(o.TAbo);
    }

    // The found fields of a model, each its own value until a provider sets it.
    void Campos(const QStringList& campos)
    {
        CamposEncontrados->Clear();
        ValoresCampos->Clear();
        for (const QString& c : campos) {
            CamposEncontrados->Add(c);
            ValoresCampos->Add(c);
        }
    }
    QString Valor(const QString& campo) const
    {
        for (int i = 0; i < CamposEncontrados->Count(); ++i)
            if (CamposEncontrados->Strings(i) == campo) return ValoresCampos->Strings(i);
        return QStringLiteral("<no encontrado>");
    }
    // The case-file dialog's providers in its order.
    static void ProveedoresExpediente()
    {
        for (auto p : {RellenaPrimerCliente, RellenaSegundoCliente, RellenaTercerCliente, RellenaCuartoCliente,
                       RellenaPrimerContrario, RellenaSegundoContrario, RellenaTercerContrario, RellenaCuartoContrario,
                       RellenaBufete, RellenaExpediente, RellenaProcuradorCliente, RellenaAbogadoCliente,
                       RellenaProcuradorContrario, RellenaAbogadoContrario, RellenaPerito, RellenaEconomicosExpediente,
                       RellenaOtros})
            p();
    }
    static void ProveedoresConsulta()
    {
        for (auto p : {RellenaClienteConsulta, RellenaBufete, RellenaConsultas, RellenaAbogadoCliente,
                       RellenaEconomicosConsulta, RellenaOtros})
            p();
    }
    int Agenda(const QString& where = QStringLiteral("1=1"))
    {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS N FROM AGENDA WHERE ") + where);
        q.Open();
        return q.Fields()->Fields(0)->AsInteger();
    }

    QStringList abiertos;
    std::vector<std::unique_ptr<TQuery>> consultas;
    std::vector<std::unique_ptr<TListBox>> lista;
    std::vector<std::unique_ptr<TBookmarkObject>> marcas;
};

}  // namespace fusiontest
