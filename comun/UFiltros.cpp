#include "comun/UFiltros.h"

#include "comun/Alcance.h"
#include "platform/db/DB.h"

#include <QStringList>
#include <algorithm>

TFiltroExpedientes FiltroExp;
TFiltroConsultas FiltroCon;

bool TFilasFiltro::Agrega(const QString& etiqueta, const QString& valor) {
    FActivo = true;
    for (int i = 0; i < Filas; ++i) {
        QString& e = FEtiqueta[size_t(i)];
        if (!e.isEmpty() && e != etiqueta) continue;
        if (e.isEmpty()) FUltima = i;
        e = etiqueta;
        FValor[size_t(i)] = valor;
        return true;
    }
    return false;
}

QString TFilasFiltro::Quita(int fila) {
    // A row below the used ones holds no criterion: removing it must not hide one that is.
    if (!Dentro(fila) || FEtiqueta[size_t(fila)].isEmpty()) return QString();
    const QString etiqueta = FEtiqueta[size_t(fila)];
    for (int i = fila; i < Filas - 1; ++i) {
        FEtiqueta[size_t(i)] = FEtiqueta[size_t(i + 1)];
        FValor[size_t(i)] = FValor[size_t(i + 1)];
    }
    FEtiqueta[Filas - 1].clear();
    FValor[Filas - 1].clear();
    FUltima = std::max(0, FUltima - 1);
    return etiqueta;
}


int TFilasFiltro::Usadas() const {
    int n = 0;
    for (const QString& e : FEtiqueta) n += e.isEmpty() ? 0 : 1;
    return n;
}

namespace comun {

QString LiteralSql(const QString& texto) {
    QString t = texto;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

bool AceptaAbogado(const TSeleccionPrincipal& sel, int abocli) {
    if (sel.PorAbogado) return Alcanza(sel.AbogadoUsuario, sel.AbogadoElegido) && abocli == sel.AbogadoElegido;
    // "TODOS": every lawyer the user may reach, no more.
    return Alcanza(sel.AbogadoUsuario, abocli);
}

QString CondicionAbogado(const TSeleccionPrincipal& sel) {
    if (sel.PorAbogado) {
        if (!Alcanza(sel.AbogadoUsuario, sel.AbogadoElegido)) return QStringLiteral("0 = 1");
        return QStringLiteral("ABOCLI = %1").arg(sel.AbogadoElegido);
    }
    return CondicionAlcance(sel.AbogadoUsuario);
}

}  // namespace comun

namespace {

using comun::LiteralSql;

// Exact, case-sensitive equality of a text column; an empty value also matches a missing one.
QString TextoIgual(const char* columna, const QString& valor) {
    const QString c = QString::fromLatin1(columna);
    if (valor.isEmpty()) return QStringLiteral("(%1 IS NULL OR %1 = '')").arg(c);
    return QStringLiteral("%1 = %2").arg(c, LiteralSql(valor));
}

QString Texto(TDataSet* ds, const char* campo) { return ds->FieldByName(QString::fromLatin1(campo))->AsString(); }
int Entero(TDataSet* ds, const char* campo) { return ds->FieldByName(QString::fromLatin1(campo))->AsInteger(); }

void Comun(QStringList& c, const TSeleccionPrincipal& sel) {
    const QString abogado = comun::CondicionAbogado(sel);
    if (!abogado.isEmpty()) c << abogado;
    if (sel.PorAno) c << TextoIgual("ANO", sel.Ano);
}

QString Une(const QStringList& c) { return c.join(QStringLiteral(" AND ")); }

}  // namespace

void TFiltroExpedientes::QuitaCriterio(const QString& e) {
    if (e == u"CLIENTE") FiltroCliente = 0;
    else if (e == u"PRO. CLIENTE") FiltroProCli = 0;
    else if (e == u"CONTRARIO") FiltroContrario = 0;
    else if (e == u"ABO. CONTRARIO") FiltroAboCon = 0;
    else if (e == u"PRO. CONTRARIO") FiltroProCon = 0;
    else if (e == u"PERITO") FiltroPerito = 0;
    else if (e == u"PROCEDIMIENTO") FiltroProcedimiento = QStringLiteral(" ");
    else if (e == u"TRIBUNAL") FiltroTribunal = QStringLiteral(" ");
    else if (e == QStringLiteral("Nº AUTOS")) FiltroAutos = QStringLiteral(" ");
    else if (e == QStringLiteral("SITUACIÓN")) FiltroSituacion = 0;
}

QString TFiltroExpedientes::Sql(const TSeleccionPrincipal& sel) const {
    QStringList c;
    Comun(c, sel);
    if (FiltroAboCon != 0) c << QStringLiteral("ABOCON = %1").arg(FiltroAboCon);
    // Any client of the case file, not only its main one: EXPCLI's index on CLIENTE answers it.
    if (FiltroCliente != 0)
        c << QStringLiteral("(ANO, NUMERO) IN (SELECT ANO, NUMERO FROM EXPCLI WHERE CLIENTE = %1)").arg(FiltroCliente);
    if (FiltroProCli != 0) c << QStringLiteral("PROCLI = %1").arg(FiltroProCli);
    if (FiltroProCon != 0) c << QStringLiteral("PROCON = %1").arg(FiltroProCon);
    if (FiltroPerito != 0) c << QStringLiteral("PERITO = %1").arg(FiltroPerito);
    if (FiltroContrario != 0)
        c << QStringLiteral("(ANO, NUMERO) IN (SELECT ANO, NUMERO FROM EXPCON WHERE CONTRARIO = %1)").arg(FiltroContrario);
    if (FiltroProcedimiento != u" ") c << TextoIgual("PROCEDIMIENTO", FiltroProcedimiento);
    if (FiltroTribunal != u" ") c << TextoIgual("TRIBUNAL", FiltroTribunal);
    if (FiltroAutos != u" ")
        c << QStringLiteral("(%1 OR %2)").arg(TextoIgual("AUTOS", FiltroAutos), TextoIgual("AUTOS1", FiltroAutos));
    if (FiltroSituacion != 0) c << QStringLiteral("SITUACION = %1").arg(FiltroSituacion);
    return Une(c);
}

bool TFiltroExpedientes::Acepta(TDataSet* ds, const TSeleccionPrincipal& sel, TDataSet* expCli, TDataSet* expCon) const {
    if (!comun::AceptaAbogado(sel, Entero(ds, "ABOCLI"))) return false;
    if (sel.PorAno && Texto(ds, "ANO") != sel.Ano) return false;
    if (FiltroAboCon != 0 && Entero(ds, "ABOCON") != FiltroAboCon) return false;
    const QString ano = Texto(ds, "ANO"), numero = Texto(ds, "NUMERO");
    if (FiltroCliente != 0 &&
        !expCli->Locate(QStringLiteral("ANO;NUMERO;CLIENTE"), VarArrayOf({ano, numero, FiltroCliente}), 0))
        return false;
    if (FiltroProCli != 0 && Entero(ds, "PROCLI") != FiltroProCli) return false;
    if (FiltroProCon != 0 && Entero(ds, "PROCON") != FiltroProCon) return false;
    if (FiltroPerito != 0 && Entero(ds, "PERITO") != FiltroPerito) return false;
    if (FiltroContrario != 0 &&
        !expCon->Locate(QStringLiteral("ANO;NUMERO;CONTRARIO"), VarArrayOf({ano, numero, FiltroContrario}), 0))
        return false;
    if (FiltroProcedimiento != u" " && Texto(ds, "PROCEDIMIENTO") != FiltroProcedimiento) return false;
    if (FiltroTribunal != u" " && Texto(ds, "TRIBUNAL") != FiltroTribunal) return false;
    if (FiltroAutos != u" " && Texto(ds, "AUTOS") != FiltroAutos && Texto(ds, "AUTOS1") != FiltroAutos) return false;
    if (FiltroSituacion != 0 && Entero(ds, "SITUACION") != FiltroSituacion) return false;
    return true;
}

void TFiltroConsultas::QuitaCriterio(const QString& e) {
    if (e == u"TIPO CONS.") FiltroTipoCon.clear();
    else if (e == u"CLIENTE") FiltroNomCliente.clear();
    else if (e == u"ABO. ENTRADA") FiltroAboEnt = 0;
    else if (e == QStringLiteral("SITUACIÓN")) FiltroSituacionCon = 0;
}

QString TFiltroConsultas::Sql(const TSeleccionPrincipal& sel) const {
    QStringList c;
    Comun(c, sel);
    if (FiltroAboEnt != 0) c << QStringLiteral("ABOENT = %1").arg(FiltroAboEnt);
    if (!FiltroNomCliente.isEmpty()) c << TextoIgual("NOMCLIENTE", FiltroNomCliente);
    if (!FiltroTipoCon.isEmpty()) c << TextoIgual("TIPO", FiltroTipoCon);
    if (FiltroSituacionCon != 0) c << QStringLiteral("SITUACION = %1").arg(FiltroSituacionCon);
    return Une(c);
}

bool TFiltroConsultas::Acepta(TDataSet* ds, const TSeleccionPrincipal& sel) const {
    if (!comun::AceptaAbogado(sel, Entero(ds, "ABOCLI"))) return false;
    if (sel.PorAno && Texto(ds, "ANO") != sel.Ano) return false;
    if (FiltroAboEnt != 0 && Entero(ds, "ABOENT") != FiltroAboEnt) return false;
    if (!FiltroNomCliente.isEmpty() && Texto(ds, "NOMCLIENTE") != FiltroNomCliente) return false;
    if (!FiltroTipoCon.isEmpty() && Texto(ds, "TIPO") != FiltroTipoCon) return false;
    if (FiltroSituacionCon != 0 && Entero(ds, "SITUACION") != FiltroSituacionCon) return false;
    return true;
}
