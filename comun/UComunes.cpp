#include "comun/UComunes.h"

#include "comun/Ganchos.h"
#include "comun/UData.h"
#include "controls/visual/DateHelpers.h"
#include "platform/db/DBTables.h"
#include "platform/db/Driver.h"
#include "platform/documents/DesktopApps.h"
#include "platform/forms/Beep.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QApplication>
#include <QStandardPaths>
#include <cmath>

TDateTime FechaCalendario;
TDateTime FechaAgenda;
bool HayWord = false;
QString AnoSeleccionado = QString::number(platform::rtl::ClockNow().date().year());
QString LetraRegistro;

namespace comun {

QString AnoDelCalendario;

namespace {
// The counters row of the year moved to could not be written (the server away): tried again at
// the next call, so the year's first invoice raises its counter.
bool FilaDelAnoPendiente = false;
}  // namespace

void TomaAnoDelCalendario() {
    AnoDelCalendario = QString::number(platform::rtl::ClockNow().date().year());
    AnoSeleccionado = AnoDelCalendario;
    FilaDelAnoPendiente = false;
}

bool SigueAlCalendario(bool reintentaFila) {
    if (AnoDelCalendario.isEmpty() || AnoSeleccionado != AnoDelCalendario) return false;
    if (Dat && Dat->Db->InTransaction()) return false;
    const int hoy = platform::rtl::ClockNow().date().year();
    // Forward only: a clock put back by hand does not take the office's numbering back a year.
    const bool cambia = hoy > AnoDelCalendario.toInt();
    if (cambia) {
        AnoDelCalendario = QString::number(hoy);
        AnoSeleccionado = AnoDelCalendario;
        FilaDelAnoPendiente = true;
    }
    if (FilaDelAnoPendiente && Dat && (cambia || reintentaFila)) {
        try {
            Dat->AbreAnoEnCurso();
            FilaDelAnoPendiente = false;
        } catch (const std::exception&) {
        }
    }
    return cambia;
}

QString EditorDeXdg() {
    return platform::documents::DefaultApplication(
        QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document"));
}

std::function<QString()> EditorRegistrado = EditorDeXdg;

QString OfficeEnRuta() {
    for (const char* programa : {"soffice", "libreoffice"}) {
        const QString ruta = QStandardPaths::findExecutable(QString::fromLatin1(programa));
        if (!ruta.isEmpty()) return ruta;
    }
    return QString();
}

std::function<QString()> ProcesadorEnRuta = OfficeEnRuta;

QString ProgramaDocumentos() {
    if (EditorRegistrado && !EditorRegistrado().isEmpty()) {
        const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!xdgOpen.isEmpty()) return xdgOpen;
    }
    return ProcesadorEnRuta ? ProcesadorEnRuta() : QString();
}
}  // namespace comun

void CompruebaWord() {
    HayWord = !comun::ProgramaDocumentos().isEmpty();
    if (!HayWord) MensajeError(QStringLiteral("Word no se encuentra"));
}

namespace {
void Pita() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) platform::forms::MessageBeep();
}

// Rounds num / den to the nearest integer, halves to the even neighbour.
qint64 DivideRedondeando(__int128 num, __int128 den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    const __int128 twice = 2 * r;
    if (twice > den || (twice == den && (q % 2 != 0))) ++q;
    return qint64(q);
}
}  // namespace

void MensajeError(const QString& texto) {
    Application->MessageBox(texto, QStringLiteral("¡¡ ERROR !!"), MB_OK | MB_ICONSTOP);
}

bool MensajeConfirmacion(const QString& texto) {
    return Application->MessageBox(texto, QStringLiteral("¡¡ ATENCIÓN !!"), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void MensajeEstado(const QString& texto) {
    comun::LineaEstado(texto);
    Application->ProcessMessages();
}

void GuardaCambios(TDataSet* dataSet) {
    if (auto* db = dynamic_cast<TDBDataSet*>(dataSet)) {
        if (auto* conn = db->Connection()) conn->Flush();
    }
    comun::RefrescaGuardado(dataSet);
}

void comun::RefrescaGuardado(TDataSet* dataSet) {
    if (!dataSet->Active() || dataSet->State() != dsBrowse) return;
    try {
        dataSet->Refresh();
    } catch (const Exception&) {
        // Inside a caller's transaction nothing is stored yet: the caller undoes it and says so.
        auto* db = dynamic_cast<TDBDataSet*>(dataSet);
        if (db && db->Connection() && db->Connection()->InTransaction()) throw;
        // Committed: only the reading back failed (a server restarting, a link cut). Told as a
        // failure, the change would be made twice; the rows are read again by the next action.
        if (comun::LineaEstado) comun::LineaEstado(QStringLiteral("Cambios guardados; no se han podido volver a leer los datos"));
    }
}

bool comun::FalloDeLaBase(const std::exception& e) {
    if (dynamic_cast<const EAbortoSinBase*>(&e)) return true;
    const auto* engine = dynamic_cast<const EDBEngineError*>(&e);
    if (!engine || engine->ErrorCount() == 0) return false;
    switch (engine->Errors(0).ErrorCode) {
    case platform::db::ecServerLost:
    case platform::db::ecOutcomeUnknown:
    case platform::db::ecFileMoved:
    case platform::db::ecFolderLost: return true;
    default: return false;
    }
}

bool comun::FalloDeLaBase() {
    const std::exception_ptr actual = std::current_exception();
    if (!actual) return false;
    try {
        std::rethrow_exception(actual);
    } catch (const std::exception& e) {
        return FalloDeLaBase(e);
    } catch (...) {
        return false;
    }
}

comun::TSinReconexion::TSinReconexion(bool activa) {
    if (!activa || !Dat || !Dat->Db || !Dat->Db->Connected()) return;
    FConexion = Dat->Db->Connection();
    FAntes = FConexion->NoReconnect();
    FConexion->SetNoReconnect(true);
}

comun::TSinReconexion::~TSinReconexion() {
    if (FConexion) FConexion->SetNoReconnect(FAntes);
}

void comun::InformaFallo(const QString& texto) {
    QString mensaje = texto;
    if (const std::exception_ptr actual = std::current_exception()) {
        try {
            std::rethrow_exception(actual);
        } catch (const EAbortoSinBase&) {
            // its reason is on the box before
        } catch (const EDBEngineError& e) {
            // A commit whose answer was lost may have been stored: never told as failed.
            if (e.ErrorCount() > 0 && e.Errors(0).ErrorCode == platform::db::ecOutcomeUnknown) mensaje = e.Message();
            else if (FalloDeLaBase(e)) mensaje += QLatin1Char('\r') + e.Message();
        } catch (...) {
        }
    }
    MensajeError(mensaje);
}

bool RegistroGuardado(TDataSet* dataSet) { return !dataSet->IsEmpty() && dataSet->BookmarkValid(dataSet->GetBookmark()); }

bool ExpedienteSigue() {
    if (RegistroGuardado(Dat->TExped)) return true;
    MensajeError(QStringLiteral("Expediente NO EXISTE"));
    return false;
}

// ---------------------------------------------------------------------------------------------- money

Currency comun::TasaEuro() {
    double euro = 0;
    if (Dat && Dat->TSistem && Dat->TSistem->Active() && !Dat->TSistem->IsEmpty())
        euro = Dat->TSistem->FieldByName(QStringLiteral("EURO"))->AsFloat();
    if (euro == 0) return Currency::FromRaw(1663860);
    return Currency(euro);
}

Currency comun::ConvierteMoneda(QChar destino, Currency importe, Currency tasa) {
    if (destino == QLatin1Char('P')) {
        // importe x tasa in pesetas: raw x raw / Scale^2, rounded to a whole peseta.
        const __int128 num = __int128(importe.Raw()) * tasa.Raw();
        const __int128 den = __int128(Currency::Scale) * Currency::Scale;
        return Currency(DivideRedondeando(num, den));
    }
    if (tasa.Raw() == 0) throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    // importe / tasa in cents: raw x 100 / raw, rounded to a whole cent.
    const qint64 centimos = DivideRedondeando(__int128(importe.Raw()) * 100, tasa.Raw());
    return Currency::FromRaw(centimos * (Currency::Scale / 100));
}

Currency ConvierteMoneda(QChar destino, Currency importe) {
    return comun::ConvierteMoneda(destino, importe, comun::TasaEuro());
}

namespace {
QString PreguntaCambio(QChar destino) {
    return destino == QLatin1Char('E') ? QStringLiteral("¿ Cambiar a EUROS ?") : QStringLiteral("¿ Cambiar a PESETAS ?");
}

void ConvierteCampo(TField* campo, QChar destino, Currency tasa) {
    if (campo->IsNull()) return;
    campo->SetAsCurrency(comun::ConvierteMoneda(destino, Currency(campo->AsFloat()), tasa));
}

void FormatoMoneda(TField* campo, bool euros) {
    if (auto* f = dynamic_cast<TFloatField*>(campo))
        f->SetDisplayFormat(euros ? QStringLiteral("#,##0.00") : QStringLiteral("#,##0"));
}

// Puts the datasets back in step with the store after a change that was rolled back.
void Relee(TDataSet* ds) {
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
    if (ds->Active()) ds->Refresh();
}
}  // namespace

void CambiaMonedaExpediente(QChar destino) {
    if (!MensajeConfirmacion(PreguntaCambio(destino))) return;
    const Currency tasa = comun::TasaEuro();
    TTable* exped = Dat->TExped;
    TTable* cuentas = Dat->TCuentas;
    exped->DisableControls();
    cuentas->DisableControls();
    try {
        try {
            Dat->EnTransaccion([&] {
                exped->Edit();
                exped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString(destino));
                ConvierteCampo(exped->FieldByName(QStringLiteral("IMPORTE")), destino, tasa);
                ConvierteCampo(exped->FieldByName(QStringLiteral("PRINCIPAL")), destino, tasa);
                // The interest too, or the case's total would add one currency to the other.
                ConvierteCampo(exped->FieldByName(QStringLiteral("INTERESES")), destino, tasa);
                exped->Post();
                cuentas->First();
                while (!cuentas->Eof()) {
                    cuentas->Edit();
                    ConvierteCampo(cuentas->FieldByName(QStringLiteral("IMPORTE")), destino, tasa);
                    cuentas->Post();
                    cuentas->Next();
                }
            });
        } catch (...) {
            // Nothing was stored: show the records as they are again.
            Relee(cuentas);
            Relee(exped);
            throw;
        }
        const bool euros = exped->FieldByName(QStringLiteral("MONEDA"))->AsString() == QLatin1String("E");
        FormatoMoneda(cuentas->FieldByName(QStringLiteral("IMPORTE")), euros);
        if (Dat->QSaldo->FindField(QStringLiteral("SALDO"))) FormatoMoneda(Dat->QSaldo->FieldByName(QStringLiteral("SALDO")), euros);
        FormatoMoneda(exped->FieldByName(QStringLiteral("IMPORTE")), euros);
        for (const char* campo : {"PRINCIPAL", "INTERESES", "EXPTOTAL"})
            if (TField* f = exped->FindField(QString::fromLatin1(campo))) FormatoMoneda(f, euros);
    } catch (...) {
        cuentas->EnableControls();
        exped->EnableControls();
        throw;
    }
    cuentas->EnableControls();
    exped->EnableControls();
}

void CambiaMonedaConsulta(QChar destino) {
    if (!MensajeConfirmacion(PreguntaCambio(destino))) return;
    const Currency tasa = comun::TasaEuro();
    TTable* consultas = Dat->TConsultas;
    consultas->DisableControls();
    try {
        try {
            Dat->EnTransaccion([&] {
                consultas->Edit();
                consultas->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString(destino));
                ConvierteCampo(consultas->FieldByName(QStringLiteral("IMPORTE")), destino, tasa);
                consultas->Post();
            });
        } catch (...) {
            Relee(consultas);
            throw;
        }
        FormatoMoneda(consultas->FieldByName(QStringLiteral("IMPORTE")),
                      consultas->FieldByName(QStringLiteral("MONEDA"))->AsString() == QLatin1String("E"));
    } catch (...) {
        consultas->EnableControls();
        throw;
    }
    consultas->EnableControls();
}

// ---------------------------------------------------------------------------------------------- text and keys

QChar LetraNif(const QString& numero) {
    static const QString letras = QStringLiteral("TRWAGMYFPDXBNJZSQVHLCKE");
    if (numero.isEmpty()) return QLatin1Char(' ');
    int n = 0;
    if (!TryStrToInt(numero, n) || n < 0) return QLatin1Char(' ');
    return letras[n % 23];
}

int PosicionEnesima(const QString& subcadena, const QString& texto, int n) {
    QString copia = texto;
    int cuenta = 0;
    for (;;) {
        const int p = Pos(subcadena, copia);
        if (p == 0) return 0;
        if (++cuenta == n) return p;
        if (cuenta > n && n <= 0) return 0;
        Delete(copia, p, int(subcadena.size()));
    }
}

// Control characters are the edit's own commands (select all, copy, paste...), not typing.
QChar TeclaNumerica(QChar tecla) {
    if (tecla < QChar(32) || (tecla >= QLatin1Char('0') && tecla <= QLatin1Char('9'))) return tecla;
    Pita();
    return QChar(0);
}

QChar TeclaImporte(QChar tecla, const QString& texto, int decimales) {
    bool vale = tecla < QChar(32) || (tecla >= QLatin1Char('0') && tecla <= QLatin1Char('9'));
    if (tecla == QLatin1Char('-')) vale = !texto.contains(QLatin1Char('-'));
    if (tecla == QLatin1Char(',') && decimales > 0) vale = !texto.contains(QLatin1Char(','));
    if (vale) return tecla;
    Pita();
    return QChar(0);
}

QString FormateaImporte(const QString& importe, int decimales) {
    if (importe.isEmpty()) return QString();
    // Rounded as money where it fits the fixed-point figure; a figure past it is shown as it is,
    // never an overflow while painting.
    const double numero = StrToFloat(importe);
    const double valor = std::fabs(numero) < 9e14 ? Currency(numero).ToDouble() : numero;
    const QString fmt = decimales == 2 ? QStringLiteral("%-10.2n") : QStringLiteral("%-10.0n");
    return Trim(Format(fmt, std::vector<Variant>{Variant(valor)}));
}

QString QuitaPuntos(const QString& texto) {
    QString r = texto;
    r.remove(QLatin1Char('.'));
    return r;
}

// ---------------------------------------------------------------------------------------------- calendar

std::unique_ptr<TStringList> comun::ListaDias(TDataSet* fechas, const QString& campo) {
    auto lista = std::make_unique<TStringList>();
    TField* f = fechas->FieldByName(campo);
    fechas->DisableControls();
    try {
        for (fechas->First(); !fechas->Eof(); fechas->Next()) {
            if (f->IsNull()) continue;
            int y = 0, m = 0, d = 0;
            DecodeDate(f->AsDateTime(), y, m, d);
            lista->Add(IntToStr(d));
        }
    } catch (...) {
        fechas->EnableControls();
        throw;
    }
    fechas->EnableControls();
    return lista;
}

std::unique_ptr<TStringList> ListaDias() { return comun::ListaDias(Dat->TFechas, QStringLiteral("Fecha")); }

comun::TMarcasCalendario comun::MarcasCalendario(TDateTime fecha, bool marcaAgenda) {
    TMarcasCalendario marcas;
    int y = 0, m = 0, d = 0;
    DecodeDate(fecha, y, m, d);
    const TDateTime desde = EncodeDate(y, m, 1);
    const TDateTime hasta = EncodeDate(y, m, MonthDays[IsLeapYear(y) ? 1 : 0][size_t(m - 1)]);

    auto lista = [&](int color) {
        Dat->TFechas->SetRange({Variant(color), Variant(desde)}, {Variant(color), Variant(hasta)});
        auto dias = ::ListaDias();
        QStringList r;
        for (int i = 0; i < dias->Count(); ++i) r << dias->Strings(i);
        return r;
    };
    marcas.Festivos = lista(9);
    const int colores[13] = {1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 13; ++i) marcas.Dias[size_t(i)] = lista(colores[i]);

    if (marcaAgenda && Dat->TAboCli->Active() && !Dat->TAboCli->IsEmpty()) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("SELECT FECHA FROM AGENDA WHERE FECHA BETWEEN :DESDE AND :HASTA AND ABOCLI = :ABOCLI GROUP BY FECHA"));
        q.ParamByName(QStringLiteral("DESDE"))->SetAsDate(desde);
        q.ParamByName(QStringLiteral("HASTA"))->SetAsDate(hasta);
        q.ParamByName(QStringLiteral("ABOCLI"))->SetAsInteger(Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger());
        q.Open();
        auto dias = ListaDias(&q, QStringLiteral("FECHA"));
        for (int i = 0; i < dias->Count(); ++i) marcas.Marcados << dias->Strings(i);
    }
    return marcas;
}

void MarcaDiasCalendario(const comun::TListasCalendario& calendario, bool marcaAgenda) {
    auto pon = [](TStrings* lista, const QStringList& dias) {
        if (!lista) return;
        platform::classes::InUpdate(lista, [&] {
            lista->Clear();
            for (const QString& d : dias) lista->Add(d);
        });
    };
    const auto marcas = comun::MarcasCalendario(FechaCalendario, marcaAgenda);
    pon(calendario.Holidays, marcas.Festivos);
    pon(calendario.Markdays, marcas.Marcados);
    for (size_t i = 0; i < marcas.Dias.size(); ++i) pon(calendario.Days[i], marcas.Dias[i]);
    calendario.SetDate(FechaCalendario);
}

bool PasaFechaCalendario(int meses, int anos) {
    int y = 0, m = 0, d = 0;
    DecodeDate(FechaCalendario, y, m, d);
    const int destino = (y * 12 + m - 1 + meses) / 12 + anos;
    if (destino < 1 || destino > 9999) {
        platform::forms::MessageBeep(platform::forms::MB_BEEP_EXCLAMATION);
        return false;
    }
    FechaCalendario = anos ? IncYear(FechaCalendario, anos) : IncMonth(FechaCalendario, meses);
    return true;
}

// ---------------------------------------------------------------------------------------------- trees

TTreeNode* BuscaNodo(TTreeView* arbol, TTreeNode* padre, const QString& texto) {
    if (padre) {
        for (int i = 0; i < padre->Count(); ++i)
            if (padre->Item(i)->Text() == texto) return padre->Item(i);
        return nullptr;
    }
    for (TTreeNode* n : arbol->Items()->Roots())
        if (n->Text() == texto) return n;
    return nullptr;
}

TTreeNode* AgregaRama(TTreeView* arbol, TStrings* ramas, void* datos, bool ordena) {
    TTreeNode* actual = nullptr;
    for (int i = 0; i < ramas->Count(); ++i) {
        const QString texto = ramas->Strings(i);
        if (texto.isEmpty()) continue;
        if (TTreeNode* hallado = BuscaNodo(arbol, actual, texto)) {
            actual = hallado;
            continue;
        }
        TTreeNode* nuevo = i == 0 || !actual ? arbol->Items()->AddObject(nullptr, texto, datos)
                                             : arbol->Items()->AddChildObject(actual, texto, datos);
        nuevo->SetImageIndex(2 * i);
        nuevo->SetSelectedIndex(2 * i);
        if (ordena && actual) actual->AlphaSort();
        actual = nuevo;
    }
    return actual;
}

// ---------------------------------------------------------------------------------------------- environment

QString CarpetaTemporal() { return TempFolder(); }

// The development environment of the original platform does not exist here.
bool HayEntornoDesarrollo() { return false; }
