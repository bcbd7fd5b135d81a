#pragma once
// Shared set-up of the report tests: a data folder with invoice lines and their notes.
#include "platform/db/DBTables.h"
#include "platform/report/QRCtrls.h"
#include "platform/report/QuickRpt.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace reporttest {

struct TLine {
    QString Grupo;
    QString Sub;
    int Num;
    double Importe;
    QString Notas;
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override;
    // LINEAS: GRUPO, SUB, NUM (key), IMPORTE, NOTAS (memo); PARTES: NUM, NOMBRE.
    TTable* Lines(const std::vector<TLine>& rows);
    TTable* Parts(const std::vector<std::pair<int, QString>>& rows);
    TQuery* Query(const QString& sql);
    // A report without margins whose page header (height 23) holds one label.
    TQuickRep* NewReport(const QString& name = QStringLiteral("QRInforme"));
    TQRBand* Band(TQuickRep* report, TQRBandType type, const QString& name, int height);
    // A group header on `expression`; unnamed when `name` is empty.
    TQRGroup* Group(TQuickRep* report, const QString& name, int height, const QString& expression);
    TQRLabel* Label(TQRCustomBand* band, const QString& caption, int left = 0, int top = 0);
    TQRDBText* DBText(TQRCustomBand* band, TDataSet* ds, const QString& field, int left = 0, int top = 0);
    TQRExpr* Expr(TQRCustomBand* band, const QString& expression, int left = 0, int top = 0);
    // Every page's texts, one list per page.
    static std::vector<QStringList> PageTexts();

    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
};

std::vector<TLine> NumberedLines(int count, int perGroup);

// PDF files read back by poppler's tools.
bool HavePdfToText();
// The text of each page, as pdftotext reads it.
QStringList PdfPages(const QString& file);
// A word of a page with its box, in report units from the page's top-left corner.
struct TPdfWord {
    QString Text;
    QRectF Box;
};
std::vector<std::vector<TPdfWord>> PdfWords(const QString& file);

}  // namespace reporttest
