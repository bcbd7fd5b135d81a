#include "platform/db/Copy.h"

#include "platform/rtl/Exceptions.h"

namespace platform::db {

std::vector<TCopiedTable> CopyData(TConnection& from, TConnection& to, const std::function<void(const QString&)>& progress) {
    const QStringList existing = to.TableNames();
    if (!existing.isEmpty())
        throw Exception(QString::fromUtf8("La base de datos de destino no está vacía (tiene la tabla %1): no se copia nada.").arg(existing.first()));
    std::vector<TCopiedTable> copied;
    to.StartTransaction();
    try {
        for (const QString& name : from.TableNames()) {
            if (progress) progress(name);
            const TTableDesc desc = from.DescribeTable(name);
            to.CreateTable(desc);
            TCursorSpec all;
            all.Table = name;
            for (const auto& c : desc.Columns) all.Columns << c.Name;
            std::vector<TRow> rows;
            TRow last;
            qint64 n = 0;
            for (bool first = true;; first = false) {
                from.Fetch(all, first ? nullptr : &last, true, 1000, rows);
                if (rows.empty()) break;
                to.InsertRows(name, all.Columns, rows);
                n += qint64(rows.size());
                last = rows.back();
            }
            const qint64 there = to.Count(all), here = from.Count(all);
            if (there != n || here != n)
                throw Exception(QString::fromUtf8("La tabla %1 no se ha copiado entera (%2 filas leídas, %3 en origen, %4 en destino): "
                                                  "no se copia nada.")
                                    .arg(name)
                                    .arg(n)
                                    .arg(here)
                                    .arg(there));
            copied.push_back({name, n});
        }
        to.Commit();
    } catch (...) {
        to.Rollback();
        throw;
    }
    // The rows are in: a failure here loses nothing, the server catches up on its own later.
    try {
        to.RefreshStatistics();
    } catch (const Exception&) {
    }
    return copied;
}

}  // namespace platform::db
