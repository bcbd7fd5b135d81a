#pragma once
// Routines every form calls: message boxes, status text, flushing, peseta/euro conversion, the
// identity-number letter, key filters for amounts, and the day lists of the month calendar.
#include "platform/classes/Strings.h"
#include "platform/db/DB.h"
#include "platform/db/Driver.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Events.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

void MensajeError(const QString& texto);
bool MensajeConfirmacion(const QString& texto);
void MensajeEstado(const QString& texto);
void GuardaCambios(TDataSet* dataSet);
namespace comun {
// The silent end of a write that failed because the data cannot be reached, once the data
// module's error handler has told why: the command it belonged to still says that it failed, and
// reads nothing again on its way out.
ZB_EXCEPTION(EAbortoSinBase, EAbort)
// Whether `e` says the data cannot be reached (the server lost, the data file or folder gone, a
// commit whose outcome the server could not be asked yet). Anything read again on the way out of
// such a failure would wait on the dead link once more, within the same action.
bool FalloDeLaBase(const std::exception& e);
// The same for the exception a catch block handles.
bool FalloDeLaBase();
// For its life, the data module's connection, lost earlier, is not made again: on the way out of
// a failure without the server, what would read (the lists that follow a record whose edit is
// cancelled) fails at once instead of waiting on the dead link once more. `activa` false: nothing
// changes (the link is known to work, what follows may reconnect).
class TSinReconexion {
public:
    explicit TSinReconexion(bool activa = true);
    ~TSinReconexion();
    TSinReconexion(const TSinReconexion&) = delete;
    TSinReconexion& operator=(const TSinReconexion&) = delete;

private:
    std::shared_ptr<platform::db::TConnection> FConexion;
    bool FAntes = false;
};
// From a catch block: the error box of the command that failed (`texto`, "ERROR al cerrar"), with
// the engine's reason below when the data could not be reached and no box has said it yet.
void InformaFallo(const QString& texto);
// Re-reads `dataSet` after a change it stored. A change already committed stays reported as
// saved when only the re-reading fails; inside a running transaction the failure is thrown.
void RefrescaGuardado(TDataSet* dataSet);
}  // namespace comun
// Whether the current row of `dataSet` is still stored: another workstation may have deleted it.
bool RegistroGuardado(TDataSet* dataSet);
// Whether the current case file is still stored; when not, says "Expediente NO EXISTE". Nothing
// new is hung on a deleted one: its rows would be left over, of a case file nobody can open.
bool ExpedienteSigue();

Currency ConvierteMoneda(QChar destino, Currency importe);
void CambiaMonedaExpediente(QChar destino);
void CambiaMonedaConsulta(QChar destino);

QChar LetraNif(const QString& numero);
int PosicionEnesima(const QString& subcadena, const QString& texto, int n);
QChar TeclaNumerica(QChar tecla);
QChar TeclaImporte(QChar tecla, const QString& texto, int decimales);
QString FormateaImporte(const QString& importe, int decimales);
QString QuitaPuntos(const QString& texto);

// Day of month (no leading zero) of every record of Dat->TFechas in its current range.
std::unique_ptr<TStringList> ListaDias();

class TTreeView;
class TTreeNode;
// Adds a path of nodes, one text per level, reusing the nodes that already stand on the path;
// empty texts are skipped. New nodes carry `datos` and the image 2 x their position in the path.
// Returns the last node of the path.
TTreeNode* AgregaRama(TTreeView* arbol, TStrings* ramas, void* datos, bool ordena);
// The first child of `padre` (a top-level node when none) whose text is exactly `texto`.
TTreeNode* BuscaNodo(TTreeView* arbol, TTreeNode* padre, const QString& texto);

QString CarpetaTemporal();
bool HayEntornoDesarrollo();
// Whether the word processor was found at start (CompruebaWord).
extern bool HayWord;
// Looks for the program that opens the documents (comun::ProgramaDocumentos); says "Word no se
// encuentra" when there is none.
void CompruebaWord();

// Date whose month the month calendar shows and marks.
extern TDateTime FechaCalendario;
// The agenda's working day: the day whose entries the agenda lists and new entries take.
extern TDateTime FechaAgenda;

// The working year ("2001"): new numbers are proposed from its TABCON row. The main window's year
// selector sets it; until then it is the current year. Kept here until the process-wide values
// have a unit of their own.
extern QString AnoSeleccionado;
namespace comun {
// The year the program took from the date by itself: at start, and again when the date passes
// into a new year while it runs. While the working year is this one it follows the calendar; a
// year chosen by hand stays as chosen. Empty until the main window takes it.
extern QString AnoDelCalendario;
// The working year taken from today's date, as the main window does at start.
void TomaAnoDelCalendario();
// When the date has passed into a later year and the working year is still the calendar's, it
// moves to today's year, and the year's counters row is made when missing, as at start; true
// when the working year moved. Called before a number is proposed, outside any transaction. A row
// that could not be written then (the server away) is tried again at the next call, unless
// `reintentaFila` is false (the status bar's clock, which must not wait on the server each second).
bool SigueAlCalendario(bool reintentaFila = true);
}  // namespace comun
// Kind of record the open case-file ("E") or consultation ("C") form works on; the agenda rows
// those forms write take their TIPO from it.
extern QString LetraRegistro;

namespace comun {
// The desktop application registered for word-processor documents (its ".desktop" name), empty
// when none; read from the desktop's own lists. Replaceable, so tests choose the answer.
extern std::function<QString()> EditorRegistrado;
QString EditorDeXdg();
// The office suite on the PATH ("soffice", else "libreoffice"), empty when neither is there.
// Replaceable, so tests choose the answer.
extern std::function<QString()> ProcesadorEnRuta;
QString OfficeEnRuta();
// The program the documents are opened with: xdg-open when the desktop names a default
// application for the format, else the office suite on the PATH (xdg-open would not open a
// document without a default); empty when there is neither.
QString ProgramaDocumentos();

// Rate of the office settings: SISTEM.EURO as currency, 166.386 when it is 0.
Currency TasaEuro();
// ConvierteMoneda at a given rate: pesetas rounded to units, euros to cents, halves to even.
Currency ConvierteMoneda(QChar destino, Currency importe, Currency tasa);
// Day numbers of every record of a dataset's date field, in its order.
std::unique_ptr<TStringList> ListaDias(TDataSet* fechas, const QString& campo);

// What the month calendar shows for the month of a date: holidays, agenda days and the thirteen
// coloured day lists. The calendar control takes these lists as they are.
struct TMarcasCalendario {
    QStringList Festivos;
    QStringList Marcados;
    std::array<QStringList, 13> Dias;  // [0] = days 1 ... [12] = days 13
};
// The special dates of Dat->TFechas and, when asked, the days with agenda entries of the current
// lawyer of Dat->TAboCli, read through a cursor of its own (Dat->TAgen may be in edit).
TMarcasCalendario MarcasCalendario(TDateTime fecha, bool marcaAgenda);

// The fifteen day lists of a month calendar and its date setter (the month calendar panel hands
// its own lists and its SetDate).
struct TListasCalendario {
    TStrings* Holidays = nullptr;
    TStrings* Markdays = nullptr;
    std::array<TStrings*, 13> Days{};  // days1 .. days13
    TEvent<TDateTime> SetDate;
};
}  // namespace comun

// Fills the calendar's lists for the month of FechaCalendario and sets its date.
void MarcaDiasCalendario(const comun::TListasCalendario& calendario, bool marcaAgenda);

// FechaCalendario moved by months or years, the day kept or clamped to the month's last; a step
// past the calendar's first or last year beeps and leaves it where it was (false).
bool PasaFechaCalendario(int meses, int anos);
