#pragma once
// Copies an office's data from one engine's store into another, empty one.
#include "platform/db/Driver.h"

#include <functional>
#include <vector>

namespace platform::db {

struct TCopiedTable {
    QString Name;
    qint64 Rows = 0;
};

// Every table of `from` with its layout, indexes and rows (in their identity order, so equal
// keys keep their order) into `to`, in one transaction: all of it or nothing. `to` must hold no
// table. The rows of each table are counted on both sides before the transaction commits; a
// difference raises and nothing stays. `progress` is told each table as it starts.
std::vector<TCopiedTable> CopyData(TConnection& from, TConnection& to, const std::function<void(const QString&)>& progress = {});

}  // namespace platform::db
