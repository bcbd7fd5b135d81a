#pragma once
// The PostgreSQL engine is a module of its own (zembra-pg.so, built from PgDriver.cpp), loaded
// the first time a folder's data is on a server: an office working on its data file never maps
// the server's client library and what it brings (TLS, Kerberos, LDAP). The module takes the
// shared pieces of the data layer (the engine SQL, the collation, the errors) from the program.
#include "platform/db/Driver.h"

namespace platform::db {

struct TPgModule {
    int Version = 0;  // kPgModuleVersion of the build that made it
    std::shared_ptr<TConnection> (*Open)(const QString& folder, const QString& server) = nullptr;
    qint64 (*RoundTrips)() = nullptr;
};
// Changes whenever TPgModule or the interfaces it hands over change.
constexpr int kPgModuleVersion = 3;

}  // namespace platform::db

#define ZEMBRA_PG_MODULE_FILE "zembra-pg.so"
#define ZEMBRA_PG_MODULE_ENTRY "zembra_pg_module"
