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

// 中医方剂 opened as a table with fjmci selected.
store::Result<store::Table> nameIndexedTable(store::Database& db) {
    auto table = db.openTable(store::table::kPrescriptions);
    if (!table) {
        return table.error();
    }
    if (store::Status s = table->setIndex(store::kNameIndex); !s) {
        return s.error();
    }
    return std::move(table).value();
}

// Opens 中医方剂 as a table, selects fjmci and seeks the name.
store::Result<store::Table> seekTable(store::Database& db, const QString& name) {
    auto table = nameIndexedTable(db);
    if (!table) {
        return table.error();
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
    auto table = nameIndexedTable(db);
    if (!table) {
        return table.error();
    }
    PrescriptionAdder adder;
    adder.m_table = std::move(table).value();
    return adder;
}

store::Result<bool> PrescriptionAdder::addIfNew(const EntryRecord& record) {
    if (store::Status s = m_table.seek(record[store::ColName]); !s) {
        return s.error();
    }
    if (!m_table.noMatch()) {
        return false;
    }
    m_table.addNew();
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        m_table.setField(i, record[i]);
    }
    if (store::Status s = m_table.update(); !s) {
        return s.error();
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
