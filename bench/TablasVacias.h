#pragma once
// The office's empty tables, made in a data folder by the data module itself.
#include "comun/UData.h"
#include "platform/db/DBTables.h"

namespace zbbench {

// In a session of its own, so that no connection to the file outlives the creation.
inline void CreaTablas(const QString& carpeta) {
    CarpetaDatos = carpeta;
    TSession creating(nullptr);
    TSession* const shared = Session;
    struct Vuelve {
        TSession* s;
        ~Vuelve() { Session = s; }
    } vuelve{shared};
    Session = &creating;
    delete new TDat(nullptr);
}

}  // namespace zbbench
