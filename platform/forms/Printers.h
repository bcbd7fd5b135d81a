#pragma once
// The program's printer: the system printer (a CUPS queue) that print jobs go to. It starts on
// the system's default printer; the printer set-up dialog changes it.
#include "platform/classes/Component.h"

#include <QStringList>

class TPrinter : public TObject {
public:
    // Names of the system's printers.
    QStringList Printers() const;
    // Index of the chosen printer in Printers(), -1 when there is none.
    int PrinterIndex() const;
    void SetPrinterIndex(int index);
    // Name of the chosen printer: the one set, else the system's default; empty when the
    // system has no printer.
    QString PrinterName() const;
    // EPrinter when the system has no printer of that name; an empty name goes back to the
    // system's default.
    void SetPrinterName(const QString& name);
    // The printer chosen when it has left the system since (PrinterName() has fallen back to
    // another one); empty otherwise.
    QString MissingPrinter() const;
    // Drops such a printer, so that the fallback shown is the printer jobs go to.
    void ForgetMissingPrinter() {
        if (!MissingPrinter().isEmpty()) FName.clear();
    }
    // A PDF file chosen instead of a printer ("print to file"): while it is set, print jobs are
    // written to it, with no printer needed; empty for the system's printer.
    QString OutputFileName() const { return FOutputFileName; }
    void SetOutputFileName(const QString& fileName) { FOutputFileName = fileName; }
    // What the print dialogs show as the destination: the printer's name or the PDF file's name.
    QString DestinationName() const;

private:
    QString FName, FOutputFileName;
};

// Why the print system refused the last job handed to it from this thread (a queue that
// rejects jobs, a server gone meanwhile); empty when it took the job. The printer device hands
// the job over when its painter ends and keeps the answer to itself.
QString SpoolerError();

// The one printer object of the program.
TPrinter* Printer();
