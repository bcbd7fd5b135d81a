#include "records/UPoder.h"

#include "comun/UData.h"

TPoder* Poder = nullptr;

namespace {
int ModoPoder = 0;
}

void TPoder::FijaModo(int modo) { ModoPoder = modo; }

TDataSet* TPoder::Tabla() const { return Dat->TPoderes; }

TPoder::TPoder(TComponent* owner) : TFormRegistro(owner) {
    SetCaption(QStringLiteral("Poderes"));
    SetHelpContext(150);
    FSoloCtrlEnter = true;
    btImprimir->SetVisible(false);
    FijaTamano(560, AreaTop() + 7 * 27 + 8 + 36);

    QAbo = new TQuery(this);
    QAbo->SetName(QStringLiteral("QAbo"));
    QAbo->SetDatabaseName(Dat->Db->DatabaseName());
    for (const char* l : {"SELECT ABOGADO, NOMBRE || ' ' || APELLIDOS AS NOMABO", "FROM ABOGADOS", "ORDER BY NOMABO"})
        QAbo->SQL()->Add(QString::fromLatin1(l));
    QAbo->Open();
    DSAbo = new TDataSource(this);
    DSAbo->SetDataSet(QAbo);

    int fila = 0;
    auto etiqueta = [&](const QString& texto) {
        auto* l = new TLabel(this);
        l->SetParent(this);
        l->SetAutoSize(false);
        l->SetAlignment(taRightJustify);
        l->SetBounds(5, AreaTop() + fila * 27 + 3, 85, 16);
        l->SetCaption(texto);
    };
    auto campo = [&](const QString& texto, const QString& nombre, TDataSource* fuente, int ancho) {
        etiqueta(texto);
        auto* e = new TDBEdit(this);
        e->SetParent(this);
        e->SetBounds(95, AreaTop() + fila * 27, ancho, 21);
        e->SetDataSource(fuente);
        e->SetDataField(nombre);
        e->SetTabStop(true);
        ++fila;
        return e;
    };
    DBNomCli = campo(QStringLiteral("Cliente"), QStringLiteral("NOMCLI"), Dat->DSClientes, 440);
    DBNomCli->SetReadOnly(true);
    DBNomCli->SetTabStop(false);
    campo(QStringLiteral("Poder"), QStringLiteral("PODER"), Dat->DSPoderes, 100);
    campo(QStringLiteral("Protocolo"), QStringLiteral("PROTOCOLO"), Dat->DSPoderes, 100);
    campo(QStringLiteral("Notario"), QStringLiteral("NOTARIO"), Dat->DSPoderes, 440);
    campo(QStringLiteral("Fecha"), QStringLiteral("FECHA"), Dat->DSPoderes, 100);
    etiqueta(QStringLiteral("Abogado"));
    cbAbogado = new TZbDBLookupCombo(this);
    cbAbogado->SetName(QStringLiteral("cbAbogado"));
    cbAbogado->SetParent(this);
    cbAbogado->SetBounds(95, AreaTop() + fila * 27, 300, 21);
    cbAbogado->SetDataSource(Dat->DSPoderes);
    cbAbogado->SetDataField(QStringLiteral("ABOGADO"));
    cbAbogado->SetLookupSource(DSAbo);
    cbAbogado->SetLookupField(QStringLiteral("ABOGADO"));
    cbAbogado->SetLookupDisplay(QStringLiteral("NOMABO"));
    cbAbogado->SetDisplayEmpty(QStringLiteral("(Sin Abogado)"));
    cbAbogado->SetEnabled(false);
    ++fila;
    campo(QStringLiteral("Situación"), QStringLiteral("SITUACION"), Dat->DSPoderes, 440);
    ModoPoder = 0;
    Dat->refresca(Dat->TPoderes);
}

TPoder::~TPoder() {
    if (Poder == this) Poder = nullptr;
}

bool TPoder::NoCierra() const { return ModoPoder == 1; }

void TPoder::EstadoCambiado(TDataSetState estado) {
    cbAbogado->SetEnabled(estado == dsEdit || estado == dsInsert);
}

TFormRegistro::TBusqueda TPoder::Busqueda() const {
    const QString nombre = Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->AsString();
    const QString apellidos = Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString();
    TBusqueda b{QStringLiteral("Buscar Cliente"),
                QStringLiteral("Poderes de ") + (nombre.isEmpty() ? apellidos : nombre + u' ' + apellidos),
                {QStringLiteral("SELECT CLIENTE as CODIGO,"), QStringLiteral("PODER as NOMBRE "), QStringLiteral("FROM PODER"),
                 QStringLiteral("WHERE CLIENTE = :CLIENTE ORDER BY NOMBRE")},
                false,
                QStringLiteral("CLIENTE;PODER"),
                {}};
    b.Parametros.emplace_back(QStringLiteral("CLIENTE"), Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->Value());
    return b;
}

void TPoder::LocalizaBuscado(TDataSet* elegido, const TBusqueda& busqueda) {
    Dat->TPoderes->Locate(busqueda.Clave,
                          VarArrayOf({elegido->FieldByName(QStringLiteral("CODIGO"))->Value(),
                                      elegido->FieldByName(QStringLiteral("NOMBRE"))->Value()}),
                          0);
}
