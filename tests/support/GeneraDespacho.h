#pragma once
// Fills a data folder whose tables exist (a data module has opened it once) with a plausible
// office: lawyers, clients, opposing parties, court agents, courts and procedures, case files and
// consultations spread over lawyers and years. Written straight into the SQLite file, so a
// hundred thousand case files take seconds. The same seed gives the same office.
// The benchmarks of the database layer and of the grids, which need no office, make their own
// plain tables here too (TablaPlana).
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <random>
#include <sqlite3.h>
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

inline QString NumeroExpediente(int i) {
    return QString::number(i).rightJustified(5, QLatin1Char('0')) + QLatin1Char('-') + QChar(u'A' + (i % 3));
}

class TGenerador {
public:
    explicit TGenerador(const QString& carpeta) {
        sqlite3_open_v2((carpeta + QStringLiteral("/zembra.db")).toUtf8().constData(), &FDb, SQLITE_OPEN_READWRITE, nullptr);
        platform::db::RegisterSqliteFunctions(FDb);
        sqlite3_busy_timeout(FDb, 10000);
    }
    ~TGenerador() { sqlite3_close(FDb); }
    sqlite3* Db() const { return FDb; }

    void Exec(const char* sql) { sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr); }

    // Binds the values in order and runs the statement once.
    template <class... V>
    void Fila(sqlite3_stmt* st, const V&... valores) {
        int i = 0;
        (Liga(st, ++i, valores), ...);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    // The same with the values of a row in a list.
    void Fila(sqlite3_stmt* st, const std::vector<QVariant>& valores) {
        for (int i = 0; i < int(valores.size()); ++i) {
            const QVariant& v = valores[size_t(i)];
            switch (v.typeId()) {
            case QMetaType::Int: Liga(st, i + 1, v.toInt()); break;
            case QMetaType::Double: Liga(st, i + 1, v.toDouble()); break;
            default: Liga(st, i + 1, v.toString());
            }
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_stmt* Prepara(const char* sql) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(FDb, sql, -1, &st, nullptr);
        return st;
    }
    // Runs `sql` once per row: `fila(i)` gives the values of row i (0 up) as a tuple.
    template <class F>
    void Filas(const char* sql, int filas, F fila) {
        sqlite3_stmt* st = Prepara(sql);
        for (int i = 0; i < filas; ++i) std::apply([&](const auto&... v) { Fila(st, v...); }, fila(i));
        sqlite3_finalize(st);
    }

private:
    static void Liga(sqlite3_stmt* st, int i, int v) { sqlite3_bind_int(st, i, v); }
    static void Liga(sqlite3_stmt* st, int i, double v) { sqlite3_bind_double(st, i, v); }
    static void Liga(sqlite3_stmt* st, int i, const QString& s) {
        const QByteArray b = s.toUtf8();
        sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    sqlite3* FDb = nullptr;
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

// Fills the folder; returns nothing, the numbers follow from `tam`.
inline void GeneraDespacho(const QString& carpeta, const TTamDespacho& tam) {
    TGenerador g(carpeta);
    std::mt19937 rnd(tam.Semilla);
    auto uno = [&](const QStringList& l) { return l.at(int(rnd() % unsigned(l.size()))); };
    auto nombre = [&]() { return uno(Nombres()); };
    auto apellidos = [&]() { return uno(Apellidos()) + QLatin1Char(' ') + uno(Apellidos()); };
    const int clientes = tam.Clientes > 0 ? tam.Clientes : std::max(20, tam.Expedientes / 4);
    const int contrarios = std::max(20, clientes / 2);
    const int procus = 40;
    g.Exec("BEGIN");
    g.Exec(tam.FijaMoneda ? "UPDATE sistem SET EMPRESA = 'Bufete Ortega & Asociados', MONEDA = 'E'"
                          : "UPDATE sistem SET EMPRESA = 'Bufete Ortega & Asociados'");
    sqlite3_stmt* st = g.Prepara("INSERT INTO abocli (ABOCLI, NOMBRE, APELLIDOS, POBLACION) VALUES (?,?,?,?)");
    for (int i = 1; i <= tam.Abogados; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    sqlite3_finalize(st);
    st = g.Prepara("INSERT INTO clientes (CLIENTE, NOMBRE, APELLIDOS, POBLACION, DNI) VALUES (?,?,?,?,?)");
    for (int i = 1; i <= clientes; ++i)
        g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()), QString::number(10000000 + int(rnd() % 89999999)));
    sqlite3_finalize(st);
    st = g.Prepara("INSERT INTO contrarios (CONTRARIO, NOMBRE, APELLIDOS, POBLACION) VALUES (?,?,?,?)");
    for (int i = 1; i <= contrarios; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    sqlite3_finalize(st);
    st = g.Prepara("INSERT INTO procu (PROCU, NOMBRE, APELLIDOS, PARTIDO) VALUES (?,?,?,?)");
    for (int i = 1; i <= procus; ++i) g.Fila(st, i, nombre(), apellidos(), uno(Poblaciones()));
    sqlite3_finalize(st);
    st = g.Prepara("INSERT INTO abogados (ABOGADO, NOMBRE, APELLIDOS) VALUES (?,?,?)");
    for (int i = 1; i <= 30; ++i) g.Fila(st, i, nombre(), apellidos());
    sqlite3_finalize(st);
    st = g.Prepara("INSERT OR IGNORE INTO tribunales (TRIBUNAL) VALUES (?)");
    for (const QString& t : Tribunales()) g.Fila(st, t);
    sqlite3_finalize(st);
    st = g.Prepara("INSERT OR IGNORE INTO procedimientos (PROCEDIMIENTO) VALUES (?)");
    for (const QString& p : Procedimientos()) g.Fila(st, p);
    sqlite3_finalize(st);
    st = g.Prepara("INSERT OR REPLACE INTO tabcon (ANO, CONTEXP, NUMFACTU, CONTCON) VALUES (?,?,?,?)");
    const int porAno = std::max(1, tam.Expedientes / tam.Anos + 1);
    for (int a = 0; a < tam.Anos; ++a) g.Fila(st, tam.UltimoAno - a, NumeroExpediente(porAno), 0, NumeroExpediente(porAno));
    sqlite3_finalize(st);

    sqlite3_stmt* ex = g.Prepara(
        "INSERT INTO exped (ANO, NUMERO, FECHAAPERTURA, CLIENTE, ABOCLI, PROCLI, CONTRARIO, ABOCON, PROCON, PERITO, "
        "SITUACION, PROCEDIMIENTO, TRIBUNAL, AUTOS, AUTOS1, IMPORTE, MONEDA, ASUNTO) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    sqlite3_stmt* ec = g.Prepara("INSERT OR IGNORE INTO expcli (ANO, NUMERO, CLIENTE) VALUES (?,?,?)");
    sqlite3_stmt* eo = g.Prepara("INSERT OR IGNORE INTO expcon (ANO, NUMERO, CONTRARIO) VALUES (?,?,?)");
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
        if (rnd() % 5 == 0) g.Fila(ec, anoTxt, numero, 1 + int(rnd() % unsigned(clientes)));
        g.Fila(eo, anoTxt, numero, contrario);
    }
    sqlite3_finalize(ex);
    sqlite3_finalize(ec);
    sqlite3_finalize(eo);
    sqlite3_stmt* co = g.Prepara(
        "INSERT INTO consultas (ANO, NUMERO, ABOCLI, ABOENT, SITUACION, TIPO, NOMCLIENTE, FECHAENTRADA, IMPORTE, CLIENTE, "
        "MONEDA) VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    static const QStringList tipos = {"Civil", "Laboral", "Penal", "Administrativo", "Familia"};
    for (int i = 0; i < tam.Consultas; ++i) {
        const int ano = tam.UltimoAno - i % tam.Anos;
        const double fecha = Serie(ano, 1 + int(rnd() % 12), 1 + int(rnd() % 28));
        g.Fila(co, QString::number(ano), NumeroExpediente(i / tam.Anos + 1), 1 + i % tam.Abogados,
               1 + int(rnd() % unsigned(tam.Abogados)), 1 + int(rnd() % 3), uno(tipos), apellidos() + QLatin1Char(',') + nombre(),
               fecha, double(int(rnd() % 30000)) / 100.0, 0, QStringLiteral("E"));
    }
    sqlite3_finalize(co);
    // The case file of the i-th entry, in the order the case files were written.
    auto caso = [&](int i) {
        const int e = i % std::max(1, tam.Expedientes);
        return std::tuple(QString::number(tam.UltimoAno - e % tam.Anos), NumeroExpediente(e / tam.Anos + 1));
    };
    g.Filas("INSERT INTO cuentas (ANO, NUMERO, FECHA, ORDEN, TIPO, IMPORTE, CONCEPTO, CUENTA) VALUES (?,?,?,?,?,?,?,?)",
            tam.Apuntes, [&](int i) {
                const auto [ano, numero] = caso(i);
                const int tipo = 1 + i % 4;
                // Provisions are what the client pays in: they lower the balance.
                return std::tuple(ano, numero, Serie(ano.toInt(), 1 + i % 12, 1 + i % 28), tam.Expedientes + i + 1, tipo,
                                  (tipo == 3 ? -1.0 : 1.0) * (10.0 + i % 1000),
                                  QString::fromUtf8(tipo == 3 ? "Provisión de fondos" : "Honorarios"), QStringLiteral("70000"));
            });
    g.Filas("INSERT INTO agenda (ABOCLI, FECHA, HORA, ORDEN, TIPO, ANO, NUMERO, CODIGO, TIPOAGENDA, SITUACION, USUARIO) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?)",
            tam.Citas, [&](int i) {
                const auto [ano, numero] = caso(i);
                return std::tuple(1 + i % tam.Abogados, Serie(ano.toInt(), 1 + i % 12, 1 + i % 28), (i % 40) / 48.0, i + 1,
                                  QStringLiteral("E"), ano, numero, 0, QStringLiteral("GENERAL"),
                                  QStringLiteral("Vista oral en el juzgado"), QStringLiteral("SUPERVISOR"));
            });
    // The counters go past the rows written, so records added later get new numbers.
    const QString contadores = QStringLiteral("UPDATE sistem SET ABOCLI = %1, CLIENTE = %2, CONTRARIO = %3, PROCU = %4, ABOGADO = 30")
                                   .arg(tam.Abogados)
                                   .arg(clientes)
                                   .arg(contrarios)
                                   .arg(procus);
    g.Exec(contadores.toUtf8().constData());
    if (tam.Citas > 0) g.Exec(QStringLiteral("UPDATE sistem SET AGENDA = %1").arg(tam.Citas).toUtf8().constData());
    if (tam.Economia) {
        // Every fourth invoice is still without number.
        g.Exec("UPDATE exped SET FACTURA = CASE WHEN rowid % 4 = 0 THEN 0 ELSE rowid END, "
               "FECHAFACTURA = FECHAAPERTURA + 20, DERECHOS = IMPORTE, SUPLIDOS = 0, GASTOS = 0, IVA = 16, IRPF = 0, "
               "IMPIVA = ROUND(IMPORTE * 0.16, 2), IMPIRPF = 0, TOTAL = ROUND(IMPORTE * 1.16, 2) WHERE SITUACION >= 2");
        g.Exec("UPDATE consultas SET FACTURA = CASE WHEN rowid % 4 = 0 THEN 0 ELSE 1000 + rowid END, "
               "FECHAFACTURA = FECHAENTRADA + 10, IVA = 16, IMPIVA = ROUND(IMPORTE * 0.16, 2), IPRF = 0, IMPIRPF = 0, "
               "TOTAL = ROUND(IMPORTE * 1.16, 2) WHERE SITUACION >= 2");
        g.Exec("INSERT INTO cuentas (ANO, NUMERO, ORDEN, FECHA, TIPO, CONCEPTO, IMPORTE) SELECT ANO, NUMERO, rowid, "
               "FECHAAPERTURA + 5, 3, 'Provisión de fondos', -50.0 * (1 + rowid % 5) FROM exped WHERE rowid % 2 = 0");
    }
    if (tam.Economia || tam.Apuntes > 0) g.Exec("UPDATE sistem SET CUENTAS = (SELECT IFNULL(MAX(ORDEN), 0) FROM cuentas)");
    g.Exec("COMMIT");
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
    const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (?%3)")
                               .arg(tabla, nombres.join(QLatin1Char(',')), QStringLiteral(",?").repeated(nombres.size() - 1))
                               .toUtf8();
    g.Exec("BEGIN");
    sqlite3_stmt* st = g.Prepara(sql.constData());
    for (int i = 0; i < filas; ++i) g.Fila(st, fila(i));
    sqlite3_finalize(st);
    g.Exec("COMMIT");
    g.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

}  // namespace zbtest
