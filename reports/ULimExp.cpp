#include "reports/ULimExp.h"

#include "comun/Alcance.h"
#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "platform/rtl/SysUtils.h"

TFLimExp::TFLimExp(TComponent* owner) : TForm(owner), Anio(FormatDateTime(QStringLiteral("yyyy"), Date())) {
    SetName(QStringLiteral("FLimExp"));
    SetCaption(QStringLiteral("Límites para el Informe"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(352);
    SetClientHeight(196);

    gbLimites = new TGroupBox(this);
    gbLimites->SetName(QStringLiteral("gbLimites"));
    gbLimites->SetParent(this);
    gbLimites->SetBounds(8, 6, 336, 144);
    rbTodos = comun::Hijo<TRadioButton>(this, gbLimites, "rbTodos", 14, 22, 140, 20);
    rbTodos->SetCaption(QStringLiteral("Todos"));
    rbTodos->SetChecked(true);
    rbLimite = comun::Hijo<TRadioButton>(this, gbLimites, "rbLimite", 14, 46, 140, 20);
    Label1 = comun::Hijo<TLabel>(this, gbLimites, "Label1", 14, 82, 60, 16);
    Label1->SetCaption(QStringLiteral("Desde :"));
    Label2 = comun::Hijo<TLabel>(this, gbLimites, "Label2", 14, 112, 60, 16);
    Label2->SetCaption(QStringLiteral("Hasta :"));

    auto consulta = [&](TQuery*& q, TDataSource*& ds, const char* nombre, const char* fuente, const QString& sql) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(QStringLiteral("ZEMBRA"));
        q->SQL()->SetText(sql);
        ds = new TDataSource(this);
        ds->SetName(QString::fromLatin1(fuente));
        ds->SetDataSet(q);
    };
    // Only the numbers of the case files the user may reach.
    const QString sqlExp = QStringLiteral("SELECT ANO, NUMERO FROM EXPED WHERE ANO = :ANO") + comun::YAlcance();
    const QString sqlPro = QStringLiteral("SELECT ABOCLI,APELLIDOS||','||NOMBRE AS NOM FROM ABOCLI");
    const QString sqlCli = QStringLiteral("SELECT CLIENTE,APELLIDOS||','||NOMBRE AS NOM FROM CLIENTES");
    consulta(QExpD, DSExpedD, "QExpD", "DSExpedD", sqlExp);
    consulta(QExpH, DSExpedH, "QExpH", "DSExpedH", sqlExp);
    consulta(QProD, DSProcuD, "QProD", "DSProcuD", sqlPro);
    consulta(QProH, DSProcuH, "QProH", "DSProcuH", sqlPro);
    consulta(QCliD, DSClienteD, "QCliD", "DSClienteD", sqlCli);
    consulta(QCliH, DSClienteH, "QCliH", "DSClienteH", sqlCli);

    // Lawyers and clients are told apart by their code, not by their name (two of one name).
    auto lista = [&](const char* name, TDataSource* ds, const char* clave, const char* campo, int top) {
        auto* cb = comun::Hijo<TDBLookupComboBox>(this, gbLimites, name, 80, top, 240, 22);
        cb->SetListSource(ds);
        cb->SetKeyField(QString::fromLatin1(clave));
        cb->SetListField(QString::fromLatin1(campo));
        cb->SetVisible(false);
        cb->SetEnabled(false);
        return cb;
    };
    cbNumeroDesde = lista("cbNumeroDesde", DSExpedD, "NUMERO", "NUMERO", 78);
    cbNumeroHasta = lista("cbNumeroHasta", DSExpedH, "NUMERO", "NUMERO", 108);
    cbProcuDesde = lista("cbProcuDesde", DSProcuD, "ABOCLI", "NOM", 78);
    cbProcuHasta = lista("cbProcuHasta", DSProcuH, "ABOCLI", "NOM", 108);
    cbClienteDesde = lista("cbClienteDesde", DSClienteD, "CLIENTE", "NOM", 78);
    cbClienteHasta = lista("cbClienteHasta", DSClienteH, "CLIENTE", "NOM", 108);

    btOk = new TBitBtn(this);
    btOk->SetName(QStringLiteral("btOk"));
    btOk->SetParent(this);
    btOk->SetBounds(82, 160, 88, 28);
    btOk->SetKind(bkOK);
    btOk->SetCaption(QStringLiteral("OK"));
    btNo = new TBitBtn(this);
    btNo->SetName(QStringLiteral("btNo"));
    btNo->SetParent(this);
    btNo->SetBounds(182, 160, 88, 28);
    btNo->SetKind(bkCancel);

    OnShow = TNotifyEvent(this, &TFLimExp::FormShow);
    rbLimite->OnClick = TNotifyEvent(this, &TFLimExp::rbLimiteClick);
    rbTodos->OnClick = TNotifyEvent(this, &TFLimExp::rbTodosClick);
    btOk->OnClick = TNotifyEvent(this, &TFLimExp::btOkClick);
}

TFLimExp::TPar TFLimExp::Par() const {
    const QString caption = gbLimites->Caption();
    if (caption == QStringLiteral("Número"))
        return {cbNumeroDesde, cbNumeroHasta, QExpD, QExpH, QStringLiteral("NUMERO")};
    if (caption == QStringLiteral("Abogado"))
        return {cbProcuDesde, cbProcuHasta, QProD, QProH, QStringLiteral("ABOCLI")};
    return {cbClienteDesde, cbClienteHasta, QCliD, QCliH, QStringLiteral("CLIENTE")};
}

void TFLimExp::MuestraPar(const TPar& par, bool enabled) {
    par.Desde->SetEnabled(enabled);
    par.Hasta->SetEnabled(enabled);
}

void TFLimExp::FormShow(TObject*) {
    // Only the checks of btOkClick close the dialog with OK.
    btOk->SetModalResult(mrNone);
    const TPar par = Par();
    par.Desde->SetVisible(true);
    par.Hasta->SetVisible(true);
}

void TFLimExp::rbLimiteClick(TObject*) {
    const TPar par = Par();
    for (TQuery* q : {par.QDesde, par.QHasta}) {
        q->Close();
        if (par.QDesde == QExpD) q->ParamByName(QStringLiteral("ANO"))->SetAsString(Anio);
        q->Open();
    }
    MuestraPar(par, true);
}

void TFLimExp::rbTodosClick(TObject*) { MuestraPar(Par(), false); }

void TFLimExp::btOkClick(TObject*) {
    if (rbLimite->Checked()) {
        const TPar par = Par();
        const Variant desde = par.Desde->KeyValue(), hasta = par.Hasta->KeyValue();
        if (VarIsNull(desde) || VarIsNull(hasta) || !par.QDesde->Active() || !par.QHasta->Active()) {
            MensajeError(QStringLiteral("Elija los límites DESDE y HASTA"));
            Abort();
        }
        // The opener reads the chosen rows as the current rows of the queries.
        if (!par.QDesde->Locate(par.Clave, desde, 0) || !par.QHasta->Locate(par.Clave, hasta, 0)) {
            MensajeError(QStringLiteral("Elija los límites DESDE y HASTA"));
            Abort();
        }
        bool invertido;
        if (par.QDesde == QExpD)
            invertido = par.QDesde->FieldByName(par.Clave)->AsString() > par.QHasta->FieldByName(par.Clave)->AsString();
        else
            invertido = par.QDesde->FieldByName(par.Clave)->AsInteger() > par.QHasta->FieldByName(par.Clave)->AsInteger();
        if (invertido) {
            MensajeError(QStringLiteral("DESDE no puede ser MAYOR que HASTA"));
            Abort();
        }
    }
    SetModalResult(mrOk);
}
