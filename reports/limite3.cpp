#include "reports/limite3.h"

TLimites3::TLimites3(TComponent* owner) : TLimites2(owner) {
    SetName(QStringLiteral("Limites3"));
    SetClientHeight(266);
    Label3 = new TLabel(this);
    Label3->SetName(QStringLiteral("Label3"));
    Label3->SetParent(this);
    Label3->SetBounds(16, 196, 90, 16);
    Label3->SetCaption(QStringLiteral("Abo. Entrada :"));
    cbAbogado = new TComboBox(this);
    cbAbogado->SetName(QStringLiteral("cbAbogado"));
    cbAbogado->SetParent(this);
    cbAbogado->SetBounds(110, 192, 136, 22);
    cbAbogado->SetStyle(csDropDownList);
    Label3->SetFocusControl(cbAbogado);
    btOk->SetTop(230);
    btNo->SetTop(230);

    QAbo = new TQuery(this);
    QAbo->SetName(QStringLiteral("QAbo"));
    QAbo->SetDatabaseName(QStringLiteral("ZEMBRA"));
    QAbo->SQL()->SetText(QStringLiteral("SELECT ABOCLI, NOMBRE || ' ' || APELLIDOS AS NOMABO FROM ABOCLI"));
    QAboABOCLI = new TIntegerField(this);
    QAboABOCLI->SetName(QStringLiteral("QAboABOCLI"));
    QAboABOCLI->SetFieldName(QStringLiteral("ABOCLI"));
    QAboABOCLI->SetDataSet(QAbo);
    QAboNOMABO = new TStringField(this);
    QAboNOMABO->SetName(QStringLiteral("QAboNOMABO"));
    QAboNOMABO->SetFieldName(QStringLiteral("NOMABO"));
    QAboNOMABO->SetSize(51);
    QAboNOMABO->SetDataSet(QAbo);

    OnCreate = TNotifyEvent(this, &TLimites3::FormCreate);
    cbAbogado->OnChange = TNotifyEvent(this, &TLimites3::cbAbogadoChange);
    DoCreate();
}

void TLimites3::FormCreate(TObject*) {
    QAbo->Open();
    cbAbogado->Items()->Add(QStringLiteral("TODOS"));
    FMarcas.assign(1, TBookmark{});
    for (QAbo->First(); !QAbo->Eof(); QAbo->Next()) {
        cbAbogado->Items()->Add(QAboNOMABO->AsString());
        FMarcas.push_back(QAbo->GetBookmark());
    }
    cbAbogado->SetItemIndex(0);
}

void TLimites3::cbAbogadoChange(TObject*) {
    const int i = cbAbogado->ItemIndex();
    if (cbAbogado->Text() != QStringLiteral("TODOS") && i > 0 && i < int(FMarcas.size()))
        QAbo->GotoBookmark(FMarcas[size_t(i)]);
}
