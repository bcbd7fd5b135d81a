#include "platform/forms/Printers.h"

#include "platform/rtl/Exceptions.h"

#include <QFileInfo>
#include <QPrinterInfo>

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

void TPrinter::SetPrinterName(const QString& name) {
    if (!name.isEmpty() && !Printers().contains(name))
        throw EPrinter(QStringLiteral("La impresora %1 no existe").arg(name));
    FName = name;
}

QString TPrinter::DestinationName() const {
    // The file's name alone: a whole path does not fit where the dialogs show it.
    return FOutputFileName.isEmpty() ? PrinterName() : QStringLiteral("Archivo PDF: ") + QFileInfo(FOutputFileName).fileName();
}

TPrinter* Printer() {
    static TPrinter printer;
    return &printer;
}
