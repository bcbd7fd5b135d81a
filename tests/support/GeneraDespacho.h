#pragma once
// Fills a data folder whose tables exist (a data module has opened it once) with a plausible
// office: lawyers, clients, opposing parties, court agents, courts and procedures, case files and
// consultations spread over lawyers and years, with the counters level with what it wrote.
// Written through the data layer, so the same office lands in the folder's file or on the
// server set for the folder; a hundred thousand case files take seconds in a file. The same
// seed gives the same office.
// The benchmarks of the database layer and of the grids, which need no office, make their own
// plain tables here too (TablaPlana).
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

namespace zbtest {

struct TTamDespacho {
    int Expedientes = 50;
    int Consultas = 20;
    int Abogados = 10;
    int Anos = 10;
    int UltimoAno = 2026;
    int Clientes = 0;  // 0: one per four case files (at least 20)
    unsigned Semilla = 27;
    // Invoices of the invoiced and closed case files and consultations, and a provision of funds
    // for every second case file.
    bool Economia = false;
    // False: the folder keeps the currency the program gave it when it made it.
    bool FijaMoneda = true;
    // Ledger entries and agenda rows spread over the case files, on top of the above.
    int Apuntes = 0;
    int Citas = 0;
};

// A date as the engine stores it: days since 30/12/1899.
inline double Serie(int ano, int mes, int dia) { return double(QDate(1899, 12, 30).daysTo(QDate(ano, mes, dia))); }
inline int AnoDeSerie(double serie) { return QDate(1899, 12, 30).addDays(qint64(serie)).year(); }

inline QString NumeroExpediente(int i) {
    return QString::number(i).rightJustified(5, QLatin1Char('0')) + QLatin1Char('-') + QChar(u'A' + (i % 3));
}

// Statements of the program's SQL on a folder's data, whichever engine holds them: the
// connection the data module of this process uses for the folder, or the one given.
class TGenerador {
public:
    explicit TGenerador(const QString& carpeta) : FConn(Session->FolderConnection(carpeta)) {}
    explicit TGenerador(std::shared_ptr<platform::db::TConnection> conexion) : FConn(std::move(conexion)) {}
    platform::db::TConnection& Conexion() const { return *FConn; }

    // Runs a statement once; gives the rows it changed.
    qint64 Exec(const QString& sql) {
        auto st = Prepara(sql);
        st->Step();
        return st->RowsAffected();
    }
    // The first column of the first row of a query (invalid without rows).
    QVariant Valor(const QString& sql) {
        auto st = Prepara(sql);
        return st->Step() ? st->Column(0) : QVariant();
    }
    // Every row of a query, its columns in order.
    std::vector<std::vector<QVariant>> Consulta(const QString& sql) {
        auto st = Prepara(sql);
        std::vector<std::vector<QVariant>> r;
        while (st->Step()) {
            r.emplace_back();
            for (int c = 0; c < st->ColumnCount(); ++c) r.back().push_back(st->Column(c));
        }
        return r;
    }
    // One transaction around several statements (none when the connection is in one already).
    void Empieza() {
        FPropia = !FConn->InTransaction();
        if (FPropia) FConn->StartTransaction();
    }
    void Termina() {
        if (FPropia) FConn->Commit();
        FPropia = false;
    }
    void Deshace() {
        if (FPropia && FConn->InTransaction()) FConn->Rollback();
        FPropia = false;
    }

    // Binds the values in order and runs the statement once.
    template <class... V>
    void Fila(platform::db::TStatement* st, const V&... valores) {
        int i = 0;
        (st->Bind(i++, Dato(valores)), ...);
        st->Step();
        st->Reset();
    }
    template <class... V>
    void Fila(const std::unique_ptr<platform::db::TStatement>& st, const V&... valores) {
        Fila(st.get(), valores...);
    }
    // The same with the values of a row in a list.
    void Fila(platform::db::TStatement* st, const std::vector<QVariant>& valores) {
        for (int i = 0; i < int(valores.size()); ++i) st->Bind(i, valores[size_t(i)]);
        st->Step();
        st->Reset();
    }
    std::unique_ptr<platform::db::TStatement> Prepara(const QString& sql) { return FConn->Prepare(FConn->TranslateSql(sql)); }
    // Runs `sql` once per row: `fila(i)` gives the values of row i (0 up) as a tuple.
    template <class F>
    void Filas(const QString& sql, int filas, F fila) {
        auto st = Prepara(sql);
        for (int i = 0; i < filas; ++i) std::apply([&](const auto&... v) { Fila(st.get(), v...); }, fila(i));
    }

private:
    static QVariant Dato(int v) { return QVariant(qlonglong(v)); }
    static QVariant Dato(double v) { return QVariant(v); }
    static QVariant Dato(const QString& s) { return QVariant(s); }
    static QVariant Dato(const QVariant& v) { return v; }
    std::shared_ptr<platform::db::TConnection> FConn;
    bool FPropia = false;
};

inline const QStringList& Nombres() {
    static const QStringList l = {"María",  "José",    "Carmen", "Antonio", "Ana",    "Manuel", "Lucía",  "Francisco",
                                  "Isabel", "Javier",  "Pilar",  "Jesús",   "Elena",  "Miguel", "Rosa",   "Ángel",
                                  "Teresa", "Rafael",  "Marta",  "Pedro",   "Begoña", "Íñigo",  "Nuria",  "Joaquín"};
    return l;
}
inline const QStringList& Apellidos() {
    static const QStringList l = {"García",    "Fernández", "González", "Rodríguez", "López",   "Martínez", "Sánchez",
                                  "Pérez",     "Gómez",     "Martín",   "Jiménez",   "Ruiz",    "Hernández", "Díaz",
                                  "Moreno",    "Muñoz",     "Álvarez",  "Romero",    "Alonso",  "Gutiérrez", "Navarro",
                                  "Torres",    "Domínguez", "Vázquez",  "Ramos",     "Gil",     "Ramírez",  "Serrano",
                                  "Blanco",    "Molina",    "Castillo", "Ortega",    "Rubio",   "Iglesias", "Peña",
                                  "Ibáñez",    "Núñez",     "Garrido",  "Calvo",     "Lozano"};
    return l;
}
inline const QStringList& Tribunales() {
    static const QStringList l = {"Juzgado 1ª Instancia nº 1", "Juzgado 1ª Instancia nº 3", "Juzgado de lo Social nº 2",
                                  "Juzgado de lo Penal nº 4",  "Audiencia Provincial",     "Juzgado Contencioso nº 1",
                                  "Tribunal Superior",         "Juzgado de Instrucción nº 5"};
    return l;
}
inline const QStringList& Procedimientos() {
    static const QStringList l = {"Juicio Ordinario", "Juicio Verbal",      "Monitorio",  "Divorcio Contencioso",
                                  "Despido",          "Reclamación Cantidad", "Desahucio", "Diligencias Previas",
                                  "Recurso de Apelación", "Ejecución Títulos"};
    return l;
}
inline const QStringList& Poblaciones() {
    static const QStringList l = {"Logroño", "Zaragoza", "Pamplona", "Burgos", "Valladolid", "Salamanca", "Cáceres", "Ávila"};
    return l;
}

// What GeneraDespacho writes, inside its transaction.
inline void EscribeDespacho(TGenerador& g, const TTamDespacho& tam) {
    std::mt19937 rnd(tam.Semilla);
    auto uno = [&](const QStringList& l) { return l.at(int(rnd() % unsigned(l.size()))); };
    auto nombre = [&]() { return uno(Nombres()); };
    auto apellidos = [&]() { return uno(Apellidos()) + QLatin1Char(' ') + uno(Apellidos()); };
    const int clientes = tam.Clientes > 0 ? tam.Clientes : std::max(20, tam.Expedientes / 4);
    const int contrarios = std::max(20, clientes / 2);
    const int procus = 40;
    g.Exec(tam.FijaMoneda ? QStringLiteral("UPDATE sistem SET EMPRESA = 'Bufete Ortega & Asociados', MONEDA = 'E'")
                          : QStringLiteral("UPDATE sistem SET EMPRESA = 'Bufete Ortega & Asociados'"));
    auto st = g.Prepara(QStringLiteral("INSERT INTO abocli (ABOCLI, NOMBRE, APELLIDOS, POBLACION) VALUES (?,?,?,?)"));
    for (int i = 1; i <= tam.Abogados; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    st = g.Prepara(QStringLiteral("INSERT INTO clientes (CLIENTE, NOMBRE, APELLIDOS, POBLACION, DNI) VALUES (?,?,?,?,?)"));
    for (int i = 1; i <= clientes; ++i)
        g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()), QString::number(10000000 + int(rnd() % 89999999)));
    st = g.Prepara(QStringLiteral("INSERT INTO contrarios (CONTRARIO, NOMBRE, APELLIDOS, POBLACION) VALUES (?,?,?,?)"));
    for (int i = 1; i <= contrarios; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    st = g.Prepara(QStringLiteral("INSERT INTO procu (PROCU, NOMBRE, APELLIDOS, PARTIDO) VALUES (?,?,?,?)"));
    for (int i = 1; i <= procus; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    st = g.Prepara(QStringLiteral("INSERT INTO abogados (ABOGADO, NOMBRE, APELLIDOS) VALUES (?,?,?)"));
    for (int i = 1; i <= 30; ++i) g.Fila(st, i, nombre(), apellidos());
    // Courts and procedures the folder may hold already stay as they are.
    for (const auto& [tabla, columna, lista] : {std::tuple("tribunales", "TRIBUNAL", &Tribunales()),
                                                std::tuple("procedimientos", "PROCEDIMIENTO", &Procedimientos())}) {
        auto hay = g.Prepara(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?").arg(QLatin1String(tabla), QLatin1String(columna)));
        st = g.Prepara(QStringLiteral("INSERT INTO %1 (%2) VALUES (?)").arg(QLatin1String(tabla), QLatin1String(columna)));
        for (const QString& v : *lista) {
            hay->Bind(0, v);
            const bool esta = hay->Step() && hay->Column(0).toLongLong() > 0;
            hay->Reset();
            if (!esta) g.Fila(st, v);
        }
    }

    auto ex = g.Prepara(QStringLiteral(
        "INSERT INTO exped (ANO, NUMERO, FECHAAPERTURA, CLIENTE, ABOCLI, PROCLI, CONTRARIO, ABOCON, PROCON, PERITO, "
        "SITUACION, PROCEDIMIENTO, TRIBUNAL, AUTOS, AUTOS1, IMPORTE, MONEDA, ASUNTO) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    auto ec = g.Prepara(QStringLiteral("INSERT INTO expcli (ANO, NUMERO, CLIENTE) VALUES (?,?,?)"));
    auto eo = g.Prepara(QStringLiteral("INSERT INTO expcon (ANO, NUMERO, CONTRARIO) VALUES (?,?,?)"));
    // The highest number written in each year, of case files and of consultations; and the
    // place of each in the order written (its record identity in a table written empty).
    QMap<int, QString> ultimoExp, ultimaCon;
    QHash<QString, int> ordenExp, ordenCon;
    for (int i = 0; i < tam.Expedientes; ++i) {
        const int ano = tam.UltimoAno - i % tam.Anos;
        const QString numero = NumeroExpediente(i / tam.Anos + 1);
        const QString anoTxt = QString::number(ano);
        const int cliente = 1 + int(rnd() % unsigned(clientes));
        const int contrario = 1 + int(rnd() % unsigned(contrarios));
        const double fecha = Serie(ano, 1 + int(rnd() % 12), 1 + int(rnd() % 28));
        const QString autos = QStringLiteral("%1/%2").arg(int(rnd() % 2000)).arg(ano % 100, 2, 10, QLatin1Char('0'));
        const QString autos1 = rnd() % 4 == 0 ? QStringLiteral("%1/%2").arg(int(rnd() % 2000)).arg(ano % 100) : QString();
        g.Fila(ex, anoTxt, numero, fecha, cliente, 1 + i % tam.Abogados, 1 + int(rnd() % procus), contrario,
               1 + int(rnd() % 30), 1 + int(rnd() % procus), 0, 1 + int(rnd() % 3), uno(Procedimientos()),
               uno(Tribunales()), autos, autos1, double(int(rnd() % 600000)) / 100.0, QStringLiteral("E"),
               QStringLiteral("Asunto %1").arg(i + 1));
        g.Fila(ec, anoTxt, numero, cliente);
        if (rnd() % 5 == 0) {
            const int otro = 1 + int(rnd() % unsigned(clientes));
            if (otro != cliente) g.Fila(ec, anoTxt, numero, otro);
        }
        g.Fila(eo, anoTxt, numero, contrario);
        ultimoExp[ano] = std::max(ultimoExp.value(ano), numero);
        ordenExp.insert(anoTxt + QLatin1Char('/') + numero, i + 1);
    }
    auto co = g.Prepara(QStringLiteral(
        "INSERT INTO consultas (ANO, NUMERO, ABOCLI, ABOENT, SITUACION, TIPO, NOMCLIENTE, FECHAENTRADA, IMPORTE, CLIENTE, "
        "MONEDA) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
    static const QStringList tipos = {"Civil", "Laboral", "Penal", "Administrativo", "Familia"};
    for (int i = 0; i < tam.Consultas; ++i) {
        const int ano = tam.UltimoAno - i % tam.Anos;
        const double fecha = Serie(ano, 1 + int(rnd() % 12), 1 + int(rnd() % 28));
        g.Fila(co, QString::number(ano), NumeroExpediente(i / tam.Anos + 1), 1 + i % tam.Abogados,
               1 + int(rnd() % unsigned(tam.Abogados)), 1 + int(rnd() % 3), uno(tipos), apellidos() + QLatin1Char(',') + nombre(),
               fecha, double(int(rnd() % 30000)) / 100.0, 0, QStringLiteral("E"));
        ultimaCon[ano] = std::max(ultimaCon.value(ano), NumeroExpediente(i / tam.Anos + 1));
        ordenCon.insert(QString::number(ano) + QLatin1Char('/') + NumeroExpediente(i / tam.Anos + 1), i + 1);
    }
    // The case file of the i-th entry, in the order the case files were written.
    auto caso = [&](int i) {
        const int e = i % std::max(1, tam.Expedientes);
        return std::tuple(QString::number(tam.UltimoAno - e % tam.Anos), NumeroExpediente(e / tam.Anos + 1));
    };
    g.Filas(QStringLiteral("INSERT INTO cuentas (ANO, NUMERO, FECHA, ORDEN, TIPO, IMPORTE, CONCEPTO, CUENTA) VALUES (?,?,?,?,?,?,?,?)"),
            tam.Apuntes, [&](int i) {
                const auto [ano, numero] = caso(i);
                const int tipo = 1 + i % 4;
                // Provisions are what the client pays in: they lower the balance.
                return std::tuple(ano, numero, Serie(ano.toInt(), 1 + i % 12, 1 + i % 28), tam.Expedientes + i + 1, tipo,
                                  (tipo == 3 ? -1.0 : 1.0) * (10.0 + i % 1000),
                                  QString::fromUtf8(tipo == 3 ? "Provisión de fondos" : "Honorarios"), QStringLiteral("70000"));
            });
    g.Filas(QStringLiteral("INSERT INTO agenda (ABOCLI, FECHA, HORA, ORDEN, TIPO, ANO, NUMERO, CODIGO, TIPOAGENDA, SITUACION, USUARIO) "
                           "VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
            tam.Citas, [&](int i) {
                const auto [ano, numero] = caso(i);
                return std::tuple(1 + i % tam.Abogados, Serie(ano.toInt(), 1 + i % 12, 1 + i % 28), (i % 40) / 48.0, i + 1,
                                  QStringLiteral("E"), ano, numero, 0, QStringLiteral("GENERAL"),
                                  QStringLiteral("Vista oral en el juzgado"), QStringLiteral("SUPERVISOR"));
            });
    // The highest invoice number dated in each year, of case files and consultations alike.
    QMap<int, int> ultimaFactura;
    int ultimoApunte = tam.Apuntes > 0 ? tam.Expedientes + tam.Apuntes : 0;
    if (tam.Economia) {
        const auto importe = [](double v) { return QString::number(v, 'f', 2).toDouble(); };
        // Every fourth invoice is still without number; every second case file has a provision.
        auto fa = g.Prepara(QStringLiteral("UPDATE exped SET FACTURA = ?, FECHAFACTURA = ?, DERECHOS = ?, SUPLIDOS = 0, GASTOS = 0, "
                                           "IVA = 16, IRPF = 0, IMPIVA = ?, IMPIRPF = 0, TOTAL = ? WHERE ANO = ? AND NUMERO = ?"));
        auto pr = g.Prepara(QStringLiteral("INSERT INTO cuentas (ANO, NUMERO, ORDEN, FECHA, TIPO, CONCEPTO, IMPORTE) VALUES (?,?,?,?,3,?,?)"));
        for (const auto& f : g.Consulta(QStringLiteral("SELECT ANO, NUMERO, SITUACION, IMPORTE, FECHAAPERTURA FROM exped"))) {
            const int id = ordenExp.value(f[0].toString() + QLatin1Char('/') + f[1].toString());
            if (id == 0) continue;  // not one of ours
            const double imp = f[3].toDouble(), apertura = f[4].toDouble();
            if (f[2].toInt() >= 2) {
                const int factura = id % 4 == 0 ? 0 : id;
                g.Fila(fa, factura, apertura + 20, imp, importe(imp * 0.16), importe(imp * 1.16), f[0], f[1]);
                if (factura) ultimaFactura[AnoDeSerie(apertura + 20)] = std::max(ultimaFactura.value(AnoDeSerie(apertura + 20)), factura);
            }
            if (id % 2 == 0) {
                g.Fila(pr, f[0], f[1], id, apertura + 5, QString::fromUtf8("Provisión de fondos"), -50.0 * (1 + id % 5));
                ultimoApunte = std::max(ultimoApunte, id);
            }
        }
        fa = g.Prepara(QStringLiteral("UPDATE consultas SET FACTURA = ?, FECHAFACTURA = ?, IVA = 16, IMPIVA = ?, IPRF = 0, "
                                      "IMPIRPF = 0, TOTAL = ? WHERE ANO = ? AND NUMERO = ?"));
        for (const auto& f : g.Consulta(QStringLiteral("SELECT ANO, NUMERO, SITUACION, IMPORTE, FECHAENTRADA FROM consultas WHERE SITUACION >= 2"))) {
            const int id = ordenCon.value(f[0].toString() + QLatin1Char('/') + f[1].toString());
            if (id == 0) continue;
            const double imp = f[3].toDouble(), fecha = f[4].toDouble() + 10;
            const int factura = id % 4 == 0 ? 0 : 1000 + id;
            g.Fila(fa, factura, fecha, importe(imp * 0.16), importe(imp * 1.16), f[0], f[1]);
            if (factura) ultimaFactura[AnoDeSerie(fecha)] = std::max(ultimaFactura.value(AnoDeSerie(fecha)), factura);
        }
    }
    // The counters stand at the last number written, as the program leaves them: "Nuevo"
    // proposes a year's last case file or consultation, invoicing the number after the year's
    // last invoice, and a record added later gets the code after the last one.
    g.Exec(QStringLiteral("UPDATE sistem SET ABOCLI = %1, CLIENTE = %2, CONTRARIO = %3, PROCU = %4, ABOGADO = 30")
               .arg(tam.Abogados)
               .arg(clientes)
               .arg(contrarios)
               .arg(procus));
    if (tam.Citas > 0) g.Exec(QStringLiteral("UPDATE sistem SET AGENDA = %1").arg(tam.Citas));
    if (ultimoApunte > 0) g.Exec(QStringLiteral("UPDATE sistem SET CUENTAS = %1").arg(ultimoApunte));
    auto borra = g.Prepara(QStringLiteral("DELETE FROM tabcon WHERE ANO = ?"));
    st = g.Prepara(QStringLiteral("INSERT INTO tabcon (ANO, CONTEXP, NUMFACTU, CONTCON) VALUES (?,?,?,?)"));
    for (int a = 0; a < tam.Anos; ++a) {
        const int ano = tam.UltimoAno - a;
        g.Fila(borra, ano);
        g.Fila(st, ano, ultimoExp.value(ano), ultimaFactura.value(ano), ultimaCon.value(ano));
    }
}

// Fills the data `g` reaches, all or nothing; the numbers follow from `tam`.
inline void GeneraDespacho(TGenerador& g, const TTamDespacho& tam) {
    g.Empieza();
    try {
        EscribeDespacho(g, tam);
    } catch (...) {
        g.Deshace();
        throw;
    }
    g.Termina();
}

// Fills `carpeta` through the connection the data module of this process uses for it.
inline void GeneraDespacho(const QString& carpeta, const TTamDespacho& tam) {
    TGenerador g(carpeta);
    GeneraDespacho(g, tam);
}

// A field of a plain table: name, type and size.
struct TCampoPlano {
    const char* Nombre;
    TFieldType Tipo;
    int Tam = 0;
};

// Makes `tabla` in `carpeta` with `campos`, the first one required, and the primary key `clave`;
// then writes `filas` rows in one transaction, `fila(i)` giving the values of row i (0 up) in the
// fields' order: straight into the folder's file, or through the connection to the server set
// for the folder.
inline void TablaPlana(const QString& carpeta, const QString& tabla, std::initializer_list<TCampoPlano> campos,
                       const QString& clave, int filas, const std::function<std::vector<QVariant>(int)>& fila) {
    QStringList nombres;
    {
        TComponent owner(nullptr);
        auto* t = new TTable(&owner);
        t->SetDatabaseName(carpeta);
        t->SetTableName(tabla);
        for (const TCampoPlano& c : campos) {
            t->FieldDefs()->Add(QString::fromLatin1(c.Nombre), c.Tipo, c.Tam, nombres.isEmpty());
            nombres << QString::fromLatin1(c.Nombre);
        }
        t->IndexDefs()->Add(QString(), clave, ixPrimary);
        t->CreateTable();
    }
    if (!platform::db::DataServer(carpeta).isEmpty()) {
        auto conn = Session->FolderConnection(carpeta);
        conn->StartTransaction();
        for (int i = 0; i < filas; ++i) conn->Insert(tabla, nombres, fila(i));
        conn->Commit();
        return;
    }
    TGenerador g(carpeta);
    auto st = g.Prepara(QStringLiteral("INSERT INTO %1 (%2) VALUES (?%3)")
                            .arg(tabla, nombres.join(QLatin1Char(',')), QStringLiteral(",?").repeated(nombres.size() - 1)));
    g.Empieza();
    for (int i = 0; i < filas; ++i) g.Fila(st.get(), fila(i));
    g.Termina();
}

}  // namespace zbtest
