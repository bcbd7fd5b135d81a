#pragma once
// Parts of the program that bring large libraries of their own (the database server's client,
// the mail transport) live in modules loaded the first time they are used, so a program that
// never uses them never maps those libraries.
#include <QString>

// The entry point `entry` of the module `file` ("zembra-pg.so"), loaded on first use and kept
// for the life of the process. The module is looked for next to the running program, in
// ../lib/zembra from it, and then where the program's own library path says. Null when the
// module is missing or broken; `error` then says so in Spanish, naming the module.
void* ModuleEntry(const QString& file, const char* entry, QString* error);

// The message for a module `file` built by another version of the program.
QString ModuleOfAnotherVersion(const QString& file);

// The table of functions the module's entry point returns, when it is of `version` (the one this
// program was built with); null otherwise, `error` saying why.
template <class M>
const M* ModuleTable(const QString& file, const char* entry, int version, QString* error) {
    auto get = reinterpret_cast<const M* (*)()>(ModuleEntry(file, entry, error));
    const M* m = get ? get() : nullptr;
    if (m && m->Version == version) return m;
    if (m && error) *error = ModuleOfAnotherVersion(file);
    return nullptr;
}
