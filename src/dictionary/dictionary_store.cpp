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

store::Status TermWriter::addTermUtf8(std::string_view term) {
    if (term.empty() || m_seen.contains(term)) {
        return {};
    }
    if (store::Status bound = m_insert.bindUtf8(1, term.data(), static_cast<int>(term.size())); !bound) {
        return bound;
    }
    auto stepped = m_insert.step();
    if (!stepped) {
        return stepped.error();
    }
    if (store::Status reset = m_insert.reset(); !reset) {
        return reset;
    }
    m_seen.insert(m_terms.emplace_back(term));
    return {};
}

store::Status TermWriter::addTerm(const QString& term) {
    const QByteArray utf8 = term.toUtf8();
    return addTermUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
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

store::Status TermWriter::addTermsUtf8(std::string_view text) {
    store::Status status;
    const bool valid = forEachTermUtf8(m_dictionary, text, m_term, [this, &status](std::string_view term) {
        if (status) {
            status = addTermUtf8(term);
        }
    });
    if (!valid && status) {
        // Bytes the engine would read with replacement characters: split as that text. The
        // terms before them were the same either way and are not sent twice.
        return addTerms(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
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

// The texts of one source column as UTF-8, one after another in one buffer;
// firstNull tells whether its first row is Null.
struct SourceColumn {
    std::string bytes;
    std::vector<std::size_t> ends; // where each row's text ends in bytes
    bool firstNull = false;

    std::size_t rows() const { return ends.size(); }
    std::string_view text(std::size_t row) const {
        const std::size_t from = row == 0 ? 0 : ends[row - 1];
        return std::string_view(bytes).substr(from, ends[row] - from);
    }
};

// The three source columns (功效, 主治, 应用), in the order of the phases.
using Sources = std::array<SourceColumn, 3>;

// Reads the source columns of every prescription in one pass over the table. Each
// phase's stored query selects one of these columns from the same rows in the same
// order; one pass reads (and decrypts) the file once instead of three times. The
// texts stay in the engine's UTF-8, trimmed of blanks as the splitters receive them.
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
            if (column.ends.empty()) {
                column.firstNull = row.isNull(c);
            }
            // A Null text contributes nothing, like an empty one.
            int size = 0;
            const char* text = row.utf8(c, &size);
            std::string_view view =
                text != nullptr ? std::string_view(text, static_cast<std::size_t>(size)) : std::string_view();
            while (!view.empty() && view.front() == ' ') {
                view.remove_prefix(1);
            }
            while (!view.empty() && view.back() == ' ') {
                view.remove_suffix(1);
            }
            column.bytes.append(view);
            column.ends.push_back(column.bytes.size());
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
    // No rows, or a Null in the first row: the phase inserts nothing.
    if (source.rows() > 0 && !source.firstNull) {
        auto writer = TermWriter::open(db, phase.dictionary);
        if (!writer) {
            return writer.error();
        }
        observer.setCaption(phase.caption);
        const qint64 rows = static_cast<qint64>(source.rows());
        const PhaseProgress progress(rows, phase.base);
        int shown = -1;
        for (qint64 k = 1; k <= rows; ++k) {
            // The window repaints, and messages run, only when the percentage shown changes.
            if (const int percent = progress.percentAt(k); percent != shown) {
                shown = percent;
                observer.setProgress(progress.at(k));
                observer.processEvents();
            }
            if (auto added = writer->addTermsUtf8(source.text(static_cast<std::size_t>(k - 1))); !added) {
                return added;
            }
        }
    }
    // The phase's texts are no longer needed.
    source = SourceColumn();
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
