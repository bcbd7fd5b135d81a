#pragma once
// What the server engine counts for the benchmarks: the round trips to the server so far, in
// this process (every statement sent and every answer waited for counts one).
#include <QtGlobal>

namespace platform::db {
qint64 ServerRoundTrips();
}  // namespace platform::db
