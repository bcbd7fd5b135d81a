// Field components: typed access to the values of the current record, their texts in the
// workstation's formats, validation and lookups.
#include "platform/db/DB.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/SysUtils.h"

#include <QFile>
#include <algorithm>
#include <cmath>

void DatabaseError(const QString& message, TComponent* component) {
    if (component && !component->Name().isEmpty()) throw EDatabaseError(component->Name() + QStringLiteral(": ") + message);
    throw EDatabaseError(message);
}

namespace {
using platform::db::BlankValue;
QString Fmt(double v) {
    QString s = QString::number(v, 'g', 15);
    return s;
}
}  // namespace

// ---------------------------------------------------------------------------------------------- TField

namespace {
// A field's column layout is what form storage keeps of it ("TExpedAUTOS.DisplayWidth").
bool PublishFieldProps() {
    using P = Prop<TField>;
    RegisterClassProps<TField, TComponent>({
        P::Int(QStringLiteral("DisplayWidth"), &TField::DisplayWidth, &TField::SetDisplayWidth),
        P::Bool(QStringLiteral("Visible"), &TField::Visible, &TField::SetVisible),
    });
    return true;
}
}  // namespace

TField::TField(TComponent* owner) : TComponent(owner) {
    static const bool published = PublishFieldProps();
    (void)published;
}

TField::~TField() {
    if (FDataSet) {
        FDataSet->FFields->Remove(this);
        FDataSet = nullptr;
    }
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet) return;
    if ((FDataSet && FDataSet->Active()) || (dataSet && dataSet->Active()))
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), dataSet ? dataSet : FDataSet);
    if (FDataSet) FDataSet->FFields->Remove(this);
    FDataSet = dataSet;
    if (FDataSet) {
        FDataSet->FFields->Add(this);
        if (!FDynamic) FDataSet->FDefaultFields = false;
    }
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && FRarely && component == FRarely->LookupDataSet) FRarely->LookupDataSet = nullptr;
}

void TField::SetLookupDataSet(TDataSet* value) {
    if (TDataSet* old = LookupDataSet()) old->RemoveFreeNotification(this);
    if (!value && !FRarely) return;
    Rarely().LookupDataSet = value;
    if (value) value->FreeNotification(this);
}

namespace {
void Layout(TField* f) {
    if (f->DataSet()) f->DataSet()->DataEvent(deLayoutChange);
}
}  // namespace

void TField::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    Layout(this);
}
void TField::SetDisplayLabel(const QString& value) {
    FDisplayLabel = value == FFieldName ? QString() : value;
    Layout(this);
}
int TField::DisplayWidth() const {
    if (FDisplayWidth >= 0) return FDisplayWidth;
    switch (FDataType) {
    case ftString: return FSize > 0 ? FSize : 20;
    case ftSmallint: return 6;
    case ftInteger:
    case ftAutoInc: return 11;
    case ftFloat:
    case ftCurrency: return 10;
    case ftBoolean: return 5;
    case ftDate:
    case ftTime: return 10;
    case ftDateTime: return 18;
    default: return 10;
    }
}
void TField::SetDisplayWidth(int value) {
    // Widths come back from layouts the user may have edited by hand: one past what any screen
    // shows made a grid column millions of pixels wide, and its pixel width overflowed.
    constexpr int kWidest = 1024;
    FDisplayWidth = std::min(value, kWidest);
    Layout(this);
}
void TField::SetAlignment(TAlignment value) {
    FAlignment = value;
    Layout(this);
}
void TField::SetDisplayFormat(const QString& value) {
    Rarely().DisplayFormat = value;
    if (FDataSet) FDataSet->DataEvent(deDataSetChange);
}
bool TField::IsValidChar(QChar c) const { return !FRarely || FRarely->ValidChars.isEmpty() || FRarely->ValidChars.contains(c); }

int TField::Index() const { return FDataSet ? FDataSet->FFields->IndexOf(const_cast<TField*>(this)) : -1; }
void TField::SetIndex(int value) {
    if (!FDataSet) return;
    int cur = Index();
    if (value < 0) value = 0;
    if (value >= FDataSet->FFields->Count()) value = FDataSet->FFields->Count() - 1;
    if (cur == value) return;
    FDataSet->FFields->Move(cur, value);
    FDataSet->DataEvent(deLayoutChange);
}

bool TField::CanModify() const {
    if (FReadOnly || !FDataSet) return false;
    if (FFieldKind == fkCalculated || FFieldKind == fkInternalCalc) return false;
    if (FFieldKind == fkLookup && KeyFields().isEmpty()) return false;
    return FDataSet->CanModify();
}
bool TField::IsIndexField() const { return FDataSet && FFieldKind == fkData && FDataSet->IsIndexSlot(FFieldNo); }

QVariant TField::GetData() const { return FDataSet ? FDataSet->GetFieldData(this) : QVariant(); }

void TField::SetData(QVariant value) {
    if (!FDataSet) DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    FDataSet->SetFieldData(this, Normalize(std::move(value)));
}

void TField::Validate(const QVariant& value) {
    if (!BlankValue(value)) CheckRange(value);
    OnValidate(this);
}

bool TField::IsNull() const { return BlankValue(GetData()); }

Variant TField::Value() const {
    QVariant v = GetData();
    if (BlankValue(v)) return Null();
    switch (FDataType) {
    case ftString:
    case ftMemo:
    case ftFmtMemo: return Variant(v.toString());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Variant(qint64(v.toLongLong()));
    case ftBoolean: return Variant(v.toLongLong() != 0);
    case ftFloat:
    case ftCurrency:
    case ftBCD: return Variant(v.toDouble());
    case ftDate:
    case ftTime:
    case ftDateTime: return Variant(TDateTime(v.toDouble()));
    default: return Variant(v.toString());
    }
}

void TField::SetValue(const Variant& value) {
    if (value.IsNullOrEmpty()) return Clear();
    switch (value.VarType()) {
    case TVarType::varString: SetAsString(value.AsString()); break;
    case TVarType::varBoolean: SetAsBoolean(value.AsBoolean()); break;
    case TVarType::varDate: SetAsDateTime(value.AsDateTime()); break;
    case TVarType::varInteger:
        if (FDataType == ftString || FDataType == ftMemo) SetAsString(value.AsString());
        else SetAsInteger(value.AsInteger());
        break;
    default:
        if (FDataType == ftString || FDataType == ftMemo) SetAsString(value.AsString());
        else SetAsFloat(value.AsFloat());
    }
}

Variant TField::OldValue() const {
    if (!FDataSet || FFieldKind != fkData) return Null();
    const auto& rec = (FDataSet->State() == dsEdit) ? FDataSet->FOriginal : *FDataSet->CurrentRecord();
    if (FFieldNo < 0 || FFieldNo >= int(rec.Data.size()) || BlankValue(rec.Data[FFieldNo])) return Null();
    const QVariant& v = rec.Data[FFieldNo];
    if (v.typeId() == QMetaType::QString) return Variant(v.toString());
    if (v.typeId() == QMetaType::Double) return Variant(v.toDouble());
    return Variant(qint64(v.toLongLong()));
}

void TField::FocusControl() {
    if (!FDataSet) return;
    FDataSet->DataEvent(deFocusControl, qint64(reinterpret_cast<quintptr>(this)));
}

void TField::ConvertError(const char* what) const {
    throw EDatabaseError(QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), QLatin1String(what)));
}
void TField::TextError(const QString& text, const char* kind) const {
    throw EConvertError(QStringLiteral("'%1' is not a valid %2 value for field '%3'").arg(text, QLatin1String(kind), DisplayName()));
}

QString TField::AsString() const { return GetData().toString(); }
void TField::SetAsString(const QString&) { ConvertError("String"); }
int TField::AsInteger() const { ConvertError("Integer"); }
void TField::SetAsInteger(int) { ConvertError("Integer"); }
double TField::AsFloat() const { ConvertError("Float"); }
void TField::SetAsFloat(double) { ConvertError("Float"); }
TDateTime TField::AsDateTime() const { ConvertError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { ConvertError("DateTime"); }
bool TField::AsBoolean() const { ConvertError("Boolean"); }
void TField::SetAsBoolean(bool) { ConvertError("Boolean"); }

QString TField::FormatText(bool) const { return AsString(); }

QString TField::GetText(bool displayText) const {
    if (OnGetText) {
        QString s;
        OnGetText(const_cast<TField*>(this), s, displayText);
        return s;
    }
    return FormatText(displayText);
}

void TField::SetText(const QString& value) {
    if (OnSetText) OnSetText(this, value);
    else SetAsString(value);
}

// ---------------------------------------------------------------------------------------------- strings

TStringField::TStringField(TComponent* owner) : TField(owner) {
    FDataType = ftString;
    SetSize(20);
}

QString TStringField::AsString() const {
    QVariant v = GetData();
    return BlankValue(v) ? QString(QLatin1String("")) : v.toString();
}

QVariant TStringField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    if (value.typeId() == QMetaType::QString) {
        // A text that fits and ends in no blank is kept as given.
        const QString& t = *static_cast<const QString*>(value.constData());
        if ((Size() <= 0 || t.size() <= Size()) && t.back() != QLatin1Char(' ')) return value;
    }
    QString s = value.toString();
    if (Size() > 0 && s.size() > Size()) s.truncate(Size());
    int n = int(s.size());
    while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
    s.truncate(n);
    return s.isEmpty() ? QVariant() : QVariant(s);
}

void TStringField::SetAsString(const QString& value) { SetData(QVariant(value)); }

int TStringField::AsInteger() const {
    QString s = AsString().trimmed();
    if (s.isEmpty()) return 0;
    int v;
    if (!TryStrToInt(s, v)) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return v;
}
double TStringField::AsFloat() const {
    QString s = AsString().trimmed();
    if (s.isEmpty()) return 0;
    double v;
    if (!TryStrToFloat(s, v)) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
    return v;
}
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }
bool TStringField::AsBoolean() const {
    QString s = AsString().trimmed().toUpper();
    return s.startsWith(QLatin1Char('T')) || s.startsWith(QLatin1Char('Y')) || s.startsWith(QLatin1Char('S'));
}
TDateTime TStringField::AsDateTime() const {
    QString s = AsString().trimmed();
    if (s.isEmpty()) return TDateTime(0);
    return StrToDateTime(s);
}
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

// ---------------------------------------------------------------------------------------------- numbers

TNumericField::TNumericField(TComponent* owner) : TField(owner) { FAlignment = taRightJustify; }

QString TNumericField::FormatText(bool displayText) const {
    if (IsNull()) return QString();
    QString f = (displayText || EditFormat().isEmpty()) ? DisplayFormat() : EditFormat();
    if (f.isEmpty()) return AsString();
    return FormatFloat(f, AsFloat());
}

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { FDataType = ftInteger; SetSize(0); }

QString TIntegerField::AsString() const { return IsNull() ? QString() : QString::number(AsInteger()); }
int TIntegerField::AsInteger() const {
    QVariant v = GetData();
    return BlankValue(v) ? 0 : int(v.toLongLong());
}
void TIntegerField::SetAsString(const QString& value) {
    QString s = value.trimmed();
    if (s.isEmpty()) return Clear();
    int v;
    if (!TryStrToInt(s, v)) TextError(value, "integer");
    SetAsInteger(v);
}
void TIntegerField::SetAsFloat(double value) { SetAsInteger(int(std::llround(value))); }
QVariant TIntegerField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    if (value.typeId() == QMetaType::Double) return QVariant(qlonglong(std::llround(value.toDouble())));
    return QVariant(value.toLongLong());
}
void TIntegerField::CheckRange(const QVariant& value) const {
    if (FMin == 0 && FMax == 0) {
        if (FDataType == ftSmallint && (value.toLongLong() < -32768 || value.toLongLong() > 32767))
            throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                  .arg(value.toLongLong()).arg(DisplayName()).arg(-32768).arg(32767));
        return;
    }
    qint64 v = value.toLongLong();
    if (v < FMin || v > FMax)
        throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                              .arg(v).arg(DisplayName()).arg(FMin).arg(FMax));
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) { FDataType = ftSmallint; }
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { FDataType = ftAutoInc; }

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { FDataType = ftFloat; SetSize(0); }

double TFloatField::AsFloat() const {
    QVariant v = GetData();
    return BlankValue(v) ? 0.0 : v.toDouble();
}
int TFloatField::AsInteger() const { return int(std::llround(AsFloat())); }
QString TFloatField::AsString() const { return IsNull() ? QString() : FloatToStr(AsFloat()); }
void TFloatField::SetAsString(const QString& value) {
    QString s = value.trimmed();
    if (s.isEmpty()) return Clear();
    double v;
    if (!TryStrToFloat(s, v)) TextError(value, "floating point");
    SetAsFloat(v);
}
QString TFloatField::FormatText(bool displayText) const {
    if (IsNull()) return QString();
    QString f = (displayText || EditFormat().isEmpty()) ? DisplayFormat() : EditFormat();
    if (!f.isEmpty()) return FormatFloat(f, AsFloat());
    if (FCurrency)
        return displayText ? FloatToStrF(AsFloat(), ffCurrency, FPrecision, FormatSettings.CurrencyDecimals)
                           : FloatToStrF(AsFloat(), ffFixed, FPrecision, FormatSettings.CurrencyDecimals);
    return FloatToStrF(AsFloat(), ffGeneral, FPrecision, 0);
}
QVariant TFloatField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    return QVariant(value.toDouble());
}
void TFloatField::CheckRange(const QVariant& value) const {
    if (FMin == 0 && FMax == 0) return;
    double v = value.toDouble();
    if (v < FMin || v > FMax)
        throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                              .arg(Fmt(v), DisplayName(), Fmt(FMin), Fmt(FMax)));
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    FDataType = ftCurrency;
    FCurrency = true;
}

// ---------------------------------------------------------------------------------------------- logical

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { FDataType = ftBoolean; }
bool TBooleanField::AsBoolean() const {
    QVariant v = GetData();
    return !BlankValue(v) && v.toLongLong() != 0;
}
QString TBooleanField::AsString() const {
    if (IsNull()) return QString();
    QStringList parts = FDisplayValues.split(QLatin1Char(';'));
    if (AsBoolean()) return parts.value(0);
    return parts.value(1);
}
void TBooleanField::SetAsString(const QString& value) {
    QString s = value.trimmed();
    if (s.isEmpty()) return Clear();
    QStringList parts = FDisplayValues.split(QLatin1Char(';'));
    if (s.compare(parts.value(0), Qt::CaseInsensitive) == 0) return SetAsBoolean(true);
    if (parts.size() > 1 && s.compare(parts.value(1), Qt::CaseInsensitive) == 0) return SetAsBoolean(false);
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return SetAsBoolean(true);
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return SetAsBoolean(false);
    TextError(value, "boolean");
}
QVariant TBooleanField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    return QVariant(qlonglong(value.toLongLong() != 0 || value.toBool() ? 1 : 0));
}

// ---------------------------------------------------------------------------------------------- dates

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { FDataType = ftDateTime; }
TDateTime TDateTimeField::AsDateTime() const {
    QVariant v = GetData();
    return BlankValue(v) ? TDateTime(0) : TDateTime(v.toDouble());
}
void TDateTimeField::SetAsDateTime(TDateTime value) { SetData(QVariant(double(value))); }
QString TDateTimeField::DefaultFormat() const {
    return FormatSettings.ShortDateFormat + QLatin1Char(' ') + FormatSettings.LongTimeFormat;
}
QString TDateTimeField::FormatText(bool displayText) const {
    if (IsNull()) return QString();
    QString f = (displayText && !DisplayFormat().isEmpty()) ? DisplayFormat() : DefaultFormat();
    return FormatDateTime(f, AsDateTime());
}
void TDateTimeField::SetAsString(const QString& value) {
    QString s = value.trimmed();
    if (s.isEmpty()) return Clear();
    TDateTime d;
    bool ok = FDataType == ftDate ? TryStrToDate(s, d) : FDataType == ftTime ? TryStrToTime(s, d) : TryStrToDateTime(s, d);
    if (!ok) {
        const char* kind = FDataType == ftDate ? "date" : FDataType == ftTime ? "time" : "date and time";
        throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(value, QLatin1String(kind)));
    }
    SetAsDateTime(d);
}
QVariant TDateTimeField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    return QVariant(value.toDouble());
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { FDataType = ftDate; }
QString TDateField::DefaultFormat() const { return FormatSettings.ShortDateFormat; }
QVariant TDateField::Normalize(QVariant value) const {
    if (BlankValue(value)) return QVariant();
    return QVariant(std::floor(value.toDouble()));
}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { FDataType = ftTime; }
QString TTimeField::DefaultFormat() const { return FormatSettings.LongTimeFormat; }
QVariant TTimeField::Normalize(QVariant value) const {
    if (!value.isValid() || value.isNull()) return QVariant();
    double v = value.toDouble();
    return QVariant(v - std::floor(v));
}

// ---------------------------------------------------------------------------------------------- blobs

TBlobField::TBlobField(TComponent* owner) : TField(owner) { FDataType = ftBlob; SetSize(0); }
QByteArray TBlobField::AsBytes() const {
    QVariant v = GetData();
    if (BlankValue(v)) return QByteArray();
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
}
void TBlobField::SetAsBytes(const QByteArray& value) { SetData(value.isEmpty() ? QVariant() : QVariant(value)); }
QString TBlobField::AsString() const { return QString::fromLatin1(AsBytes()); }
void TBlobField::SetAsString(const QString& value) { SetAsBytes(value.toLatin1()); }
QString TBlobField::FormatText(bool) const { return IsNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)"); }
void TBlobField::LoadFromFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw EFOpenError(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    if (DataType() == ftMemo) SetAsString(QString::fromUtf8(f.readAll()));
    else SetAsBytes(f.readAll());
}
void TBlobField::SaveToFile(const QString& fileName) const {
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw EFCreateError(QStringLiteral("Cannot create file \"%1\"").arg(fileName));
    f.write(DataType() == ftMemo ? AsString().toUtf8() : AsBytes());
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { FDataType = ftMemo; }
QString TMemoField::AsString() const {
    QVariant v = GetData();
    return BlankValue(v) ? QString(QLatin1String("")) : v.toString();
}
void TMemoField::SetAsString(const QString& value) { SetData(value.isEmpty() ? QVariant() : QVariant(value)); }
QString TMemoField::FormatText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? QStringLiteral("(memo)") : QStringLiteral("(MEMO)");
}

// ---------------------------------------------------------------------------------------------- TFields

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= int(FList.size())) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FList[index];
}
// Searches name their fields on every call: the names are compared in place, without copies.
TField* TFields::FindField(QStringView name) const {
    // Callers mostly spell a field as it is named: the exact look first is the cheap one.
    for (TField* f : FList)
        if (QStringView(f->FFieldName) == name) return f;
    for (TField* f : FList)
        if (QStringView(f->FFieldName).compare(name, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}
TField* TFields::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError(QStringLiteral("Field '%1' not found").arg(name), FDataSet);
    return f;
}
int TFields::IndexOf(TField* field) const {
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i] == field) return int(i);
    return -1;
}
void TFields::Add(TField* field) { FList.push_back(field); }
void TFields::Remove(TField* field) {
    int i = IndexOf(field);
    if (i >= 0) FList.erase(FList.begin() + i);
}
void TFields::Move(int from, int to) {
    TField* f = FList[from];
    FList.erase(FList.begin() + from);
    FList.insert(FList.begin() + to, f);
}

// ---------------------------------------------------------------------------------------------- definitions

TField* NewField(TComponent* owner, TFieldType type) {
    switch (type) {
    case ftString: return new TStringField(owner);
    case ftSmallint:
    case ftWord: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftMemo:
    case ftFmtMemo: return new TMemoField(owner);
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes: return new TBlobField(owner);
    default: return new TFloatField(owner);
    }
}

TField* TFieldDef::CreateField(TComponent* owner) const {
    TField* f = NewField(owner, DataType);
    f->SetFieldName(Name);
    if (DataType == ftString) f->SetSize(Size > 0 ? Size : 20);
    f->SetRequired(Required);
    return f;
}

namespace {
// The hash of `name` without case when it is plain ASCII; -1 when it is not.
qint64 PlainHash(QStringView name) {
    size_t h = 5381;
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c >= 0x80) return -1;
        h = h * 33 + (c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return qint64(h & 0x3fffffffffffffffULL);
}

// Two plain ASCII names, compared without case.
bool SamePlainName(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y) continue;
        if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}
}  // namespace

void TFieldDefs::Reserve(int count) {
    FItems.reserve(size_t(count));
    if (!FPlainNames) return;
    size_t want = 16;
    while (want < size_t(count) * 2) want *= 2;
    if (want <= FSlots.size()) return;
    FSlots.assign(want, 0);
    for (int i = 0; i < int(FItems.size()); ++i) Index(i);
}

// Enters the definition at `position` in the index (which has room for it).
void TFieldDefs::Index(int position) {
    const size_t mask = FSlots.size() - 1;
    for (size_t i = size_t(PlainHash(FItems[size_t(position)]->Name)) & mask;; i = (i + 1) & mask) {
        if (FSlots[i] == 0) {
            FSlots[i] = position + 1;
            return;
        }
    }
}

TFieldDef* TFieldDefs::Add(const QString& name, TFieldType type, int size, bool required) {
    if (IndexOf(name) >= 0) throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
    const bool plain = FPlainNames && PlainHash(name) >= 0;
    FItems.push_back(std::make_unique<TFieldDef>(name, type, size, required));
    FItems.back()->FieldNo = int(FItems.size());
    if (!plain) {
        FPlainNames = false;
        FSlots.clear();
        FSlots.shrink_to_fit();
    } else if (FSlots.size() < FItems.size() * 2) {
        Reserve(int(FItems.size()) * 2);  // also enters the new one
    } else {
        Index(int(FItems.size()) - 1);
    }
    return FItems.back().get();
}
TFieldDef* TFieldDefs::Find(const QString& name) const {
    int i = IndexOf(name);
    if (i < 0) DatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return FItems[i].get();
}
int TFieldDefs::IndexOf(const QString& name, int hint) const {
    // A plain name matched without case is itself plain.
    if (hint >= 0 && size_t(hint) < FItems.size() && FPlainNames && SamePlainName(FItems[size_t(hint)]->Name, name)) return hint;
    return IndexOf(name);
}
int TFieldDefs::IndexOf(const QString& name) const {
    const qint64 hash = FPlainNames ? PlainHash(name) : -1;
    if (hash >= 0) {
        if (FSlots.empty()) return -1;
        const size_t mask = FSlots.size() - 1;
        for (size_t i = size_t(hash) & mask; FSlots[i] != 0; i = (i + 1) & mask)
            if (SamePlainName(FItems[size_t(FSlots[i] - 1)]->Name, name)) return FSlots[i] - 1;
        return -1;
    }
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

TIndexDef* TIndexDefs::Add(const QString& name, const QString& fields, TIndexOptions options) {
    FItems.push_back(std::make_unique<TIndexDef>(name, fields, options));
    return FItems.back().get();
}
int TIndexDefs::IndexOf(const QString& name) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}
TIndexDef* TIndexDefs::GetIndexForFields(const QString& fields, bool caseInsensitive) const {
    for (auto& ix : FItems) {
        if (caseInsensitive && !(ix->Options & ixCaseInsensitive)) continue;
        if (ix->Fields.compare(fields, Qt::CaseInsensitive) == 0) return ix.get();
    }
    for (auto& ix : FItems) {  // an index that starts with the fields serves as well
        if (caseInsensitive && !(ix->Options & ixCaseInsensitive)) continue;
        if (ix->Fields.startsWith(fields + QLatin1Char(';'), Qt::CaseInsensitive)) return ix.get();
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------- parameters

void TParam::Clear() {
    FValue = Null();
    FBound = true;
}
void TParam::SetValue(const Variant& v) {
    FValue = v;
    FBound = true;
    if (FDataType == ftUnknown) {
        switch (v.VarType()) {
        case TVarType::varInteger: FDataType = ftInteger; break;
        case TVarType::varDouble:
        case TVarType::varCurrency: FDataType = ftFloat; break;
        case TVarType::varBoolean: FDataType = ftBoolean; break;
        case TVarType::varDate: FDataType = ftDateTime; break;
        case TVarType::varString: FDataType = ftString; break;
        default: break;
        }
    }
}
void TParam::SetAsDate(TDateTime v) { Set(ftDate, Variant(TDateTime(std::floor(double(v))))); }
void TParam::SetAsTime(TDateTime v) { Set(ftTime, Variant(TDateTime(double(v) - std::floor(double(v))))); }
void TParam::AssignField(TField* field) {
    FDataType = field->DataType();
    FValue = field->Value();
    FBound = true;
    if (FName.isEmpty()) FName = field->FieldName();
}
void TParam::AssignFieldValue(TField* field, const Variant& value) {
    FDataType = field->DataType();
    FValue = value;
    FBound = true;
}

QVariant TParam::EngineValue() const {
    if (FValue.IsNullOrEmpty()) return QVariant();
    switch (FDataType) {
    case ftString:
    case ftMemo:
    case ftFmtMemo: return QVariant(FValue.AsString());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return QVariant(qlonglong(FValue.AsInt64()));
    case ftBoolean: return QVariant(qlonglong(FValue.AsBoolean() ? 1 : 0));
    case ftDate: return QVariant(std::floor(double(FValue.AsDateTime())));
    case ftTime: {
        double d = FValue.AsDateTime();
        return QVariant(d - std::floor(d));
    }
    case ftDateTime: return QVariant(double(FValue.AsDateTime()));
    case ftFloat:
    case ftCurrency:
    case ftBCD: return QVariant(FValue.AsFloat());
    default: break;
    }
    switch (FValue.VarType()) {
    case TVarType::varInteger: return QVariant(qlonglong(FValue.AsInt64()));
    case TVarType::varBoolean: return QVariant(qlonglong(FValue.AsBoolean() ? 1 : 0));
    case TVarType::varDouble:
    case TVarType::varCurrency:
    case TVarType::varDate: return QVariant(FValue.AsFloat());
    default: return QVariant(FValue.AsString());
    }
}

TParam* TParams::FindParam(const QString& name) const {
    for (auto& p : FItems)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0) return p.get();
    return nullptr;
}
TParam* TParams::ParamByName(const QString& name) const {
    TParam* p = FindParam(name);
    if (!p) DatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return p;
}
TParam* TParams::CreateParam(TFieldType type, const QString& name, TParamType paramType) {
    FItems.push_back(std::make_unique<TParam>(name));
    FItems.back()->SetDataType(type);
    FItems.back()->SetParamType(paramType);
    return FItems.back().get();
}
void TParams::AssignValues(const TParams& other) {
    for (auto& p : FItems)
        if (TParam* o = other.FindParam(p->Name())) {
            *p = *o;
        }
}
