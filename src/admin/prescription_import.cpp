#include "prescription_import.h"

#include "platform/read_ahead.h"
#include "store/database.h"
#include "store/jet_sql.h"
#include "store/schema.h"

#include <optional>
#include <vector>

namespace fangji::admin {

namespace {

constexpr int kSourceColumns = 7;
// Rows between two chances for pending window messages to run.
constexpr int kEventsEvery = 256;
// Batches read ahead at most, each of kImportBatchRows rows.
constexpr size_t kBatchesAhead = 4;

const char* const kSourceNames[kSourceColumns] = {"fjmc", "fjgc", "fjgy", "fjzz", "fjyf", "fjly", "fjxd"};

// Rows of the source as read: the stored bytes of each value, or Null.
struct SourceBatch {
    struct Cell {
        qsizetype offset = 0;
        int size = -1; // -1: Null
    };
    QByteArray bytes;        // the values, one after another
    std::vector<Cell> cells; // kSourceColumns per row
    int rows = 0;
    std::optional<store::DbError> error; // reading failed after these rows
    bool last = false;                   // no row after these

    const char* text(int row, int column) const { return bytes.constData() + cell(row, column).offset; }
    const Cell& cell(int row, int column) const { return cells[static_cast<size_t>(row * kSourceColumns + column)]; }
};

// The current row and those after it, up to a batch.
SourceBatch readBatch(store::Statement& rows) {
    SourceBatch batch;
    batch.cells.reserve(static_cast<size_t>(kImportBatchRows * kSourceColumns));
    while (batch.rows < kImportBatchRows) {
        for (int c = 0; c < kSourceColumns; ++c) {
            SourceBatch::Cell cell{batch.bytes.size(), -1};
            if (!rows.isNull(c)) {
                // The stored bytes go across as they are, without a round trip through QString.
                const char* text = rows.utf8(c, &cell.size);
                batch.bytes.append(text, cell.size);
            }
            batch.cells.push_back(cell);
        }
        ++batch.rows;
        auto next = rows.step();
        if (!next) {
            batch.error = next.error();
            break;
        }
        if (!*next) {
            batch.last = true;
            break;
        }
    }
    return batch;
}

} // namespace

store::Result<ImportCounts> importPrescriptions(const QString& databasePath, const QString& sourcePath,
                                                const std::function<void()>& letEventsRun) {
    auto target = store::Database::open(databasePath, store::kMainConnect);
    if (!target) {
        return target.error();
    }
    auto source = store::Database::open(sourcePath, store::kImportConnect);
    if (!source) {
        return source.error();
    }
    // A plain statement: the source's own stored queries stay as they are.
    auto rows = source->prepare(kImportSelect);
    if (!rows) {
        return rows.error();
    }
    auto first = rows->step();
    if (!first) {
        return first.error();
    }
    if (!*first || rows->isNull(0)) {
        return store::DbError{kImportNoRecord, QStringLiteral("源数据表 zyfj 中没有记录。")};
    }

    // The source values are bound, never spliced into the statement text. The insert runs
    // without fail-on-error: a name already present is dropped by the unique index.
    auto insert = target->prepareNative(store::jet::translate(
        QStringLiteral("INSERT INTO 中医方剂 VALUES(?1,?2,?3,?4,?5,?6,' ',?7)"), store::jet::Mode::Execute));
    if (!insert) {
        return insert.error();
    }
    if (store::Status s = target->begin(); !s) {
        return s.error();
    }

    ImportCounts counts;
    std::optional<store::DbError> failure;
    {
        // The source's rows are read on a thread of their own, a few batches ahead of the inserts,
        // so that reading and decrypting the source overlaps with writing the target; the
        // statement and its connection are the reader's alone meanwhile. rows stands on its
        // first row already.
        bool readLast = false;
        platform::ReadAhead<SourceBatch> reader(
            [&rows, &readLast]() -> std::optional<SourceBatch> {
                if (readLast) {
                    return std::nullopt;
                }
                SourceBatch batch = readBatch(*rows);
                readLast = batch.last || batch.error.has_value();
                return batch;
            },
            kBatchesAhead);
        int row = 0;
        for (bool last = false; !last && !failure;) {
            std::optional<SourceBatch> next = reader.next();
            if (!next) {
                break;
            }
            const SourceBatch batch = std::move(*next);
            last = batch.last;
            for (int r = 0; r < batch.rows && !failure; ++r, ++row) {
                if (row % kEventsEvery == 0 && letEventsRun) {
                    letEventsRun();
                }
                for (int c = 0; c < kSourceColumns && !failure; ++c) {
                    const int size = batch.cell(r, c).size;
                    if (size < 0) {
                        failure =
                            store::DbError{kImportNullValue, QStringLiteral("源数据第 %1 条记录的 %2 为空值（Null）。")
                                                                 .arg(row + 1)
                                                                 .arg(QLatin1String(kSourceNames[c]))};
                    } else if (store::Status s = insert->bindUtf8Unowned(c + 1, batch.text(r, c), size); !s) {
                        failure = s.error();
                    }
                }
                if (failure) {
                    break;
                }
                if (auto done = insert->stepAndReset(); !done) {
                    failure = done.error();
                    break;
                }
                if (target->changes() > 0) {
                    ++counts.added;
                } else {
                    ++counts.present;
                }
            }
            if (!failure && batch.error) {
                failure = batch.error;
            }
            // The batch's bytes go with it: no binding may point into them.
            insert->clearBindings();
        }
    }

    // Rows inserted before a failure stay imported.
    insert = store::Statement();
    if (store::Status s = target->commit(); !s) {
        (void)target->rollback();
        return failure ? *failure : s.error();
    }
    if (failure) {
        return *failure;
    }
    return counts;
}

} // namespace fangji::admin
