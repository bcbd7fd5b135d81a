#include "agenda/UConAgenda.h"

#include "comun/UData.h"
#include "reports/rptLisConAgen.h"

TConAgenda* ConAgenda = nullptr;

QStringList agenda::ConsultaConceptos(bool porTipo) {
    return {QStringLiteral("SELECT A.TIPO as CONCEPTO, B.CODIGO as CODIGO, "), QStringLiteral("B.CONCEPTO as NOMBRE "),
            QStringLiteral("FROM TIPOAGENDAS A, CONAGENDAS B"),
            porTipo ? QStringLiteral("WHERE A.TIPO = B.TIPOAGENDA AND A.TIPO = :TIPO") : QStringLiteral("WHERE A.TIPO = B.TIPOAGENDA"),
            QStringLiteral("ORDER BY CONCEPTO, NOMBRE")};
}

TDataSet* TConAgenda::Tabla() const { return Dat->TConAgendas; }

TConAgenda::TConAgenda(TComponent* owner) : TFormRegistro(owner) {
    SetName(QStringLiteral("ConAgenda"));
    SetCaption(QStringLiteral("Conceptos de la Agenda"));
    SetHelpContext(170);
    for (auto [item, hint] : {std::pair{btImprimir, "Impirmir|Imprime ficha"}, std::pair{btBuscar, "Buscar"},
                              std::pair{btRefresh, "Refresca"}, std::pair{btPrev, "Anterior"}, std::pair{btNext, "Siguiente"},
                              std::pair{btAyuda, "Ayuda|Muestra ayuda "}, std::pair{BtSalir, "Volver|Regresa a la pantalla anterior"},
                              std::pair{btAdd, "Añade"}, std::pair{btDel, "Borra"}, std::pair{btEdit, "Modifica"},
                              std::pair{btFirst, "Primero"}, std::pair{btLast, "Último"}})
        item->SetHint(QString::fromUtf8(hint));
    FijaTamano(560, AreaTop() + 3 * 27 + 8 + 36);

    const int top = AreaTop();
    Rotulo(QStringLiteral("Descripción :"), 5, top, 95);
    DBDescripcion = new TDBEdit(this);
    DBDescripcion->SetName(QStringLiteral("DBDescripcion"));
    DBDescripcion->SetParent(this);
    DBDescripcion->SetBounds(105, top, 440, 21);
    DBDescripcion->SetDataSource(ActiveSource);
    DBDescripcion->SetDataField(QStringLiteral("CONCEPTO"));
    DBDescripcion->SetMaxLength(50);
    Rotulo(QStringLiteral("Dias de Aviso :"), 5, top + 27, 95);
    DBDias = new TDBEdit(this);
    DBDias->SetName(QStringLiteral("DBDias"));
    DBDias->SetParent(this);
    DBDias->SetBounds(105, top + 27, 60, 21);
    DBDias->SetDataSource(ActiveSource);
    DBDias->SetDataField(QStringLiteral("DIAS"));
    Rotulo(QStringLiteral("Tipo :"), 5, top + 54, 95);
    DBLookupComboBox1 = new TZbDBLookupCombo(this);
    DBLookupComboBox1->SetName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->SetParent(this);
    DBLookupComboBox1->SetBounds(105, top + 54, 250, 21);
    DBLookupComboBox1->SetDataSource(ActiveSource);
    DBLookupComboBox1->SetDataField(QStringLiteral("TIPOAGENDA"));
    DBLookupComboBox1->SetLookupSource(Dat->DsTipoAgenda);
    DBLookupComboBox1->SetLookupField(QStringLiteral("TIPO"));
    DBLookupComboBox1->SetLookupDisplay(QStringLiteral("TIPO"));

    // FormCreate: the last concept shows first.
    if (Dat->TConAgendas->Active()) Dat->TConAgendas->Last();
}

TConAgenda::~TConAgenda() {
    if (ConAgenda == this) ConAgenda = nullptr;
}

TFormRegistro::TBusqueda TConAgenda::Busqueda() const {
    return {QStringLiteral("Busca Conceptos de Agenda"), QStringLiteral("Conceptos Agenda"), agenda::ConsultaConceptos(false), true,
            QStringLiteral("CODIGO"), {}};
}

void TConAgenda::ImprimeFicha() { reports::rptLisConAgen(); }
