#pragma once
// A query whose SQL may hold macros: "%NAME" stands for any piece of text (an ORDER BY list, a
// condition, a table name) that replaces it before the statement reaches the engine.
#include "platform/db/DBTables.h"

#include <memory>

class TZbQuery : public TQuery {
public:
    explicit TZbQuery(TComponent* owner);
    ~TZbQuery() override;

    // The pattern, as written, with its macros. The inherited statement text holds the expansion.
    TStrings* SQL() const { return FPattern.get(); }
    void SetSQL(TStrings* value) { FPattern->Assign(value); }
    TParams* Macros();
    TParam* MacroByName(const QString& name) { return Macros()->ParamByName(name); }
    int MacroCount() { return Macros()->Count(); }
    QChar MacroChar() const { return FMacroChar; }
    void SetMacroChar(QChar value);
    // Outcome of the last cursor creation: 0 opened, 1 no cursor, 2 in progress.
    int CursorState() const { return FCursorState; }

    // Writes the expansion of the pattern into the statement text.
    void ExpandMacros();

protected:
    void Loaded() override;
    void InternalOpen() override;

public:
    // Closes and unprepares; then takes the statement text's change notice back when something
    // replaced it, so writes of the statement keep becoming the pattern.
    void Disconnect() override;

private:

private:
    void PatternChanged(TObject* sender);
    void StatementChanged(TObject* sender);
    void RecreateMacros();
    void Rebuild();

    std::unique_ptr<TStringList> FPattern;
    std::unique_ptr<TParams> FMacros;
    QChar FMacroChar = QLatin1Char('%');
    TNotifyEvent FSavedChange;
    bool FPending = false, FExpanding = false, FSaving = false;
    int FCursorState = 2;
};

namespace controls::data {
// The macro names of a text in order of appearance: a name written twice is listed twice.
QStringList FindMacros(const QString& text, QChar macroChar);
// One line with every macro that has a value in `macros` replaced, in one left-to-right pass: an
// inserted value is never scanned again. Names match without case; a name listed twice takes the
// value of its first item (the one MacroByName gives). Literals and "%%" pass through unchanged.
QString ExpandLine(const QString& line, QChar macroChar, const TParams& macros);
}  // namespace controls::data
