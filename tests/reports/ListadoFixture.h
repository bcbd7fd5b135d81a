#pragma once
// A data folder with known rows for the office's list reports, and the text of a report read
// back from its PDF.
#include "InformeFixture.h"



namespace reportstest {

class ListadoTest : public InformeTest {
protected:
    // Runs plain SQL on the data folder (the data module is open on it).
    void Sql(const QString& sql);
    // The report's pages as a PDF, read back by pdftotext -layout (empty when the tool is missing).
    QString Pdf(TQuickRep* report);
    // The lines of `texto`, blanks folded.
    static QStringList Lineas(const QString& texto);
    // The folded line that starts with `inicio`, or empty.
    static QString Linea(const QString& texto, const QString& inicio);
    // The first page of the last run as a PNG for review (docs/reports with ZEMBRA_RENDER_DOCS),
    // checked to hold ink.
    void Dibuja(const QString& nombre);
    static int Cuenta(const QString& texto, const QString& trozo);
    bool hayPdftotext = true;
    void SetUp() override;
};

}  // namespace reportstest
