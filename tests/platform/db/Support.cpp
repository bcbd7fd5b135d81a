#include "Support.h"

namespace dbtest {

void CreateSchema(const QString& folder) {
    TComponent owner(nullptr);
    TTable* t = NewTable(&owner, folder, QStringLiteral("Exped.DB"));
    t->FieldDefs()->Add(QStringLiteral("ANO"), ftString, 4, true);
    t->FieldDefs()->Add(QStringLiteral("NUMERO"), ftString, 7);
    t->FieldDefs()->Add(QStringLiteral("FECHAAPERTURA"), ftDate);
    t->FieldDefs()->Add(QStringLiteral("IMPORTE"), ftFloat);
    t->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger);
    t->FieldDefs()->Add(QStringLiteral("SITUACION"), ftInteger);
    t->FieldDefs()->Add(QStringLiteral("ASUNTO"), ftString, 240);
    t->FieldDefs()->Add(QStringLiteral("OBSERVACIONES"), ftMemo);
    t->IndexDefs()->Add(QString(), QStringLiteral("ANO;NUMERO"), ixPrimary);
    t->CreateTable();

    TTable* c = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
    c->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger, 0, true);
    c->FieldDefs()->Add(QStringLiteral("NOMBRE"), ftString, 20);
    c->FieldDefs()->Add(QStringLiteral("APELLIDOS"), ftString, 30);
    c->FieldDefs()->Add(QStringLiteral("ALTA"), ftBoolean);
    c->IndexDefs()->Add(QString(), QStringLiteral("CLIENTE"), ixPrimary);
    c->IndexDefs()->Add(QStringLiteral("nombre"), QStringLiteral("APELLIDOS;NOMBRE"), ixCaseInsensitive);
    c->CreateTable();

    TTable* l = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    l->FieldDefs()->Add(QStringLiteral("ANO"), ftString, 4, true);
    l->FieldDefs()->Add(QStringLiteral("NUMERO"), ftString, 7, true);
    l->FieldDefs()->Add(QStringLiteral("FECHA"), ftDate);
    l->FieldDefs()->Add(QStringLiteral("ORDEN"), ftInteger, 0, true);
    l->FieldDefs()->Add(QStringLiteral("TIPO"), ftInteger);
    l->FieldDefs()->Add(QStringLiteral("IMPORTE"), ftFloat);
    l->FieldDefs()->Add(QStringLiteral("CONCEPTO"), ftString, 80);
    l->IndexDefs()->Add(QString(), QStringLiteral("ORDEN"), ixPrimary);
    l->IndexDefs()->Add(QStringLiteral("caso"), QStringLiteral("ANO;NUMERO"), 0);
    l->CreateTable();
}

TTable* NewTable(TComponent* owner, const QString& folder, const QString& name) {
    auto* t = new TTable(owner);
    t->SetDatabaseName(folder);
    t->SetTableName(name);
    return t;
}

TQuery* NewQuery(TComponent* owner, const QString& folder, const QString& sql) {
    auto* q = new TQuery(owner);
    q->SetDatabaseName(folder);
    q->SQL()->SetText(sql);
    return q;
}

void AddCase(TTable* exped, const QString& ano, const QString& numero, double importe) {
    exped->Append();
    exped->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
    exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
    exped->Post();
}

int EngineCode(const std::function<void()>& op, QString* message) {
    try {
        op();
    } catch (EDBEngineError& e) {
        if (message) *message = e.Message();
        return e.Errors(0).ErrorCode;
    }
    return 0;
}

}  // namespace dbtest
