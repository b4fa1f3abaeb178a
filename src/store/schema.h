#pragma once

#include <QString>

// Names of the database file, its tables and its keys, as every window uses them.
namespace fangji::store {

// Connect string of the system's own database file, and of an import source.
inline const QString kMainConnect = QStringLiteral(";pwd=RwKeQvBnTgLpYjc8265D");
inline const QString kImportConnect = QStringLiteral(";pwd=8614Wbe725QN8614rtd");

inline const QString kDatabaseFileName = QStringLiteral("vizi.mdb");

namespace table {
inline const QString kPrescriptions = QStringLiteral("中医方剂");
inline const QString kEffects = QStringLiteral("方剂功效");
inline const QString kIndications = QStringLiteral("方剂主治");
inline const QString kClinical = QStringLiteral("临床主治");
inline const QString kProfile = QStringLiteral("用户资料");
inline const QString kPasswords = QStringLiteral("密码表");
inline const QString kSettings = QStringLiteral("系统资料");
inline const QString kLayout = QStringLiteral("系统附表");
} // namespace table

// Index on 中医方剂.名称 and on 系统附表."00".
inline const QString kNameIndex = QStringLiteral("fjmci");
inline const QString kLayoutIndex = QStringLiteral("lllk");

// Positions of the eight texts of a prescription row.
enum PrescriptionColumn : int {
    ColName = 0,    // 名称
    ColComposition, // 构成
    ColEffects,     // 功效
    ColIndications, // 主治
    ColUsage,       // 用法
    ColSource,      // 来源
    ColClinical,    // 应用 (labelled 临床治疗)
    ColNotes,       // 临床 (labelled 应用心得)
    PrescriptionColumnCount
};

} // namespace fangji::store
