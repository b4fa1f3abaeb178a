#include "prescription_import.h"

#include "store/database.h"
#include "store/jet_sql.h"
#include "store/schema.h"

#include <optional>

namespace fangji::admin {

namespace {

constexpr int kSourceColumns = 7;
// Rows between two chances for pending window messages to run.
constexpr int kEventsEvery = 256;

const char* const kSourceNames[kSourceColumns] = {"fjmc", "fjgc", "fjgy", "fjzz", "fjyf", "fjly", "fjxd"};

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
    for (int row = 0;; ++row) {
        if (row % kEventsEvery == 0 && letEventsRun) {
            letEventsRun();
        }
        for (int c = 0; c < kSourceColumns && !failure; ++c) {
            if (rows->isNull(c)) {
                failure = store::DbError{kImportNullValue, QStringLiteral("源数据第 %1 条记录的 %2 为空值（Null）。")
                                                               .arg(row + 1)
                                                               .arg(QLatin1String(kSourceNames[c]))};
            } else {
                // The stored bytes go across as they are, without a round trip through QString.
                int bytes = 0;
                const char* text = rows->utf8(c, &bytes);
                if (store::Status s = insert->bindUtf8(c + 1, text, bytes); !s) {
                    failure = s.error();
                }
            }
        }
        if (failure) {
            break;
        }
        auto done = insert->step();
        if (!done) {
            failure = done.error();
            break;
        }
        if (target->changes() > 0) {
            ++counts.added;
        } else {
            ++counts.present;
        }
        if (store::Status s = insert->reset(); !s) {
            failure = s.error();
            break;
        }
        auto next = rows->step();
        if (!next) {
            failure = next.error();
            break;
        }
        if (!*next) {
            break;
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
