// The case-file card.
#include "records/RPTFicEx.h"

#include "comun/Controles.h"
#include "comun/UData.h"
#include "platform/rtl/SysUtils.h"

TInfFicEx* InfFicEx = nullptr;

namespace {
using comun::F;
}  // namespace

TInfFicEx::TInfFicEx(TComponent* owner) : TForm(owner) {
    auto consulta = [&](TQuery*& q, const char* nombre, const QString& sql) {
        q = new TQuery(this);
        q->SetName(QString::fromLatin1(nombre));
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
    };
    consulta(QExped, "QExped", QStringLiteral("SELECT * FROM EXPED WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    auto nombre = [](const char* tabla, const char* clave, bool telefono) {
        return QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM%1 FROM %2 WHERE %3 = :%3")
            .arg(telefono ? QStringLiteral(", TELEFONO") : QString(), QString::fromLatin1(tabla), QString::fromLatin1(clave));
    };
    consulta(QCliente, "QCliente", nombre("CLIENTES", "CLIENTE", true));
    consulta(QAbocli, "QAbocli", nombre("ABOCLI", "ABOCLI", false));
    consulta(QAboEnt, "QAboEnt", nombre("ABOCLI", "ABOCLI", false).replace(QStringLiteral(":ABOCLI"), QStringLiteral(":ABOENT")));
    consulta(QProcli, "QProcli", nombre("PROCU", "PROCU", true).replace(QStringLiteral(":PROCU"), QStringLiteral(":PROCLI")));
    consulta(QProCon, "QProCon", nombre("PROCU", "PROCU", true).replace(QStringLiteral(":PROCU"), QStringLiteral(":PROCON")));
    consulta(QNomCon, "QNomCon", nombre("CONTRARIOS", "CONTRARIO", true));
    consulta(QAboCon, "QAboCon", nombre("ABOGADOS", "ABOGADO", true).replace(QStringLiteral(":ABOGADO"), QStringLiteral(":ABOCON")));
    consulta(QPerito, "QPerito", nombre("PERITOS", "PERITO", true));
    consulta(QExpCli, "QExpCli", QStringLiteral("SELECT * FROM EXPCLI WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    consulta(QExpCon, "QExpCon", QStringLiteral("SELECT * FROM EXPCON WHERE ANO = :ANO AND NUMERO = :NUMERO"));

    QRFicEx = new TQuickRep(this);
    QRFicEx->SetName(QStringLiteral("QRFicEx"));
    QRFicEx->SetDataSet(QExped);
    QRFicEx->SetReportTitle(QStringLiteral("FICHA EXPEDIENTE"));
    QRFicEx->Font()->SetName(QStringLiteral("Arial"));
    QRFicEx->Font()->SetHeight(-12);

    QRCabecera = new TQRBand(this);
    QRCabecera->SetName(QStringLiteral("QRCabecera"));
    QRCabecera->SetBandType(rbPageHeader);
    QRCabecera->SetHeight(70);
    QRCabecera->SetParent(QRFicEx);
    QRCabecera->Frame()->SetDrawBottom(true);
    QRCabecera->BeforePrint = TQRBandBeforePrintEvent(this, &TInfFicEx::QRCabeceraBeforePrint);
    auto* titulo = new TQRLabel(this);
    titulo->SetName(QStringLiteral("QRTitulo"));
    titulo->SetParent(QRCabecera);
    titulo->SetBounds(0, 8, QRCabecera->Width(), 28);
    titulo->SetAlignment(taCenter);
    titulo->Font()->SetHeight(-21);
    titulo->Font()->SetStyle({fsBold});
    titulo->SetCaption(QStringLiteral("FICHA EXPEDIENTE"));
    auto cabecera = [&](const char* n, int left, int width) {
        auto* l = new TQRLabel(this);
        l->SetName(QString::fromLatin1(n));
        l->SetParent(QRCabecera);
        l->SetBounds(left, 42, width, 20);
        l->Font()->SetStyle({fsBold});
        return l;
    };
    QRExpediente = cabecera("QRExpediente", 20, 200);
    QRSituacion = cabecera("QRSituacion", 240, 220);
    QRActor = cabecera("QRActor", 480, 200);

    QRDetalle = new TQRBand(this);
    QRDetalle->SetName(QStringLiteral("QRDetalle"));
    QRDetalle->SetBandType(rbDetail);
    QRDetalle->SetParent(QRFicEx);
    int top = 12;
    for (const char* e : {"Fecha de Apertura :", "Procedimiento :", "Tribunal :", "Población :", "Autos :", "Jurisdicción :",
                          "Procedimiento anterior :", "Tribunal anterior :", "Procedimiento previo :", "Tribunal previo :",
                          "Asunto :", "Principal :", "Costas :", "Intereses :", "Total :", "Cliente :", "Clientes :",
                          "Contrario :", "Contrarios :", "Abogado :", "Abogado Entrada :", "Procurador Cliente :",
                          "Abogado Contrario :", "Procurador Contrario :"})
        FLineas.emplace_back(QString::fromUtf8(e), Fila(QString::fromUtf8(e), top));
    FPerito = Fila(QStringLiteral("Perito :"), top, &FPeritoRotulo);
    FLineas.emplace_back(QStringLiteral("Perito :"), FPerito);
    QRDetalle->SetHeight(top + 20);

    OnClose = TCloseEvent(this, &TInfFicEx::FormClose);
}

TInfFicEx::~TInfFicEx() {
    if (InfFicEx == this) InfFicEx = nullptr;
}

TQRLabel* TInfFicEx::Fila(const QString& etiqueta, int& top, TQRLabel** rotulo) {
    auto* l = new TQRLabel(this);
    l->SetParent(QRDetalle);
    l->SetBounds(10, top, 200, 18);
    l->SetAlignment(taRightJustify);
    l->Font()->SetStyle({fsBold});
    l->SetCaption(etiqueta);
    if (rotulo) *rotulo = l;
    auto* v = new TQRLabel(this);
    v->SetParent(QRDetalle);
    v->SetBounds(220, top, 480, 18);
    v->SetAutoSize(false);
    top += 21;
    return v;
}

QString TInfFicEx::Linea(const QString& etiqueta) const {
    for (const auto& [e, l] : FLineas)
        if (e == etiqueta) return l->Caption();
    return QString();
}

QString TInfFicEx::Persona(TQuery* q, const char* campo, bool telefono) {
    q->Close();
    q->ParamByName(QString::fromLatin1(campo))->SetAsInteger(F(QExped, campo)->AsInteger());
    q->Open();
    if (q->IsEmpty()) return QString();
    QString r = F(q, "NOM")->AsString();
    if (telefono && !F(q, "TELEFONO")->AsString().isEmpty()) r += QStringLiteral("   Tlf. ") + F(q, "TELEFONO")->AsString();
    return r;
}

QString TInfFicEx::Lista(TQuery* q, const char* campo, const char* tabla, const char* clave) {
    q->Close();
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(F(QExped, "ANO")->AsString());
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(F(QExped, "NUMERO")->AsString());
    q->Open();
    QStringList nombres;
    TQuery n(nullptr);
    n.SetDatabaseName(Dat->Db->DatabaseName());
    n.SQL()->SetText(QStringLiteral("SELECT APELLIDOS||', '||NOMBRE AS NOM FROM %1 WHERE %2 = :C").arg(QString::fromLatin1(tabla),
                                                                                                         QString::fromLatin1(clave)));
    for (q->First(); !q->Eof(); q->Next()) {
        n.Close();
        n.ParamByName(QStringLiteral("C"))->SetAsInteger(F(q, campo)->AsInteger());
        n.Open();
        if (!n.IsEmpty()) nombres << F(&n, "NOM")->AsString();
    }
    return nombres.join(QStringLiteral("; "));
}

void TInfFicEx::Abre() {
    QExped->Close();
    QExped->ParamByName(QStringLiteral("ANO"))->SetAsString(F(Dat->TExped, "ANO")->AsString());
    QExped->ParamByName(QStringLiteral("NUMERO"))->SetAsString(F(Dat->TExped, "NUMERO")->AsString());
    QExped->Open();
    TDataSet* e = QExped;
    const bool euros = F(e, "MONEDA")->AsString() == QLatin1String("E");
    auto importe = [&](double v) { return FormatFloat(euros ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0"), v); };
    const double total = F(e, "PRINCIPAL")->AsFloat() + F(e, "IMPORTE")->AsFloat() + F(e, "INTERESES")->AsFloat();
    const TDateTime apertura = F(e, "FECHAAPERTURA")->AsDateTime();
    const QStringList valores = {
        F(e, "FECHAAPERTURA")->IsNull() ? QString() : FormatDateTime(QStringLiteral("dd/mm/yyyy"), apertura),
        F(e, "PROCEDIMIENTO")->AsString(), F(e, "TRIBUNAL")->AsString(), F(e, "POBLACION")->AsString(), F(e, "AUTOS")->AsString(),
        F(e, "JURISDICCION")->AsString(), F(e, "PROCEDIMIENTO1")->AsString(), F(e, "TRIBUNAL1")->AsString(),
        F(e, "PROCEDIMIENTO2")->AsString(), F(e, "TRIBUNAL2")->AsString(), F(e, "ASUNTO")->AsString(),
        importe(F(e, "PRINCIPAL")->AsFloat()), importe(F(e, "IMPORTE")->AsFloat()), importe(F(e, "INTERESES")->AsFloat()),
        importe(total), Persona(QCliente, "CLIENTE", true), Lista(QExpCli, "CLIENTE", "CLIENTES", "CLIENTE"),
        Persona(QNomCon, "CONTRARIO", true), Lista(QExpCon, "CONTRARIO", "CONTRARIOS", "CONTRARIO"),
        Persona(QAbocli, "ABOCLI", false), Persona(QAboEnt, "ABOENT", false), Persona(QProcli, "PROCLI", true),
        Persona(QAboCon, "ABOCON", true), Persona(QProCon, "PROCON", true), Persona(QPerito, "PERITO", true)};
    for (size_t i = 0; i < FLineas.size() && i < size_t(valores.size()); ++i) FLineas[i].second->SetCaption(valores[int(i)]);
    // The expert's block only when the case has one.
    const bool perito = F(e, "PERITO")->AsInteger() != 0;
    FPerito->SetEnabled(perito);
    FPeritoRotulo->SetEnabled(perito);
    QRActor->SetCaption(QStringLiteral("[ %1 ]").arg(F(e, "ACTOR")->AsString()));
}

void TInfFicEx::Preview() {
    Abre();
    QRFicEx->Preview();
}

void TInfFicEx::Prepare() {
    Abre();
    QRFicEx->Prepare();
}

void TInfFicEx::QRCabeceraBeforePrint(TQRCustomBand*, bool&) {
    TDataSet* e = QExped;
    QRExpediente->SetCaption(QStringLiteral("Expediente : ") + F(e, "ANO")->AsString() + QLatin1Char('/') + F(e, "NUMERO")->AsString());
    QString estado;
    switch (F(e, "SITUACION")->AsInteger()) {
    case 1: estado = QStringLiteral("Abierto"); break;
    case 2: estado = QStringLiteral("Facturado Nº ") + Trim(Format(QStringLiteral("%5d"), F(e, "FACTURA")->AsInteger())); break;
    case 3: estado = QStringLiteral("Cerrado"); break;
    default: break;
    }
    QRSituacion->SetCaption(estado);
}

void TInfFicEx::FormClose(TObject*, TCloseAction& action) { action = caFree; }
