#include "records/FichaPersona.h"

#include "comun/Controles.h"
#include "comun/UComunes.h"
#include "comun/UData.h"
#include "comun/UObservacion.h"

#include <memory>

namespace records {

namespace {
std::unique_ptr<TQuery> Consulta(const QString& sql) {
    auto q = std::make_unique<TQuery>(nullptr);
    q->SetDatabaseName(Dat->Db->DatabaseName());
    q->SQL()->SetText(sql);
    return q;
}

// Whether the case file open in the data module has a link row in `enlaces` for the person.
bool ExisteEnlace(TTable* enlaces, const QString& campo, int codigo) {
    auto q = Consulta(QStringLiteral("SELECT COUNT(*) AS N FROM %1 WHERE ANO = :ANO AND NUMERO = :NUMERO AND %2 = :CODIGO")
                          .arg(enlaces->TableName(), campo));
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString());
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString());
    q->ParamByName(QStringLiteral("CODIGO"))->SetAsInteger(codigo);
    q->Open();
    return q->FieldByName(QStringLiteral("N"))->AsInteger() > 0;
}

// Links the person to the case file open in the data module: the row is inserted when missing,
// and its REFERENCIA written.
void Enlaza(TTable* enlaces, const QString& campo, int codigo, const QString& referencia) {
    const QString ano = Dat->TExped->FieldByName(QStringLiteral("ANO"))->AsString();
    const QString numero = Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString();
    if (enlaces->Locate(QStringLiteral("ANO;NUMERO;") + campo,
                        VarArrayOf({Variant(ano), Variant(numero), Variant(codigo)}), 0)) {
        enlaces->Edit();
    } else {
        enlaces->Insert();
        enlaces->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
        enlaces->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        enlaces->FieldByName(campo)->SetAsInteger(codigo);
    }
    try {
        enlaces->FieldByName(QStringLiteral("REFERENCIA"))->SetAsString(referencia);
        enlaces->Post();
    } catch (...) {
        if (enlaces->State() != dsBrowse) enlaces->Cancel();
        throw;
    }
}
}  // namespace

TFichaPersona::TFichaPersona(TComponent* owner, const TDatos& datos) : TFormRegistro(owner), FDatos(datos) {
    SetCaption(datos.Caption);
    SetHelpContext(datos.Ayuda);
    FijaTamano(720, Fila(9) + 8 + 36);
    if (!datos.Duplicado.isEmpty()) IniciaDuplicados(datos.Fichero, datos.Clave, datos.Duplicado);
    BtObserva = BotonConsulta(QStringLiteral("BtObserva"), QStringLiteral("&Observaciones"), 10,
                              TNotifyEvent(this, &TFichaPersona::BtObservaClick));
}

TLabel* TFichaPersona::EtiquetaEn(const QString& texto, int columna, int fila) {
    // The second column's labels are short: they stay clear of the first column's boxes.
    if (columna == 0) return comun::Etiqueta(this, this, texto, Izquierda(0) - 90, Fila(fila) + 3, 85, 16);
    return comun::Etiqueta(this, this, texto, Izquierda(1) - 78, Fila(fila) + 3, 73, 16);
}

TDBEdit* TFichaPersona::CampoEn(const QString& etiqueta, const QString& campo, int columna, int fila, int ancho) {
    return comun::Campo(this, EtiquetaEn(etiqueta, columna, fila), FDatos.Fuente, campo, Izquierda(columna), Fila(fila), ancho);
}

void TFichaPersona::CamposComunes(const QString& nif, bool telefonos) {
    TDBEdit* codigo = CampoEn(QStringLiteral("Código"), FDatos.Clave, 0, 0, 70);
    codigo->SetReadOnly(true);
    codigo->SetTabStop(false);
    DbDni = CampoEn(QStringLiteral("N.I.F."), nif, 1, 0, 130);
    DbDni->SetName(QStringLiteral("DbDni"));
    DbDni->OnExit = TNotifyEvent(this, &TFichaPersona::DbDniExit);
    CampoEn(QStringLiteral("Apellidos"), QStringLiteral("APELLIDOS"), 0, 1, 270);
    CampoEn(QStringLiteral("Nombre"), QStringLiteral("NOMBRE"), 1, 1, 235);
    CampoEn(QStringLiteral("Domicilio"), QStringLiteral("DOMICILIO"), 0, 2, 610);
    DBCodPos = CampoEn(QStringLiteral("C. Postal"), QStringLiteral("CDPOSTAL"), 0, 3, 60);
    DBCodPos->SetName(QStringLiteral("DBCodPos"));
    DBCodPos->OnKeyPress = TKeyPressEvent(this, &TFichaPersona::DBCodPosKeyPress);
    TLabel* lPoblacion = EtiquetaEn(QStringLiteral("Población"), 0, 3);
    lPoblacion->SetBounds(Izquierda(0) + 65, lPoblacion->Top(), 80, 16);
    TDBEdit* poblacion = comun::Edita(this, this, nullptr, FDatos.Fuente, QStringLiteral("POBLACION"), Izquierda(0) + 150, Fila(3), 140);
    poblacion->SetTabStop(true);
    lPoblacion->SetFocusControl(poblacion);
    CampoEn(QStringLiteral("Provincia"), QStringLiteral("PROVINCIA"), 1, 3, 130);
    if (telefonos) {
        CampoEn(QStringLiteral("Teléfono"), QStringLiteral("TELEFONO"), 0, 4, 270);
        CampoEn(QStringLiteral("Fax"), QStringLiteral("FAX"), 1, 4, 130);
    }
    CampoEn(QStringLiteral("E-Mail"), QStringLiteral("MAIL"), 0, 5, 270);
}

void TFichaPersona::Bancarios(int fila) {
    CampoEn(QStringLiteral("Banco"), QStringLiteral("BANCO"), 0, fila, 130);
    CampoEn(QStringLiteral("Sucursal"), QStringLiteral("SUCURSAL"), 1, fila, 130);
    CampoEn(QStringLiteral("Nº Cuenta"), QStringLiteral("CUENTACORRIENTE"), 0, fila + 1, 200);
}

void TFichaPersona::Contadores(const QStringList& campos, const QStringList& etiquetas, int fila) {
    int x = Izquierda(0);
    for (int i = 0; i < campos.size(); ++i) {
        auto* l = new TLabel(this);
        l->SetParent(this);
        l->SetBounds(x, Fila(fila) + 3, 90, 16);
        l->SetCaption(etiquetas.at(i));
        auto* e = new TDBEdit(this);
        e->SetParent(this);
        e->SetBounds(x + 92, Fila(fila), 45, 21);
        e->SetDataSource(FDatos.Fuente);
        e->SetDataField(campos.at(i));
        e->SetReadOnly(true);
        e->SetTabStop(false);
        x += 150;
    }
}

TButton* TFichaPersona::BotonConsulta(const QString& nombre, const QString& caption, int izquierda,
                                      TNotifyEvent click) {
    auto* b = new TButton(this);
    b->SetName(nombre);
    b->SetParent(Pie());
    b->SetBounds(izquierda, 5, 125, 26);
    b->SetCaption(caption);
    b->OnClick = click;
    FBotonesConsulta.push_back(b);
    return b;
}

void TFichaPersona::CajaReferencia(int fila) {
    LabelRefe = EtiquetaEn(QStringLiteral("Referencia"), 1, fila);
    LabelRefe->SetName(QStringLiteral("LabelRefe"));
    Referencia = new TEdit(this);
    Referencia->SetName(QStringLiteral("Referencia"));
    Referencia->SetParent(this);
    Referencia->SetBounds(Izquierda(1), Fila(fila), 130, 21);
    Referencia->SetMaxLength(15);
    Referencia->SetTabStop(true);
    Referencia->SetText(QString());
    LabelRefe->SetFocusControl(Referencia);
}

TButton* TFichaPersona::CamposDeParte(TNotifyEvent relacion) {
    CamposComunes(QStringLiteral("DNI"), true);
    CajaReferencia(5);
    CampoEn(QStringLiteral("Asociados"), QStringLiteral("ASOCIADOS"), 0, 6, 610);
    Contadores({QStringLiteral("EXPABIERTOS"), QStringLiteral("EXPPENDIENTES"), QStringLiteral("EXPCERRADOS")},
               {QStringLiteral("Exp. Abiertos"), QStringLiteral("Exp. Pendientes"), QStringLiteral("Exp. Cerrados")}, 7);
    return BotonConsulta(QStringLiteral("BtRelacion"), QStringLiteral("&Relación de Bienes"), 141, relacion);
}

void TFichaPersona::AbreRelacion() {
    AbreNotas(QStringLiteral("RELACIOBIENES"), QStringLiteral("Relación de Bienes"), QStringLiteral("R. de Bienes de"));
}

QString TFichaPersona::ConLetra(const QString& texto) {
    const QString t = texto.trimmed();
    const QChar letra = LetraNif(t);
    return letra == u' ' ? texto : t + letra;
}

void TFichaPersona::DbDniExit(TObject*) {
    TDataSet* t = Tabla();
    if (t->State() != dsEdit && t->State() != dsInsert) return;
    DbDni->Field()->SetAsString(ConLetra(DbDni->Text()));
}

void TFichaPersona::DBCodPosKeyPress(TObject*, QChar& key) { key = TeclaNumerica(key); }

void TFichaPersona::BtObservaClick(TObject*) {
    AbreNotas(QStringLiteral("OBSERVACIONES"), QStringLiteral("Observaciones"), QStringLiteral("Observaciones de"));
}

void TFichaPersona::AbreNotas(const QString& campo, const QString& caption, const QString& titulo) {
    TDataSet* t = Tabla();
    const bool solo = SoloConsulta();
    if (!solo) t->Edit();
    Observacion = new TObservacion(Application);
    if (solo) Observacion->SoloLectura();
    Observacion->ActiveSource->SetDataSet(t);
    Observacion->Memo->SetDataField(campo);
    Observacion->SetCaption(caption);
    Observacion->Titulo->SetCaption(titulo);
    Observacion->Contenido->SetCaption(t->FieldByName(FDatos.CampoNombre)->AsString());
    Observacion->ShowModal();
}

void TFichaPersona::Negrita(TButton* boton, bool negrita) {
    TFontStyles s = boton->Font()->Style();
    if (negrita) s += fsBold;
    else s -= fsBold;
    boton->Font()->SetStyle(s);
}

bool TFichaPersona::MemoLleno(TDataSet* t, const QString& campo) {
    return !t->IsEmpty() && !t->FieldByName(campo)->IsNull() && !t->FieldByName(campo)->AsString().isEmpty();
}

TField* TFichaPersona::Expediente(const QString& campo) { return Dat->TExped->FieldByName(campo); }

void TFichaPersona::EditaExpediente(const std::function<void()>& cambio) {
    TDataSet* e = Dat->TExped;
    const bool propia = e->State() == dsBrowse;
    if (propia) e->Edit();
    try {
        cambio();
        e->Post();
    } catch (...) {
        // Only an edit this form started is dropped.
        if (propia && e->State() == dsEdit) e->Cancel();
        throw;
    }
}

void TFichaPersona::EstadoCambiado(TDataSetState estado) {
    const bool consulta = estado == dsBrowse;
    const bool conRegistros = consulta && !Tabla()->IsEmpty();
    for (TButton* b : FBotonesConsulta) b->SetVisible(conRegistros);
    if (Referencia && FRefSoloEdicion) Referencia->SetReadOnly(consulta);
}

void TFichaPersona::TrasGuardar() {
    if (DesdeExpediente()) Asigna();
}

bool TFichaPersona::PuedeAsignar() const {
    if (!FDatos.Enlaces) return TFormRegistro::PuedeAsignar();
    if (Dat->TExped->IsEmpty() || FDatos.Tabla->IsEmpty()) return false;
    return !ExisteEnlace(FDatos.Enlaces, FDatos.Clave, FDatos.Tabla->FieldByName(FDatos.Clave)->AsInteger());
}

void TFichaPersona::Asigna() {
    if (!FDatos.Enlaces) return TFormRegistro::Asigna();
    Enlaza(FDatos.Enlaces, FDatos.Clave, FDatos.Tabla->FieldByName(FDatos.Clave)->AsInteger(), Referencia->Text());
    Close();
}

void TFichaPersona::RegistroCambiado() {
    Negrita(BtObserva, MemoLleno(Tabla(), QStringLiteral("OBSERVACIONES")));
}

bool TienePoderes(int cliente) {
    auto q = Consulta(QStringLiteral("SELECT COUNT(*) AS N FROM PODER WHERE CLIENTE = :CLIENTE"));
    q->ParamByName(QStringLiteral("CLIENTE"))->SetAsInteger(cliente);
    q->Open();
    return q->FieldByName(QStringLiteral("N"))->AsInteger() > 0;
}

}  // namespace records
