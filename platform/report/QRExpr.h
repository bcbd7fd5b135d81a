#pragma once
// Expressions of the report elements and group breaks: field references (optionally qualified
// by the dataset's name), numbers, quoted texts, + - * /, parentheses and the aggregates SUM,
// COUNT, MAX, MIN and AVERAGE, which accumulate over the detail rows they are updated with.
#include "platform/rtl/Exceptions.h"

#include <QString>
#include <functional>
#include <memory>

class TField;

ZB_EXCEPTION(EQRExpressionError, Exception)

namespace platform::report {

// A value of an expression: nothing (null field, division by zero), a number or a text.
struct TQRValue {
    enum TKind { vkNull, vkNumber, vkString };
    TKind Kind = vkNull;
    double Number = 0;
    QString Text;

    static TQRValue FromNumber(double v) { TQRValue r; r.Kind = vkNumber; r.Number = v; return r; }
    static TQRValue FromText(const QString& v) { TQRValue r; r.Kind = vkString; r.Text = v; return r; }
    bool IsNull() const { return Kind == vkNull; }
    double AsNumber() const;
    // Numbers in the Spanish format ("1234,5"), or with the picture mask when one is given.
    QString AsString(const QString& mask = QString()) const;
};

// Finds the field named by a reference; qualifier is the part before the dot, or empty.
using TFieldResolver = std::function<TField*(const QString& qualifier, const QString& name)>;

class TQREvaluator {
public:
    TQREvaluator();
    ~TQREvaluator();
    TQREvaluator(const TQREvaluator&) = delete;
    TQREvaluator& operator=(const TQREvaluator&) = delete;

    // Parses the text; EQRExpressionError for bad syntax or an unknown function.
    void Compile(const QString& expression);
    bool Compiled() const { return bool(FRoot); }
    QString Expression() const { return FExpression; }
    void SetResolver(TFieldResolver resolver) { FResolver = std::move(resolver); }

    // The value at the current record, aggregates giving what they accumulated.
    TQRValue Value() const;
    // Adds the current record to every aggregate.
    void Update();
    // Empties the aggregates.
    void Reset();
    bool IsAggregate() const { return FAggregates > 0; }

    struct TNode;

private:
    TQRValue Eval(const TNode* node) const;
    void UpdateNode(TNode* node);
    void ResetNode(TNode* node);
    TQRValue FieldValue(const TNode* node) const;

    QString FExpression;
    std::unique_ptr<TNode> FRoot;
    TFieldResolver FResolver;
    int FAggregates = 0;
};

}  // namespace platform::report
