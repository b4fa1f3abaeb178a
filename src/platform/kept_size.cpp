#include "kept_size.h"

#include "store/schema.h"

#include <cmath>

namespace fangji::platform {

namespace {

constexpr int kWidth = 1;
constexpr int kHeight = 2;
constexpr int kMaximized = 3;

store::Result<store::Table> seekRow(store::Database& db, int key) {
    auto table = db.openTable(store::table::kLayout);
    if (!table) {
        return table.error();
    }
    if (store::Status s = table->setIndex(store::kLayoutIndex); !s) {
        return s.error();
    }
    if (store::Status s = table->seek(key); !s) {
        return s.error();
    }
    return std::move(table).value();
}

std::optional<int> wholeNumber(const QVariant& value) {
    bool ok = false;
    const double number = value.isValid() ? value.toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(number) || std::fabs(number) >= 2147483647.0) {
        return std::nullopt;
    }
    return static_cast<int>(std::nearbyint(number));
}

} // namespace

std::optional<KeptSize> readKeptSize(store::Database& db, int key) {
    auto table = seekRow(db, key);
    if (!table || table->noMatch()) {
        return std::nullopt;
    }
    const auto width = wholeNumber(table->field(kWidth));
    const auto height = wholeNumber(table->field(kHeight));
    const auto maximized = wholeNumber(table->field(kMaximized));
    if (!width || !height || !maximized || *width <= 0 || *height <= 0) {
        return std::nullopt;
    }
    return KeptSize{*width, *height, *maximized != 0};
}

store::Status writeKeptSize(store::Database& db, int key, const KeptSize& size) {
    auto table = seekRow(db, key);
    if (!table) {
        return table.error();
    }
    if (table->noMatch()) {
        table->addNew();
        table->setField(0, key);
        for (int i = 1; i < table->fieldCount(); ++i) {
            table->setField(i, 0);
        }
    } else if (store::Status s = table->edit(); !s) {
        return s;
    }
    table->setField(kWidth, size.widthTwips);
    table->setField(kHeight, size.heightTwips);
    table->setField(kMaximized, size.maximized ? 1 : 0);
    return table->update();
}

} // namespace fangji::platform
