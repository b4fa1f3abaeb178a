#include "dictionary_store.h"

#include "store/jet_sql.h"
#include "store/schema.h"

#include <QElapsedTimer>

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

store::Status TermWriter::sendNew() {
    const TermSet& terms = m_terms.terms();
    for (; m_sent < terms.size(); ++m_sent) {
        const std::string_view term = terms.at(m_sent);
        if (store::Status bound = m_insert.bindUtf8(1, term.data(), static_cast<int>(term.size())); !bound) {
            return bound;
        }
        if (auto stepped = m_insert.stepAndReset(); !stepped) {
            return stepped.error();
        }
    }
    return {};
}

store::Status TermWriter::addTermUtf8(std::string_view term) {
    m_terms.addTerm(term);
    return sendNew();
}

store::Status TermWriter::addTerm(const QString& term) {
    const QByteArray utf8 = term.toUtf8();
    return addTermUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

store::Status TermWriter::addTerms(QStringView text) {
    m_terms.addText(text);
    return sendNew();
}

store::Status TermWriter::addTermsUtf8(std::string_view text) {
    m_terms.addTextUtf8(text);
    return sendNew();
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

// The distinct terms of one source column, each with the row it first occurs in.
struct ColumnTerms {
    explicit ColumnTerms(Dictionary dictionary) : collector(dictionary) {}

    TermCollector collector;
    std::vector<std::size_t> firstRow; // the 0-based row of each term of collector, in order
    bool firstNull = false;            // whether the column is Null in the first row
};

// The terms of the three source columns (功效, 主治, 应用), in the order of the phases.
struct Sources {
    std::size_t rows = 0;
    std::array<ColumnTerms, 3> columns{ColumnTerms(Dictionary::Effects), ColumnTerms(Dictionary::Indications),
                                       ColumnTerms(Dictionary::Clinical)};
};

// How often the window's messages run while the texts are read: reading and splitting is
// most of the generation's work and changes nothing the window shows.
constexpr qint64 kReadPumpMs = 50;
constexpr std::size_t kRowsBetweenClockReads = 256;

// Reads the source columns of every prescription in one pass over the table and splits
// them as they come. Each phase's stored query selects one of these columns from the
// same rows in the same order; one pass reads (and decrypts) the file once instead of
// three times. The texts are split in the engine's UTF-8, trimmed of blanks as the
// splitters receive them, without a copy; what is kept is each column's distinct terms
// and the row each first occurs in, so that the phases insert the same terms in the same
// order as splitting every text in its phase would.
store::Result<Sources> readSources(store::Database& db, GenerationObserver& observer) {
    auto stmt = db.prepareNative(QStringLiteral("SELECT 功效, 主治, 应用 FROM ") +
                                 store::quoteIdentifier(store::table::kPrescriptions));
    if (!stmt) {
        return stmt.error();
    }
    Sources sources;
    QElapsedTimer sincePump;
    sincePump.start();
    const store::Status read = store::forEachRow(*stmt, [&](const store::Statement& row) {
        const std::size_t k = sources.rows++;
        for (int c = 0; c < 3; ++c) {
            ColumnTerms& column = sources.columns[c];
            if (k == 0) {
                column.firstNull = row.isNull(c);
            }
            if (column.firstNull) {
                // The phase inserts nothing.
                continue;
            }
            // A Null text contributes nothing, like an empty one.
            int size = 0;
            const char* text = row.utf8(c, &size);
            if (text == nullptr) {
                continue;
            }
            std::string_view view(text, static_cast<std::size_t>(size));
            while (!view.empty() && view.front() == ' ') {
                view.remove_prefix(1);
            }
            while (!view.empty() && view.back() == ' ') {
                view.remove_suffix(1);
            }
            if (!view.empty()) {
                column.collector.addTextUtf8(view);
                column.firstRow.resize(column.collector.terms().size(), k);
            }
        }
        if (sources.rows % kRowsBetweenClockReads == 0 && sincePump.hasExpired(kReadPumpMs)) {
            observer.processEvents();
            sincePump.start();
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
        auto read = readSources(db, observer);
        if (!read) {
            return read.error();
        }
        sources = std::move(*read);
    }
    const size_t index = static_cast<size_t>(&phase - phases().data());
    const ColumnTerms& column = sources->columns[index];
    // No rows, or a Null in the first row: the phase inserts nothing.
    if (sources->rows > 0 && !column.firstNull) {
        auto writer = TermWriter::open(db, phase.dictionary);
        if (!writer) {
            return writer.error();
        }
        observer.setCaption(phase.caption);
        const TermSet& terms = column.collector.terms();
        const qint64 rows = static_cast<qint64>(sources->rows);
        const PhaseProgress progress(rows, phase.base);
        int shown = -1;
        std::size_t next = 0; // the next term to insert
        for (qint64 k = 1; k <= rows; ++k) {
            // The window repaints, and messages run, only when the percentage shown changes.
            if (const int percent = progress.percentAt(k); percent != shown) {
                shown = percent;
                observer.setProgress(progress.at(k));
                observer.processEvents();
            }
            // The terms that row k's text brings first.
            for (; next < terms.size() && column.firstRow[next] == static_cast<std::size_t>(k - 1); ++next) {
                if (auto added = writer->addTermUtf8(terms.at(next)); !added) {
                    return added;
                }
            }
        }
    }
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
    // Generation reads the prescriptions once, front to back, and writes a few pages: a page
    // cache of the engine's usual size serves it better than the store's large one, which
    // would be filled (allocated and zeroed) page by page to be dropped again at the close.
    // Only the speed depends on it.
    (void)db->executeNative(QStringLiteral("PRAGMA cache_size = -2000"));
    store::Status status = generateDictionaries(*db, observer);
    db->close();
    if (observer != nullptr) {
        observer->processEvents();
    }
    return status;
}

} // namespace fangji::dictionary
