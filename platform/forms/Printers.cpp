#include "platform/forms/Printers.h"

#include "platform/rtl/Exceptions.h"

#include <QFileInfo>
#include <QPrinterInfo>
#include <dlfcn.h>

QStringList TPrinter::Printers() const { return QPrinterInfo::availablePrinterNames(); }

int TPrinter::PrinterIndex() const {
    const QString name = PrinterName();
    return name.isEmpty() ? -1 : int(Printers().indexOf(name));
}

void TPrinter::SetPrinterIndex(int index) {
    const QStringList names = Printers();
    if (index < 0) FName.clear();
    else if (index < names.size()) FName = names[index];
    else throw EPrinter(QStringLiteral("Índice de impresora no válido (%1)").arg(index));
}

QString TPrinter::PrinterName() const {
    // A queue removed from the system since it was chosen gives way to the default.
    const QStringList names = Printers();
    if (!FName.isEmpty() && names.contains(FName)) return FName;
    const QString byDefault = QPrinterInfo::defaultPrinterName();
    if (!byDefault.isEmpty() || names.isEmpty()) return byDefault;
    return names.front();  // queues but no default: the first one
}

QString TPrinter::MissingPrinter() const {
    if (FName.isEmpty()) return QString();
    // No printer at all is the print system away (its server stopped), not the printer gone:
    // the choice stays for when it is back.
    const QStringList names = Printers();
    return names.isEmpty() || names.contains(FName) ? QString() : FName;
}

void TPrinter::SetPrinterName(const QString& name) {
    if (!name.isEmpty() && !Printers().contains(name))
        throw EPrinter(QStringLiteral("La impresora %1 no existe").arg(name));
    FName = name;
}

QString TPrinter::DestinationName() const {
    // The file's name alone: a whole path does not fit where the dialogs show it.
    return FOutputFileName.isEmpty() ? PrinterName() : QStringLiteral("Archivo PDF: ") + QFileInfo(FOutputFileName).fileName();
}

QString SpoolerError() {
    // The print system's library is the one the printer device loaded; its last status is kept
    // per thread. Without it loaded no job went through it.
    void* cups = dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!cups) return QString();
    using TStatus = int (*)();
    using TText = const char* (*)();
    auto status = reinterpret_cast<TStatus>(dlsym(cups, "cupsLastError"));
    auto text = reinterpret_cast<TText>(dlsym(cups, "cupsLastErrorString"));
    QString error;
    const int code = status ? status() : 0;
    switch (code) {
    case 0x0401:  // forbidden
    case 0x0402:  // not authenticated
    case 0x0403:  // not authorized
        error = QStringLiteral("no hay permiso para imprimir en ella");
        break;
    case 0x0406: error = QStringLiteral("la cola no existe"); break;
    case 0x0503: error = QStringLiteral("el servidor de impresión no responde"); break;
    case 0x0506: error = QStringLiteral("la cola no acepta trabajos"); break;
    default:
        // Statuses below 0x100 are the successful ones; the rest are told with the system's words.
        if (code >= 0x100) {
            const char* why = text ? text() : nullptr;
            error = QStringLiteral("error %1 del sistema de impresión").arg(code, 4, 16, QLatin1Char('0'));
            if (why && *why) error += QStringLiteral(" (%1)").arg(QString::fromUtf8(why));
        }
    }
    dlclose(cups);
    return error;
}

TPrinter* Printer() {
    static TPrinter printer;
    return &printer;
}
