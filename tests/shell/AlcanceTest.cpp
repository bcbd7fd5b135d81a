// Whose data a user may reach, over an office of three lawyers with case files, consultations,
// invoices and provisions of each: the page the window opens on, every report of the "&Informes"
// menu read back from its recorded pages, the pick lists over case files and consultations, the
// browser, and the commands that refuse to run without their right.
#include "PrincipioFixture.h"
#include "comun/Abusca.h"
#include "comun/Alcance.h"
#include "platform/report/QuickRpt.h"
#include "reports/Limite.h"
#include "reports/Limite2.h"
#include "reports/ULimExp.h"
#include "shell/Acceso.h"

#include <QSet>

using namespace shelltest;

namespace {

const char* const TodosLosDerechos[] = {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos",
                                        "Listados",   "Fusion",      "Economico", "General"};

class AlcanceTest : public PrincipioTest {
protected:
    // Three lawyers; each case file's procedure and each consultation's type name its lawyer
    // ("MARCA2"), so a row of any list says whose it is.
    void Despacho() {
        Close();
        zbtest::TTamDespacho t;
        t.Expedientes = 60;
        t.Consultas = 30;
        t.Abogados = 3;
        t.Anos = 2;
        t.UltimoAno = QDate::currentDate().year();
        t.Economia = true;
        zbtest::GeneraDespacho(dir.path(), t);
        zbtest::TGenerador g(dir.path());
        g.Exec("UPDATE exped SET PROCEDIMIENTO = 'MARCA' || ABOCLI, ABOENT = 1 + ABOCLI % 3");
        g.Exec("UPDATE consultas SET TIPO = 'MARCA' || ABOCLI");
        // Fees on the case files without provision, so their balances are positive.
        g.Exec("INSERT INTO cuentas (ANO, NUMERO, ORDEN, FECHA, TIPO, CONCEPTO, IMPORTE) SELECT ANO, NUMERO, "
               "100000 + rowid, FECHAAPERTURA + 9, 2, 'Minuta', 900 FROM exped WHERE rowid % 2 = 1");
        Open();
    }
    // The logged-in user: `derechos` (all nine when empty) and the lawyer code.
    void Usuario(const QString& nombre, int abogado, std::initializer_list<const char*> derechos = {},
                 std::initializer_list<const char*> sin = {}) {
        TTable* p = Dat->TPriv;
        if (p->Locate(QStringLiteral("Usuario"), Variant(nombre), 0)) p->Edit();
        else p->Append();
        p->FieldByName(QStringLiteral("Usuario"))->SetAsString(nombre);
        p->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
        for (const char* d : TodosLosDerechos) p->FieldByName(QString::fromLatin1(d))->SetAsBoolean(derechos.size() == 0);
        for (const char* d : derechos) p->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        for (const char* d : sin) p->FieldByName(QString::fromLatin1(d))->SetAsBoolean(false);
        p->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(abogado);
        p->Post();
    }
    QSet<QString> Columna(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(sql);
        q.Open();
        QSet<QString> r;
        for (; !q.Eof(); q.Next()) r << q.Fields()->Fields(0)->AsString();
        return r;
    }
    // Every text of every page of the report the command previews, its limits answered with
    // everything: all numbers, lawyers or clients, all dates, case files and consultations.
    QString Informe(TPrincipio::TOrden orden, bool limites = true) {
        if (limites) harness->AnswerModal([](TCustomForm& f) {
            if (auto* l = dynamic_cast<TFLimExp*>(&f)) l->rbTodos->SetChecked(true);
            if (auto* l = dynamic_cast<TLimites*>(&f)) {
                l->EDesde->SetText(QStringLiteral("01/01/1990"));
                l->EHasta->SetText(QStringLiteral("31/12/2099"));
            }
            if (auto* l = dynamic_cast<TLimites2*>(&f)) l->RGTipo->SetItemIndex(0);
            f.SetModalResult(mrOk);
        });
        QStringList textos;
        harness->AnswerModal([&](TCustomForm&) {
            for (int p = 1; p <= QRPrinter->PageCount(); ++p) textos << QRPrinter->Pages(p).Texts();
        });
        form->Ordena(orden, form.get());
        return textos.join(QLatin1Char('\n'));
    }
    static QSet<int> Marcas(const QString& texto) {
        QSet<int> r;
        for (int a = 1; a <= 3; ++a)
            if (texto.contains(QStringLiteral("MARCA%1").arg(a))) r << a;
        return r;
    }
    // The rows of the pick list the command shows, by their NOMBRE.
    QSet<QString> Lista(const std::function<void()>& comando) {
        QSet<QString> r;
        harness->AnswerModal([&](TCustomForm& f) {
            auto* b = dynamic_cast<TBuscar*>(&f);
            ASSERT_NE(b, nullptr);
            for (b->QBusca->First(); !b->QBusca->Eof(); b->QBusca->Next())
                r << b->QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString();
            f.SetModalResult(mrNo);
        });
        comando();
        return r;
    }
};

// The "&Informes" commands over case files, consultations, invoices and provisions.
const TPrincipio::TOrden Listados[] = {
    &TPrincipio::ProvisionesdeFondos1Click, &TPrincipio::SinProvisionesdeFondos1Click, &TPrincipio::PorNmero1Click,
    &TPrincipio::PorProcuradordelDespacho1Click, &TPrincipio::PorCliente1Click, &TPrincipio::ConSaldoPositivo1Click,
    &TPrincipio::SinMovimientos1Click, &TPrincipio::General1Click, &TPrincipio::PorNmero2Click,
    &TPrincipio::SinNmero1Click, &TPrincipio::PorAbogadodeEntrada1Click};

TEST_F(AlcanceTest, TheWindowOpensOnAPageTheUserMaySee) {
    Despacho();
    Usuario(QStringLiteral("CONSULTAS"), -1, {"Consulta"});
    Muestra();
    EXPECT_FALSE(form->pgExped->TabVisible());
    EXPECT_EQ(form->Paginas->ActivePage(), form->pgConsultas);
    EXPECT_TRUE(form->Consultas1->Enabled());
    EXPECT_FALSE(form->Expedientes1->Enabled());

    // A change of user that hides the page shown moves to the page left, with its commands.
    Usuario(QStringLiteral("TODO"), -1);
    Usuario(QStringLiteral("EXPEDIENTES"), -1, {"Expedientes"});
    harness->AnswerModal([](TCustomForm& f) {
        Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("TODO")), 0);
        f.SetModalResult(mrOk);
    });
    form->CambiodeUsuario1Click(form.get());
    EXPECT_EQ(form->Paginas->ActivePage(), form->pgConsultas);
    harness->AnswerModal([](TCustomForm& f) {
        Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("EXPEDIENTES")), 0);
        f.SetModalResult(mrOk);
    });
    form->CambiodeUsuario1Click(form.get());
    EXPECT_EQ(form->Paginas->ActivePage(), form->pgExped);
    EXPECT_TRUE(form->Expedientes1->Enabled());
    EXPECT_FALSE(form->Consultas1->Enabled());

    // After a user who may see no page, the next one's page is shown with its list, not an empty tab.
    Usuario(QStringLiteral("NADIE"), -1, {}, {"Expedientes", "Consulta"});
    for (const char* u : {"NADIE", "EXPEDIENTES"}) {
        harness->AnswerModal([u](TCustomForm& f) {
            Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QString::fromLatin1(u)), 0);
            f.SetModalResult(mrOk);
        });
        form->CambiodeUsuario1Click(form.get());
    }
    EXPECT_TRUE(form->Paginas->Visible());
    EXPECT_EQ(form->Paginas->ActivePage(), form->pgExped);
    EXPECT_TRUE(form->pgExped->Visible());
    EXPECT_TRUE(form->Expedientes1->Enabled());
}

// Rights changed while the user works: the menus, pages and buttons follow them as soon as the
// users form closes, or, when another workstation changed them, at the first command refused;
// none is left offered that does nothing.
TEST_F(AlcanceTest, RightsChangedDuringTheSessionReachTheMenusAtOnce) {
    Despacho();
    Usuario(QStringLiteral("ANA"), -1);
    Muestra();
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form.get());
    ASSERT_TRUE(form->Consultas1->Enabled());
    // The user takes away its own consultations in the users form.
    harness->AnswerModal([](TCustomForm&) {
        Dat->TPriv->Edit();
        Dat->TPriv->FieldByName(QStringLiteral("Consulta"))->SetAsBoolean(false);
        Dat->TPriv->Post();
    });
    form->Ordena(&TPrincipio::Accesos1Click, form.get());
    EXPECT_FALSE(form->pgConsultas->TabVisible());
    EXPECT_EQ(form->Paginas->ActivePage(), form->pgExped);
    EXPECT_FALSE(form->Consultas1->Enabled());
    EXPECT_TRUE(form->Expedientes1->Enabled());

    // Another workstation takes away the case files and gives the reports.
    TQuery q(nullptr);
    q.SetDatabaseName(QStringLiteral("ZEMBRA"));
    q.SQL()->SetText(QStringLiteral("UPDATE PRIVACIDAD SET Expedientes = 0, Listados = 1 WHERE Usuario = 'ANA'"));
    q.ExecSQL();
    Dat->RefrescaTablas();
    ASSERT_TRUE(form->Nuevo1->Enabled());
    harness->ClearRecords();
    form->Nuevo1->Click();
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_FALSE(form->Nuevo1->Enabled() && form->Expedientes1->Enabled());
    EXPECT_FALSE(form->Paginas->Visible());
    EXPECT_TRUE(form->Informes1->Enabled());
}

// The office narrows the user to one lawyer from another workstation while the window is open:
// the agenda and the ledger of a case file the list still shows, of another lawyer, are refused,
// whether the list was narrowed to that lawyer or showed every lawyer's.
TEST_F(AlcanceTest, TheCaseViewsOfALawyerTakenOutOfReachMeanwhileAreRefused) {
    Despacho();
    const TPrincipio::TOrden vistas[] = {&TPrincipio::Agenda1Click, &TPrincipio::Economico1Click};
    // The windows the command opened; one expected is closed as the user would (and freed).
    auto abiertas = [&](TPrincipio::TOrden orden, bool esperada) {
        harness->ClearRecords();
        if (esperada) harness->AnswerModal(mrCancel);
        form->Ordena(orden, form.get());
        platform::forms::TFormHarness::ProcessEvents();
        return harness->ModalForms().size();
    };
    auto restringe = [](int abogado) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("UPDATE PRIVACIDAD SET Abogado = %1 WHERE Usuario = 'ANA'").arg(abogado));
        q.ExecSQL();
        Dat->RefrescaTablas();
    };
    auto abogadoDelCaso = [&] { return form->TExped->FieldByName(QStringLiteral("ABOCLI"))->AsInteger(); };

    for (TPrincipio::TOrden orden : vistas) {
        // The list narrowed to lawyer 2, on one of its case files; the user then kept to lawyer 1.
        Usuario(QStringLiteral("ANA"), -1);
        Muestra();
        form->QAbo->Locate(QStringLiteral("ABOCLI"), Variant(2), 0);
        form->ZbAbogados->SetValue(QStringLiteral("2"));
        form->ZbAbogadosChange(form.get());
        ASSERT_FALSE(form->TExped->IsEmpty());
        ASSERT_EQ(abogadoDelCaso(), 2);
        EXPECT_EQ(abiertas(orden, true), 1u);
        restringe(1);
        EXPECT_EQ(abiertas(orden, false), 0u);
        form.reset();

        // Every lawyer's case files listed, on one of a lawyer other than the one the office's
        // lawyers table stands on; the user then kept to that one.
        Usuario(QStringLiteral("ANA"), -1);
        Muestra();
        ASSERT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
        const int sobre = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
        const int otro = sobre % 3 + 1;
        ASSERT_TRUE(form->TExped->Locate(QStringLiteral("ABOCLI"), Variant(otro), 0));
        EXPECT_EQ(abiertas(orden, true), 1u);
        restringe(sobre);
        EXPECT_EQ(abiertas(orden, false), 0u);
        // The list, shown again, no longer offers the case file either.
        form->RefrescaExpedientes();
        EXPECT_FALSE(form->TExped->Locate(QStringLiteral("ABOCLI"), Variant(otro), 0));
        form.reset();
    }
}

TEST_F(AlcanceTest, EveryListReportKeepsToTheRowsOfTheUsersLawyer) {
    Despacho();
    Usuario(QStringLiteral("ANA"), 2);
    Muestra();
    for (TPrincipio::TOrden orden : Listados) {
        const QString texto = Informe(orden);
        EXPECT_EQ(Marcas(texto), QSet<int>{2}) << texto.left(600).toStdString();
    }
    // The browser's own lists, of both pages, with "TODOS" shown.
    ASSERT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    form->cbAnio->SetChecked(false);
    form->cbAnioClick(form.get());
    EXPECT_EQ(Marcas(Informe(&TPrincipio::btImprimirClick, false)), QSet<int>{2});
    const QList<int> expedientes = Abogados(form->TExped);
    EXPECT_EQ(QSet<int>(expedientes.begin(), expedientes.end()), QSet<int>{2});
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form.get());
    EXPECT_EQ(Marcas(Informe(&TPrincipio::btImprimirClick, false)), QSet<int>{2});
    const QList<int> consultas = Abogados(form->TConsul);
    EXPECT_EQ(QSet<int>(consultas.begin(), consultas.end()), QSet<int>{2});
    form.reset();

    // Nobody's data, and everybody's.
    Usuario(QStringLiteral("ANA"), 0);
    Muestra();
    for (TPrincipio::TOrden orden : Listados) EXPECT_TRUE(Marcas(Informe(orden)).isEmpty());
    form.reset();
    Usuario(QStringLiteral("ANA"), -1);
    Muestra();
    for (TPrincipio::TOrden orden : Listados) EXPECT_EQ(Marcas(Informe(orden)), (QSet<int>{1, 2, 3}));
}

TEST_F(AlcanceTest, PickListsOverCaseFilesAndConsultationsKeepToTheUsersLawyer) {
    Despacho();
    Usuario(QStringLiteral("ANA"), 2);
    Muestra();
    // "Buscar Cliente Consultas": the clients of the user's lawyer's consultations.
    const QSet<QString> clientes = Lista([&] { form->Ordena(&TPrincipio::PorCliente2Click, form.get()); });
    EXPECT_FALSE(clientes.isEmpty());
    EXPECT_EQ(clientes, Columna(QStringLiteral("SELECT DISTINCT NOMCLIENTE FROM CONSULTAS WHERE NOMCLIENTE IS NOT NULL "
                                               "AND ABOCLI = 2")));

    // The case numbers the limits of the case-file lists offer.
    QSet<QString> numeros;
    harness->AnswerModal([&](TCustomForm& f) {
        auto* l = dynamic_cast<TFLimExp*>(&f);
        ASSERT_NE(l, nullptr);
        l->rbLimite->SetChecked(true);
        l->rbLimiteClick(l);
        for (l->QExpD->First(); !l->QExpD->Eof(); l->QExpD->Next())
            numeros << l->QExpD->FieldByName(QStringLiteral("NUMERO"))->AsString();
        f.SetModalResult(mrCancel);
    });
    form->Ordena(&TPrincipio::PorNmero1Click, form.get());
    EXPECT_FALSE(numeros.isEmpty());
    EXPECT_EQ(numeros, Columna(QStringLiteral("SELECT NUMERO FROM EXPED WHERE ABOCLI = 2 AND ANO = '%1'").arg(AnoSeleccionado)));
    form.reset();

    Usuario(QStringLiteral("ANA"), 0);
    Muestra();
    EXPECT_TRUE(Lista([&] { form->Ordena(&TPrincipio::PorCliente2Click, form.get()); }).isEmpty());
}

// The rule itself: the condition that the queries take and the test of one record agree.
TEST_F(AlcanceTest, TheRuleOnTheUsersLawyerAsConditionAndAsTest) {
    EXPECT_TRUE(comun::CondicionAlcance(-1).isEmpty());
    EXPECT_EQ(comun::CondicionAlcance(0), QStringLiteral("0 = 1"));
    EXPECT_EQ(comun::CondicionAlcance(-7), QStringLiteral("0 = 1"));
    EXPECT_EQ(comun::CondicionAlcance(4, QStringLiteral("B.ABOCLI")), QStringLiteral("B.ABOCLI = 4"));
    EXPECT_TRUE(comun::Alcanza(-1, 0));
    EXPECT_FALSE(comun::Alcanza(0, 0)) << "a case file without lawyer is nobody's to a user of none";
    EXPECT_TRUE(comun::Alcanza(4, 4));
    EXPECT_FALSE(comun::Alcanza(4, 5));
    Usuario(QStringLiteral("ANA"), 3);
    EXPECT_EQ(comun::AbogadoUsuario(), 3);
    EXPECT_EQ(comun::YAlcance(), QStringLiteral(" AND ABOCLI = 3 "));
}

// Without each right in turn: its commands refuse to run whoever calls them, and the menu item
// or button that offers them is disabled.
TEST_F(AlcanceTest, ACommandRefusesToRunWithoutItsRight) {
    Genera(1, 4);
    HayWord = true;
    // An item is offered when it and every menu above it are enabled.
    auto ofrecido = [](TMenuItem* i) {
        for (; i; i = i->Parent())
            if (!i->Enabled()) return false;
        return true;
    };
    struct TCaso {
        const char* Derecho;
        TPrincipio::TOrden Orden;
        std::function<bool(TPrincipio&)> Ofrecido;
    };
    const std::vector<TCaso> casos = {
        {"General", &TPrincipio::Clientes1Click, [&](TPrincipio& f) { return ofrecido(f.Clientes1); }},
        {"General", &TPrincipio::Despacho1Click, [&](TPrincipio& f) { return ofrecido(f.Despacho1); }},
        {"Privacidad", &TPrincipio::Accesos1Click, [&](TPrincipio& f) { return ofrecido(f.Accesos1); }},
        {"Privacidad", &TPrincipio::Limpiardatos1Click, [&](TPrincipio& f) { return ofrecido(f.Limpiardatos1); }},
        {"Modelos", &TPrincipio::btEscritosClick, [](TPrincipio& f) { return f.btEscritos->Enabled(); }},
        {"Listados", &TPrincipio::PorNmero1Click,
         [&](TPrincipio& f) {
             auto* i = dynamic_cast<TMenuItem*>(f.FindComponent(QStringLiteral("PorNmero1")));
             return i && ofrecido(i);
         }},
        {"Listados", &TPrincipio::General1Click,
         [&](TPrincipio& f) {
             auto* i = dynamic_cast<TMenuItem*>(f.FindComponent(QStringLiteral("General1")));
             return i && ofrecido(i);
         }},
        {"Listados", &TPrincipio::btImprimirClick, [](TPrincipio& f) { return f.btImprimir->Enabled(); }},
        {"Expedientes", &TPrincipio::Abrir2Click, [&](TPrincipio& f) { return ofrecido(f.Abrir2); }},
        {"Consulta", &TPrincipio::Nuevo2Click, [&](TPrincipio& f) { return ofrecido(f.Nuevo2); }},
        {"Agenda", &TPrincipio::btAgendaClick, [](TPrincipio& f) { return f.btAgenda->Enabled(); }},
        {"Economico", &TPrincipio::Economico1Click, [&](TPrincipio& f) { return ofrecido(f.Economico1); }},
    };
    for (const TCaso& c : casos) {
        SCOPED_TRACE(c.Derecho);
        Usuario(QStringLiteral("ANA"), -1, {}, {c.Derecho});
        Muestra();
        harness->ClearRecords();
        EXPECT_FALSE(c.Ofrecido(*form));
        form->Ordena(c.Orden, form.get());
        EXPECT_TRUE(harness->ModalForms().empty()) << harness->ModalForms().front().FormClass.toStdString();
        EXPECT_TRUE(Texts().isEmpty()) << Texts().join(QLatin1Char('|')).toStdString();
        form.reset();
    }
    // Not one report of the "&Informes" menu runs without "Listados", however it is called.
    Usuario(QStringLiteral("ANA"), -1, {}, {"Listados"});
    Muestra();
    harness->ClearRecords();
    EXPECT_FALSE(form->Informes1->Enabled());
    using T = TPrincipio;
    for (T::TOrden orden :
         {&T::Clientes2Click, &T::Contrarios2Click, &T::Abogados2Click, &T::Alfabtico1Click, &T::PorPartido1Click,
          &T::Alfabtico2Click, &T::PorProfesin1Click, &T::Poderes1Click, &T::ProvisionesdeFondos1Click,
          &T::SinProvisionesdeFondos1Click, &T::PorNmero1Click, &T::PorProcuradordelDespacho1Click, &T::PorCliente1Click,
          &T::ConSaldoPositivo1Click, &T::SinMovimientos1Click, &T::General1Click, &T::PorNmero2Click, &T::SinNmero1Click,
          &T::PorAbogadodeEntrada1Click, &T::ConceptosContables2Click, &T::Agenda2Click, &T::Procedimientos1Click,
          &T::Tribunales1Click, &T::TiposdeDespachos1Click, &T::DesinosdeDespachos1Click})
        form->Ordena(orden, form.get());
    // Nor through its menu item, though the item itself is not greyed.
    static_cast<TMenuItem*>(form->FindComponent(QStringLiteral("PorNmero2")))->Click();
    EXPECT_TRUE(harness->ModalForms().empty());
    form.reset();

    // The same commands run for a user who holds the right.
    Usuario(QStringLiteral("ANA"), -1);
    Muestra();
    harness->AnswerModal(mrCancel);
    form->Ordena(&TPrincipio::PorNmero1Click, form.get());
    EXPECT_EQ(harness->ModalForms().size(), 1u);
}

}  // namespace
