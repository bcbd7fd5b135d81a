#pragma once
// The column types a SELECT's list gives as written, for the columns the engine cannot trace to
// a table: a computed column keeps the type of what it computes whatever rows come back (none
// included), so MAX of a date is a date and a concatenation is text.
#include "platform/db/DB.h"
#include "platform/db/Driver.h"

#include <functional>
#include <vector>

namespace platform::db {

struct TSelectColumnType {
    TFieldType Type = ftUnknown;  // ftUnknown: the text does not tell
    int Size = 0;                 // text literals: their length
};

// One entry per result column of the first SELECT of `sql`, or none when the list cannot be
// matched to `columnCount` columns. `describe` gives a table's columns, kept by the caller while
// this runs (null or a throw where there is no such table).
std::vector<TSelectColumnType> SelectListTypes(const QString& sql, int columnCount,
                                               const std::function<const TTableDesc*(const QString&)>& describe);

}  // namespace platform::db
