#pragma once

#include "store/database.h"
#include "store/result.h"

#include <optional>

// The size a working window was last left at, kept in 系统附表 under a row key of its
// own (beside the query grid's widths in row 104): value 1 the width and value 2 the
// height of its client area in twips, value 3 1 when it was maximized, the rest 0.
namespace fangji::platform {

struct KeptSize {
    int widthTwips = 0;
    int heightTwips = 0;
    bool maximized = false;
};

// Row keys of the windows that keep their size.
inline constexpr int kEntryWindowKey = 201;      // 方剂登录 (Frmfjdl)
inline constexpr int kQueryWindowKey = 202;      // 方剂查询浏览 (FrmFjfd)
inline constexpr int kBackupWindowKey = 203;     // 数据备份及数据恢复 (Frmcopy)
inline constexpr int kBackgroundWindowKey = 204; // 更换系统背景画面 (FrmJczl)

// The kept size under key; nothing when there is none (or a value is no number).
std::optional<KeptSize> readKeptSize(store::Database& db, int key);
// Keeps size under key, adding the row when it is missing.
store::Status writeKeptSize(store::Database& db, int key, const KeptSize& size);

} // namespace fangji::platform
