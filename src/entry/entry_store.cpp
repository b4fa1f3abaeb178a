#include "entry_store.h"

#include "store/schema.h"

namespace fangji::entry {

namespace {

EntryRecord recordFromFields(const auto& source) {
    EntryRecord record;
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        record[i] = source.field(i).toString(); // null reads as ""
    }
    return record;
}

// Opens 中医方剂 as a table, selects fjmci and seeks the name.
store::Result<store::Table> seekTable(store::Database& db, const QString& name) {
    auto table = db.openTable(store::table::kPrescriptions);
    if (!table) {
        return table.error();
    }
    if (store::Status s = table->setIndex(store::kNameIndex); !s) {
        return s.error();
    }
    if (store::Status s = table->seek(name); !s) {
        return s.error();
    }
    return std::move(table).value();
}

} // namespace

store::Result<NameList> readNames(store::Database& db, const QString& recordSource) {
    // Only the names are read: the engine then leaves the long texts of each row on disk.
    auto stmt = db.prepare(QStringLiteral("SELECT 名称 FROM (") + recordSource + u')');
    if (!stmt) {
        return stmt.error();
    }
    NameList list;
    const store::Status read =
        store::forEachRow(*stmt, [&](const store::Statement& row) { list.names.append(row.text(store::ColName)); });
    if (!read) {
        return read.error();
    }
    return list;
}

store::Result<std::optional<EntryRecord>> seekByName(store::Database& db, const QString& name) {
    auto table = seekTable(db, name);
    if (!table) {
        return table.error();
    }
    if (table->noMatch()) {
        return std::optional<EntryRecord>();
    }
    return std::optional<EntryRecord>(recordFromFields(*table));
}

store::Result<std::optional<EntryRecord>> lookupByName(store::Database& db, const QString& name) {
    if (store::Status s = db.deleteAllQueryDefs(); !s) {
        return s.error();
    }
    if (store::Status s = db.createQueryDef(QStringLiteral("000"), nameLookupStatement(name)); !s) {
        return s.error();
    }
    auto rs = db.openRecordSet(QStringLiteral("000"));
    if (!rs) {
        return rs.error();
    }
    if (rs->recordCount() <= 0) {
        return std::optional<EntryRecord>();
    }
    rs->moveFirst();
    return std::optional<EntryRecord>(recordFromFields(*rs));
}

store::Result<bool> addIfNew(store::Database& db, const EntryRecord& record) {
    auto adder = PrescriptionAdder::prepare(db);
    if (!adder) {
        return adder.error();
    }
    return adder->addIfNew(record);
}

store::Result<PrescriptionAdder> PrescriptionAdder::prepare(store::Database& db) {
    // The table's columns and the index's column as the table-type record set finds them.
    auto table = db.openTable(store::table::kPrescriptions);
    if (!table) {
        return table.error();
    }
    const QStringList columns = table->columnNames();
    if (columns.size() < store::PrescriptionColumnCount) {
        return store::DbError{1, QStringLiteral("table has too few columns: ") + store::table::kPrescriptions};
    }
    auto indexColumn =
        db.prepareNative(QStringLiteral("PRAGMA index_info(") + store::quoteIdentifier(store::kNameIndex) + u')');
    if (!indexColumn) {
        return indexColumn.error();
    }
    auto row = indexColumn->step();
    if (!row) {
        return row.error();
    }
    if (!*row) {
        return store::DbError{1, QStringLiteral("no such index: ") + store::kNameIndex};
    }
    const QString quotedTable = store::quoteIdentifier(store::table::kPrescriptions);
    PrescriptionAdder adder;
    auto seek = db.prepareNative(QStringLiteral("SELECT 1 FROM ") + quotedTable + QStringLiteral(" WHERE ") +
                                 store::quoteIdentifier(indexColumn->text(2)) + QStringLiteral(" = ?1 LIMIT 1"));
    if (!seek) {
        return seek.error();
    }
    QStringList names;
    QStringList marks;
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        names << store::quoteIdentifier(columns[i]);
        marks << QStringLiteral("?%1").arg(i + 1);
    }
    auto insert = db.prepareNative(QStringLiteral("INSERT INTO ") + quotedTable + u'(' + names.join(u',') +
                                   QStringLiteral(") VALUES(") + marks.join(u',') + u')');
    if (!insert) {
        return insert.error();
    }
    adder.m_seek = std::move(seek).value();
    adder.m_insert = std::move(insert).value();
    return adder;
}

store::Result<bool> PrescriptionAdder::addIfNew(const EntryRecord& record) {
    if (store::Status s = m_seek.bind(1, record[store::ColName]); !s) {
        return s.error();
    }
    auto found = m_seek.step();
    if (store::Status s = m_seek.reset(); !s && found) {
        return s.error();
    }
    if (!found) {
        return found.error();
    }
    if (*found) {
        return false;
    }
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        if (store::Status s = m_insert.bind(i + 1, record[i]); !s) {
            return s.error();
        }
    }
    auto done = m_insert.step();
    if (store::Status s = m_insert.reset(); !s && done) {
        return s.error();
    }
    if (!done) {
        return done.error();
    }
    return true;
}

store::Result<bool> updateExisting(store::Database& db, const EntryRecord& record) {
    auto table = seekTable(db, record[store::ColName]);
    if (!table) {
        return table.error();
    }
    if (table->noMatch()) {
        return false;
    }
    if (store::Status s = table->edit(); !s) {
        return s.error();
    }
    for (int i = store::ColComposition; i < store::PrescriptionColumnCount; ++i) {
        table->setField(i, record[i]);
    }
    if (store::Status s = table->update(); !s) {
        return s.error();
    }
    return true;
}

store::Result<bool> deleteByName(store::Database& db, const QString& name) {
    auto table = seekTable(db, name);
    if (!table) {
        return table.error();
    }
    if (table->noMatch()) {
        return false;
    }
    if (store::Status s = table->deleteCurrent(); !s) {
        return s.error();
    }
    return true;
}

EntryRecord storedForm(const EntryRecord& boxes) {
    EntryRecord stored;
    stored[store::ColName] = trimSpaces(boxes[store::ColName]);
    for (int i = store::ColComposition; i < store::PrescriptionColumnCount; ++i) {
        stored[i] = NormalizeEntryText(boxes[i]);
    }
    return stored;
}

} // namespace fangji::entry
