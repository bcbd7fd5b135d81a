#include "controls/data/ZbQuery.h"

namespace controls::data {
namespace {
bool IsQuote(QChar c) { return c == QLatin1Char('\'') || c == QLatin1Char('"'); }

bool IsDelimiter(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ') || c == QLatin1Char(')') ||
           c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('.');
}

// Reads the macro name that starts after the macro character at `start`; returns the position
// after it. A quoted name runs to its closing quote and loses the quotes.
int ReadName(const QString& text, int start, QString& name) {
    const int n = int(text.size());
    if (start < n && IsQuote(text[start])) {
        const QChar quote = text[start];
        int close = int(text.indexOf(quote, start + 1));
        if (close < 0) close = n;
        name = text.mid(start + 1, close - start - 1);
        return std::min(close + 1, n);
    }
    int end = start;
    while (end < n && !IsDelimiter(text[end])) ++end;
    name = text.mid(start, end - start);
    return end;
}
}  // namespace

QStringList FindMacros(const QString& text, QChar macroChar) {
    QStringList names;
    const int n = int(text.size());
    bool literal = false;
    for (int i = 0; i < n;) {
        const QChar c = text[i];
        if (IsQuote(c)) {
            literal = !literal;
            ++i;
        } else if (!literal && c == macroChar) {
            if (i + 1 < n && text[i + 1] == macroChar) {
                i += 2;
                continue;
            }
            QString name;
            i = ReadName(text, i + 1, name);
            if (!name.isEmpty()) names << name;
        } else {
            ++i;
        }
    }
    return names;
}

QString ExpandLine(const QString& line, QChar macroChar, const TParams& macros) {
    QString out;
    const int n = int(line.size());
    bool literal = false;
    for (int i = 0; i < n;) {
        const QChar c = line[i];
        if (IsQuote(c)) {
            literal = !literal;
            out += c;
            ++i;
        } else if (!literal && c == macroChar) {
            if (i + 1 < n && line[i + 1] == macroChar) {
                out += c;
                out += c;
                i += 2;
                continue;
            }
            QString name;
            const int next = ReadName(line, i + 1, name);
            TParam* macro = name.isEmpty() ? nullptr : macros.FindParam(name);
            if (macro) out += macro->AsString();
            else out += line.mid(i, next - i);
            i = next;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
}  // namespace controls::data

TZbQuery::TZbQuery(TComponent* owner)
    : TQuery(owner), FPattern(std::make_unique<TStringList>()), FMacros(std::make_unique<TParams>()) {
    auto* statement = static_cast<TStringList*>(TQuery::SQL());
    FSavedChange = statement->OnChange;
    statement->OnChange = TNotifyEvent(this, &TZbQuery::StatementChanged);
    FPattern->OnChange = TNotifyEvent(this, &TZbQuery::PatternChanged);
}

TZbQuery::~TZbQuery() {
    static_cast<TStringList*>(TQuery::SQL())->OnChange = FSavedChange;
    FPattern->OnChange = nullptr;
}

TParams* TZbQuery::Macros() {
    if (FPending) Rebuild();
    return FMacros.get();
}

void TZbQuery::SetMacroChar(QChar value) {
    if (value == FMacroChar) return;
    FMacroChar = value;
    RecreateMacros();
}

void TZbQuery::RecreateMacros() {
    auto fresh = std::make_unique<TParams>();
    for (const QString& name : controls::data::FindMacros(FPattern->Text(), FMacroChar))
        fresh->CreateParam(ftString, name, ptInput)->SetAsString(QStringLiteral("0=0"));
    // Values survive pattern edits; each item keeps the spelling the pattern now has.
    for (int i = 0; i < fresh->Count(); ++i) {
        TParam* item = fresh->Items(i);
        if (TParam* old = FMacros->FindParam(item->Name())) {
            const QString name = item->Name();
            *item = *old;
            item->SetName(name);
        }
    }
    FMacros = std::move(fresh);
}

void TZbQuery::Rebuild() {
    RecreateMacros();
    FSaving = true;
    try {
        ExpandMacros();
    } catch (...) {
        FSaving = false;
        FPending = false;
        throw;
    }
    FSaving = false;
    FPending = false;
}

void TZbQuery::ExpandMacros() {
    if (!FSaving && !FPending && FMacros->Count() == 0) return;
    QStringList lines;
    for (int i = 0; i < FPattern->Count(); ++i)
        lines << controls::data::ExpandLine(FPattern->Strings(i), FMacroChar, *FMacros);
    TStrings* statement = TQuery::SQL();
    QStringList current;
    for (int i = 0; i < statement->Count(); ++i) current << statement->Strings(i);
    if (current == lines) return;
    FExpanding = true;
    try {
        platform::classes::InUpdate(statement, [&] {
            statement->Clear();
            for (const QString& l : lines) statement->Add(l);
        });
    } catch (...) {
        FExpanding = false;
        throw;
    }
    FExpanding = false;
}

void TZbQuery::PatternChanged(TObject*) {
    if (HasState(csLoading)) {
        FPending = true;
        return;
    }
    Rebuild();
}

void TZbQuery::StatementChanged(TObject* sender) {
    FSavedChange(sender);
    if (FExpanding) return;
    // Someone else wrote the statement: it becomes the pattern.
    TStrings* statement = TQuery::SQL();
    FPattern->Assign(statement);
}

void TZbQuery::Disconnect() {
    TQuery::Disconnect();
    if (HasState(csDesigning)) return;
    auto* statement = static_cast<TStringList*>(TQuery::SQL());
    const TNotifyEvent own(this, &TZbQuery::StatementChanged);
    if (statement->OnChange == own) return;
    FSavedChange = statement->OnChange;
    statement->OnChange = own;
    if (!FExpanding) FPattern->Assign(statement);
}

void TZbQuery::Loaded() {
    TQuery::Loaded();
    if (FPending) Rebuild();
}

void TZbQuery::InternalOpen() {
    FCursorState = 2;
    try {
        ExpandMacros();
        TQuery::InternalOpen();
    } catch (...) {
        FCursorState = 1;
        throw;
    }
    FCursorState = 0;
}
