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

StoredTexts storedTexts(const EntryRecord& record) {
    StoredTexts texts;
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        if (!record[i].isNull()) {
            texts[i] = record[i].toUtf8();
        }
    }
    return texts;
}

namespace {

// Whether the index fjmci itself refuses a second row with an equal name. A file of an
// earlier build that held equal names has it rebuilt without (see store/name_order.h).
store::Result<bool> nameIndexIsUnique(store::Database& db) {
    auto list = db.prepareNative(QStringLiteral("PRAGMA index_list(") +
                                 store::quoteIdentifier(store::table::kPrescriptions) + u')');
    if (!list) {
        return list.error();
    }
    bool unique = false;
    // Columns: seq, name, unique, origin, partial.
    const store::Status read = store::forEachRow(*list, [&](const store::Statement& row) {
        if (row.text(1) == store::kNameIndex) {
            unique = row.value(2).toInt() != 0 && row.value(4).toInt() == 0;
        }
    });
    if (!read) {
        return read.error();
    }
    return unique;
}

store::Status bindText(store::Statement& stmt, int index, const std::optional<QByteArrayView>& text) {
    if (!text) {
        return stmt.bind(index, QVariant());
    }
    return stmt.bindUtf8Unowned(index, text->data(), static_cast<int>(text->size()));
}

} // namespace

store::Result<PrescriptionAdder> PrescriptionAdder::prepare(store::Database& db) {
    const QString table = store::quoteIdentifier(store::table::kPrescriptions);
    auto unique = nameIndexIsUnique(db);
    if (!unique) {
        return unique.error();
    }
    PrescriptionAdder adder;
    if (*unique) {
        // The unique index on 名称 compares names by their own collation, as a seek on
        // fjmci does: the insert itself finds an equal name and then writes nothing.
        auto insert = db.prepareNative(QStringLiteral("INSERT OR IGNORE INTO ") + table +
                                       QStringLiteral(" VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"));
        if (!insert) {
            return insert.error();
        }
        adder.m_insert = std::move(insert).value();
        return adder;
    }
    // The seek compares 名称 by its own collation, so it reads the index fjmci, as a
    // seek on the table with fjmci selected does.
    auto seek = db.prepareNative(QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" INDEXED BY ") +
                                 store::quoteIdentifier(store::kNameIndex) + QStringLiteral(" WHERE ") +
                                 store::quoteIdentifier(QStringLiteral("名称")) + QStringLiteral(" = ?1 LIMIT 1"));
    if (!seek) {
        return seek.error();
    }
    auto insert =
        db.prepareNative(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"));
    if (!insert) {
        return insert.error();
    }
    adder.m_seek = std::move(seek).value();
    adder.m_insert = std::move(insert).value();
    adder.m_seeks = true;
    return adder;
}

store::Result<bool> PrescriptionAdder::addIfNew(const EntryRecord& record) {
    const StoredTexts texts = storedTexts(record);
    StoredTextViews views;
    for (int i = 0; i < store::PrescriptionColumnCount; ++i) {
        if (texts[i]) {
            views[i] = QByteArrayView(*texts[i]);
        }
    }
    return addIfNew(views);
}

store::Result<bool> PrescriptionAdder::addIfNew(const StoredTextViews& record) {
    if (m_seeks) {
        if (store::Status s = bindText(m_seek, 1, record[store::ColName]); !s) {
            return s.error();
        }
        auto found = m_seek.stepAndReset();
        m_seek.clearBindings();
        if (!found) {
            return found.error();
        }
        if (*found) {
            return false;
        }
    }
    store::Status bound;
    for (int i = 0; i < store::PrescriptionColumnCount && bound; ++i) {
        bound = bindText(m_insert, i + 1, record[i]);
    }
    auto done = bound ? m_insert.stepAndReset() : store::Result<bool>(bound.error());
    // The texts are the caller's: no binding outlives this call.
    m_insert.clearBindings();
    if (!done) {
        return done.error();
    }
    return m_seeks || m_insert.changes() > 0;
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
