// The plain side of the start-up benchmark: opens an office's data file with the SQLite C API
// and reads what a program needs to show it: every table's columns and indexes, and the first
// rows of every table in the order of its key. Usage: arranque_directo <data folder>.
#include "platform/db/Driver.h"

#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::string>> Rows(sqlite3* db, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            row.emplace_back(text ? text : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2((std::string(argv[1]) + "/zembra.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    platform::db::RegisterSqliteFunctions(db);
    sqlite3_busy_timeout(db, 10000);
    Rows(db, "PRAGMA journal_mode=WAL");
    size_t read = 0;
    for (const auto& table : Rows(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        const std::string& name = table[0];
        std::string key;
        for (const auto& column : Rows(db, "PRAGMA table_info(\"" + name + "\")"))
            if (column[5] != "0") key += (key.empty() ? "" : ", ") + ("\"" + column[1] + "\"");
        for (const auto& index : Rows(db, "PRAGMA index_list(\"" + name + "\")"))
            read += Rows(db, "PRAGMA index_info(\"" + index[1] + "\")").size();
        read += Rows(db, "SELECT * FROM \"" + name + "\"" + (key.empty() ? "" : " ORDER BY " + key) + " LIMIT 40").size();
    }
    sqlite3_close(db);
    return read > 0 ? 0 : 1;
}
