#include "platform/report/QRExpr.h"

#include "platform/db/DB.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <vector>

namespace platform::report {

double TQRValue::AsNumber() const {
    if (Kind == vkNumber) return Number;
    if (Kind == vkString) {
        double v = 0;
        if (TryStrToFloat(Trim(Text), v)) return v;
    }
    return 0;
}

QString TQRValue::AsString(const QString& mask) const {
    switch (Kind) {
    case vkNull: return QString();
    case vkString: return Text;
    case vkNumber: return mask.isEmpty() ? FloatToStr(Number) : FormatFloat(mask, Number);
    }
    return QString();
}

enum class TOp { Number, Text, Field, Neg, Add, Sub, Mul, Div, Sum, Count, Max, Min, Average };

struct TQREvaluator::TNode {
    TOp Op = TOp::Number;
    double Number = 0;
    QString Text, Qualifier;
    std::unique_ptr<TNode> A, B;
    // Aggregate state.
    double Sum = 0, Extreme = 0;
    int Count = 0;
};

namespace {

struct TToken {
    enum TKind { tkEnd, tkNumber, tkText, tkIdent, tkSymbol } Kind = tkEnd;
    QString Text;
    double Number = 0;
};

class TParser {
public:
    TParser(const QString& s, int& aggregates) : FS(s), FAggregates(aggregates) { Advance(); }

    std::unique_ptr<TQREvaluator::TNode> Parse() {
        auto n = Additive();
        if (FTok.Kind != TToken::tkEnd) Fail();
        return n;
    }

private:
    using PNode = std::unique_ptr<TQREvaluator::TNode>;

    [[noreturn]] void Fail() const {
        throw EQRExpressionError(QStringLiteral("Expresión errónea: %1").arg(FS));
    }

    void Advance() {
        while (FPos < FS.size() && FS[FPos].isSpace()) ++FPos;
        FTok = TToken();
        if (FPos >= FS.size()) return;
        QChar c = FS[FPos];
        if (c.isDigit() || (c == u'.' && FPos + 1 < FS.size() && FS[FPos + 1].isDigit())) {
            int start = FPos;
            while (FPos < FS.size() && (FS[FPos].isDigit() || FS[FPos] == u'.')) ++FPos;
            bool ok = false;
            FTok.Kind = TToken::tkNumber;
            FTok.Number = FS.mid(start, FPos - start).toDouble(&ok);
            if (!ok) Fail();
            return;
        }
        if (c == u'\'' || c == u'"') {
            QString text;
            ++FPos;
            for (;;) {
                if (FPos >= FS.size()) Fail();
                if (FS[FPos] == c) {
                    if (FPos + 1 < FS.size() && FS[FPos + 1] == c) {
                        text += c;
                        FPos += 2;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                text += FS[FPos++];
            }
            FTok.Kind = TToken::tkText;
            FTok.Text = text;
            return;
        }
        if (c.isLetter() || c == u'_') {
            int start = FPos;
            while (FPos < FS.size() && (FS[FPos].isLetterOrNumber() || FS[FPos] == u'_' || FS[FPos] == u'.')) ++FPos;
            FTok.Kind = TToken::tkIdent;
            FTok.Text = FS.mid(start, FPos - start);
            return;
        }
        if (QStringLiteral("+-*/(),").contains(c)) {
            FTok.Kind = TToken::tkSymbol;
            FTok.Text = QString(c);
            ++FPos;
            return;
        }
        Fail();
    }

    bool IsSymbol(const char* s) const { return FTok.Kind == TToken::tkSymbol && FTok.Text == QLatin1String(s); }

    PNode Make(TOp op, PNode a = nullptr, PNode b = nullptr) {
        auto n = std::make_unique<TQREvaluator::TNode>();
        n->Op = op;
        n->A = std::move(a);
        n->B = std::move(b);
        return n;
    }

    PNode Additive() {
        PNode left = Multiplicative();
        while (IsSymbol("+") || IsSymbol("-")) {
            TOp op = IsSymbol("+") ? TOp::Add : TOp::Sub;
            Advance();
            left = Make(op, std::move(left), Multiplicative());
        }
        return left;
    }

    PNode Multiplicative() {
        PNode left = Unary();
        while (IsSymbol("*") || IsSymbol("/")) {
            TOp op = IsSymbol("*") ? TOp::Mul : TOp::Div;
            Advance();
            left = Make(op, std::move(left), Unary());
        }
        return left;
    }

    PNode Unary() {
        if (IsSymbol("-")) {
            Advance();
            return Make(TOp::Neg, Unary());
        }
        if (IsSymbol("+")) {
            Advance();
            return Unary();
        }
        return Primary();
    }

    PNode Primary() {
        if (FTok.Kind == TToken::tkNumber) {
            auto n = Make(TOp::Number);
            n->Number = FTok.Number;
            Advance();
            return n;
        }
        if (FTok.Kind == TToken::tkText) {
            auto n = Make(TOp::Text);
            n->Text = FTok.Text;
            Advance();
            return n;
        }
        if (IsSymbol("(")) {
            Advance();
            PNode n = Additive();
            if (!IsSymbol(")")) Fail();
            Advance();
            return n;
        }
        if (FTok.Kind != TToken::tkIdent) Fail();
        QString name = FTok.Text;
        Advance();
        if (IsSymbol("(")) return Function(name);
        auto n = Make(TOp::Field);
        int dot = name.lastIndexOf(u'.');
        if (dot == 0 || dot == name.size() - 1 || name.contains(QStringLiteral(".."))) Fail();
        if (dot > 0) {
            n->Qualifier = name.left(dot);
            n->Text = name.mid(dot + 1);
        } else {
            n->Text = name;
        }
        return n;
    }

    PNode Function(const QString& name) {
        QString upper = name.toUpper();
        TOp op;
        if (upper == QLatin1String("SUM")) op = TOp::Sum;
        else if (upper == QLatin1String("COUNT")) op = TOp::Count;
        else if (upper == QLatin1String("MAX")) op = TOp::Max;
        else if (upper == QLatin1String("MIN")) op = TOp::Min;
        else if (upper == QLatin1String("AVERAGE")) op = TOp::Average;
        else throw EQRExpressionError(QStringLiteral("Función desconocida: %1").arg(name));
        Advance();  // "("
        PNode arg;
        if (!IsSymbol(")")) arg = Additive();
        if (!IsSymbol(")")) Fail();
        Advance();
        if (!arg && op != TOp::Count) Fail();
        ++FAggregates;
        return Make(op, std::move(arg));
    }

    QString FS;
    int FPos = 0;
    TToken FTok;
    int& FAggregates;
};

bool IsNumericField(const TField* f) {
    switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
        return true;
    default:
        return false;
    }
}

}  // namespace

TQREvaluator::TQREvaluator() = default;
TQREvaluator::~TQREvaluator() = default;

void TQREvaluator::Compile(const QString& expression) {
    FRoot.reset();
    FAggregates = 0;
    FExpression = expression;
    if (Trim(expression).isEmpty()) {
        FRoot = std::make_unique<TNode>();
        FRoot->Op = TOp::Text;
        return;
    }
    int aggregates = 0;
    TParser parser(expression, aggregates);
    FRoot = parser.Parse();
    FAggregates = aggregates;
}

TQRValue TQREvaluator::FieldValue(const TNode* node) const {
    TField* f = FResolver ? FResolver(node->Qualifier, node->Text) : nullptr;
    if (!f) {
        QString full = node->Qualifier.isEmpty() ? node->Text : node->Qualifier + u'.' + node->Text;
        throw EQRExpressionError(QStringLiteral("Campo desconocido: %1").arg(full));
    }
    if (!f->DataSet() || !f->DataSet()->Active() || f->IsNull()) return {};
    if (IsNumericField(f)) return TQRValue::FromNumber(f->AsFloat());
    return TQRValue::FromText(f->AsString());
}

TQRValue TQREvaluator::Eval(const TNode* n) const {
    switch (n->Op) {
    case TOp::Number: return TQRValue::FromNumber(n->Number);
    case TOp::Text: return TQRValue::FromText(n->Text);
    case TOp::Field: return FieldValue(n);
    case TOp::Neg: {
        TQRValue v = Eval(n->A.get());
        return v.IsNull() ? v : TQRValue::FromNumber(-v.AsNumber());
    }
    case TOp::Add: {
        TQRValue a = Eval(n->A.get()), b = Eval(n->B.get());
        if (a.Kind == TQRValue::vkString || b.Kind == TQRValue::vkString)
            return TQRValue::FromText(a.AsString() + b.AsString());
        if (a.IsNull() && b.IsNull()) return {};
        return TQRValue::FromNumber(a.AsNumber() + b.AsNumber());
    }
    case TOp::Sub:
    case TOp::Mul:
    case TOp::Div: {
        TQRValue a = Eval(n->A.get()), b = Eval(n->B.get());
        if (a.IsNull() && b.IsNull()) return {};
        double x = a.AsNumber(), y = b.AsNumber();
        if (n->Op == TOp::Sub) return TQRValue::FromNumber(x - y);
        if (n->Op == TOp::Mul) return TQRValue::FromNumber(x * y);
        if (y == 0) return {};
        return TQRValue::FromNumber(x / y);
    }
    case TOp::Sum: return TQRValue::FromNumber(n->Sum);
    case TOp::Count: return TQRValue::FromNumber(n->Count);
    case TOp::Max:
    case TOp::Min: return n->Count > 0 ? TQRValue::FromNumber(n->Extreme) : TQRValue::FromNumber(0);
    case TOp::Average: return TQRValue::FromNumber(n->Count > 0 ? n->Sum / n->Count : 0);
    }
    return {};
}

TQRValue TQREvaluator::Value() const { return FRoot ? Eval(FRoot.get()) : TQRValue(); }

void TQREvaluator::UpdateNode(TNode* n) {
    if (!n) return;
    switch (n->Op) {
    case TOp::Sum:
    case TOp::Count:
    case TOp::Max:
    case TOp::Min:
    case TOp::Average: {
        if (!n->A) {  // COUNT(): every row
            ++n->Count;
            return;
        }
        TQRValue v = Eval(n->A.get());
        if (v.IsNull()) return;  // empty values are not counted, as in SQL
        double x = v.AsNumber();
        if (n->Count == 0) n->Extreme = x;
        else if (n->Op == TOp::Max) n->Extreme = std::max(n->Extreme, x);
        else if (n->Op == TOp::Min) n->Extreme = std::min(n->Extreme, x);
        n->Sum += x;
        ++n->Count;
        return;
    }
    default:
        UpdateNode(n->A.get());
        UpdateNode(n->B.get());
    }
}

void TQREvaluator::Update() {
    if (FAggregates > 0) UpdateNode(FRoot.get());
}

void TQREvaluator::ResetNode(TNode* n) {
    if (!n) return;
    n->Sum = n->Extreme = 0;
    n->Count = 0;
    ResetNode(n->A.get());
    ResetNode(n->B.get());
}

void TQREvaluator::Reset() { ResetNode(FRoot.get()); }

}  // namespace platform::report
