#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace fangji::testing {

// The cell texts of the first worksheet of an .xlsx file, row by row (an absent cell is an
// empty text), read as a spreadsheet program reads them: inline and shared strings, with
// the _xHHHH_ escapes decoded. Nothing when the file is no workbook this reader knows.
std::optional<QList<QStringList>> readXlsxSheet(const QString& path, QString* error = nullptr);

// One part of the package (e.g. "xl/worksheets/sheet1.xml"); nothing when it is missing.
std::optional<QByteArray> readXlsxPart(const QString& path, const QString& part);

} // namespace fangji::testing
