#pragma once
// Date arithmetic with month clamping, date-text scanning by day/month/year order, and the
// default date formats and edit masks of the date edits. IsLeapYear is the run-time library's.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"

#include <QString>

// Two-digit years are widened around the current year by this window (see ExpandYear).
extern quint8 CenturyWindow;
// Whether the workstation's short date format shows four-digit years; the date edits pass it to
// DefDateFormat and DefDateMask. Set by InitDateHelpers at start-up.
extern bool FourDigitYear;

namespace controls::visual {
// Start-up work of the date routines: FourDigitYear from the short date format of FormatSettings.
void InitDateHelpers();
}

int DaysPerMonth(int year, int month);
int ExtractDay(TDateTime date);
int ExtractMonth(TDateTime date);
int ExtractYear(TDateTime date);
// Months and years move the date keeping its day, clamped to the last day of the target month;
// then the days are added. The time of day survives.
TDateTime IncDate(TDateTime date, int days, int months, int years);
TDateTime IncDay(TDateTime date, int days);
TDateTime IncMonth(TDateTime date, int months);
TDateTime IncYear(TDateTime date, int years);
bool ValidDateParts(int year, int month, int day);
bool IsValidDate(TDateTime date);
int CurrentYear();
// Years below 100: into the current century when above (two-digit current year + window - 100),
// else into the next one. Other years unchanged.
int ExpandYear(int year);

// Reads "n/n[/n][/]" from `pos` (1-based, advanced) with the separator of FormatSettings and the
// order of `dateFormat`; two numbers mean the current year. True only for a valid date followed by
// nothing but blanks.
bool ScanDate(const QString& s, const QString& dateFormat, int& pos, int& year, int& month, int& day);
// Reads each field at the place the format gives it (as a masked edit lays the text out), month by
// name under "MMM"; falls back to ScanDate over the whole text.
bool ScanDateByMask(const QString& dateFormat, const QString& s, int& day, int& year, int& month);
// An empty text gives the null date.
bool StrToDateFmtCore(const QString& dateFormat, const QString& s, TDateTime& date);
// Raises EConvertError "''%s'' is not a valid date".
TDateTime StrToDateFmt(const QString& dateFormat, const QString& s);
// On failure the default without its time of day.
TDateTime StrToDateFmtDef(const QString& dateFormat, const QString& s, TDateTime defaultDate);

QString DefDateFormat(bool fourDigitYear);
QString DefDateMask(QChar blank, bool fourDigitYear);
