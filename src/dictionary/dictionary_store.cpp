#include "dictionary_store.h"

#include "store/jet_sql.h"
#include "store/schema.h"

#include <optional>
#include <vector>

namespace fangji::dictionary {

const std::array<Phase, 3>& phases() {
    static const std::array<Phase, 3> kPhases{{
        {Dictionary::Effects, QStringLiteral("000"), QStringLiteral("select 功效 FROM 中医方剂 "),
         store::table::kEffects, QStringLiteral("正在生成方剂功用词典......"), kPhaseBases[0]},
        {Dictionary::Indications, QStringLiteral("001"), QStringLiteral("select 主治 FROM 中医方剂 "),
         store::table::kIndications, QStringLiteral("正在生成方剂主治词典......"), kPhaseBases[1]},
        {Dictionary::Clinical, QStringLiteral("002"), QStringLiteral("select 应用 FROM 中医方剂 "),
         store::table::kClinical, QStringLiteral("正在生成中医方剂临床使用词典......"), kPhaseBases[2]},
    }};
    return kPhases;
}

const Phase& phaseOf(Dictionary dictionary) {
    for (const Phase& phase : phases()) {
        if (phase.dictionary == dictionary) {
            return phase;
        }
    }
    return phases().front();
}

store::Result<TermWriter> TermWriter::open(store::Database& db, Dictionary dictionary) {
    // The system's insert, with the term bound instead of placed between quotes, so
    // that a term holding a quote is stored intact.
    const QString sql = QStringLiteral("INSERT INTO ") + phaseOf(dictionary).table + QStringLiteral(" Values(?)");
    auto insert = db.prepareNative(store::jet::translate(sql, store::jet::Mode::Execute));
    if (!insert) {
        return insert.error();
    }
    return TermWriter(std::move(*insert), dictionary);
}

store::Status TermWriter::addTerm(const QString& term) {
    if (term.isEmpty() || m_seen.contains(term)) {
        return {};
    }
    if (auto bound = m_insert.bind(1, term); !bound) {
        return bound;
    }
    auto stepped = m_insert.step();
    if (!stepped) {
        return stepped.error();
    }
    if (auto reset = m_insert.reset(); !reset) {
        return reset;
    }
    m_seen.insert(term);
    return {};
}

store::Status TermWriter::addTerms(QStringView text) {
    store::Status status;
    forEachTerm(m_dictionary, text, [this, &status](const QString& term) {
        if (status) {
            status = addTerm(term);
        }
    });
    return status;
}

namespace {

store::Status addTermsOf(store::Database& db, Dictionary dictionary, const QString& text) {
    if (trimBlanks(text).isEmpty()) {
        return {};
    }
    auto writer = TermWriter::open(db, dictionary);
    if (!writer) {
        return writer.error();
    }
    return writer->addTerms(text);
}

// The texts of one source column; firstNull tells whether its first row is Null.
struct SourceColumn {
    std::vector<QString> texts;
    bool firstNull = false;
};

// The three source columns (功效, 主治, 应用), in the order of the phases.
using Sources = std::array<SourceColumn, 3>;

// Reads the source columns of every prescription in one pass over the table. Each
// phase's stored query selects one of these columns from the same rows in the same
// order; one pass reads (and decrypts) the file once instead of three times.
store::Result<Sources> readSources(store::Database& db) {
    auto stmt = db.prepareNative(QStringLiteral("SELECT 功效, 主治, 应用 FROM ") +
                                 store::quoteIdentifier(store::table::kPrescriptions));
    if (!stmt) {
        return stmt.error();
    }
    Sources sources;
    const store::Status read = store::forEachRow(*stmt, [&](const store::Statement& row) {
        for (int c = 0; c < 3; ++c) {
            SourceColumn& column = sources[c];
            if (column.texts.empty()) {
                column.firstNull = row.isNull(c);
            }
            // A Null text contributes nothing, like an empty one.
            column.texts.push_back(row.text(c));
        }
    });
    if (!read) {
        return read.error();
    }
    return sources;
}

store::Status runPhase(store::Database& db, const Phase& phase, std::optional<Sources>& sources,
                       GenerationObserver& observer) {
    if (auto created = db.createQueryDef(phase.queryName, phase.querySql); !created) {
        return created;
    }
    observer.processEvents();
    if (phase.dictionary == Dictionary::Effects) {
        observer.showProgressWindow();
    }
    if (!sources) {
        auto read = readSources(db);
        if (!read) {
            return read.error();
        }
        sources = std::move(*read);
    }
    const size_t index = static_cast<size_t>(&phase - phases().data());
    SourceColumn& source = (*sources)[index];
    const std::vector<QString>& texts = source.texts;
    // No rows, or a Null in the first row: the phase inserts nothing.
    if (!texts.empty() && !source.firstNull) {
        auto writer = TermWriter::open(db, phase.dictionary);
        if (!writer) {
            return writer.error();
        }
        observer.setCaption(phase.caption);
        const PhaseProgress progress(static_cast<qint64>(texts.size()), phase.base);
        QString shown;
        for (qsizetype k = 1; k <= static_cast<qsizetype>(texts.size()); ++k) {
            // The window repaints, and messages run, only when the percentage shown changes.
            ProgressStep step = progress.at(k);
            if (step.label != shown) {
                shown = step.label;
                observer.setProgress(step);
                observer.processEvents();
            }
            if (auto added = writer->addTerms(trimBlanks(texts[k - 1])); !added) {
                return added;
            }
        }
    }
    // The phase's texts are no longer needed.
    source.texts = {};
    observer.processEvents();
    return {};
}

} // namespace

store::Status AddEffectTerms(store::Database& db, const QString& text) {
    return addTermsOf(db, Dictionary::Effects, text);
}

store::Status AddIndicationTerms(store::Database& db, const QString& text) {
    return addTermsOf(db, Dictionary::Indications, text);
}

store::Status AddClinicalTerms(store::Database& db, const QString& text) {
    return addTermsOf(db, Dictionary::Clinical, text);
}

store::Status generateDictionaries(store::Database& db, GenerationObserver* observer) {
    GenerationObserver silent;
    GenerationObserver& watch = observer != nullptr ? *observer : silent;

    if (auto begun = db.begin(); !begun) {
        return begun;
    }
    auto run = [&]() -> store::Status {
        for (const Phase& phase : phases()) {
            if (auto deleted = db.execute(QStringLiteral("delete * FROM ") + phase.table); !deleted) {
                return deleted;
            }
        }
        if (auto cleared = db.deleteAllQueryDefs(); !cleared) {
            return cleared;
        }
        watch.processEvents();
        std::optional<Sources> sources;
        for (const Phase& phase : phases()) {
            if (auto ran = runPhase(db, phase, sources, watch); !ran) {
                return ran;
            }
        }
        return db.commit();
    };
    store::Status status = run();
    if (!status) {
        // Leave the dictionaries as they were rather than half refilled.
        (void)db.rollback();
    }
    return status;
}

store::Status generateDictionaries(const QString& path, GenerationObserver* observer) {
    auto db = store::Database::open(path, store::kMainConnect);
    if (!db) {
        return db.error();
    }
    store::Status status = generateDictionaries(*db, observer);
    db->close();
    if (observer != nullptr) {
        observer->processEvents();
    }
    return status;
}

} // namespace fangji::dictionary
