#include "result_export.h"

#include "query_statement.h"

#include "platform/product.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <unistd.h>

namespace fangji::query {

namespace {

store::DbError refusal(const QString& text) {
    return {kExportRefused, text};
}

store::DbError cannotWrite(const QString& path, const QString& reason) {
    return refusal(QStringLiteral("不能写出 %1：%2").arg(QDir::toNativeSeparators(path), reason));
}

QString columnLabel(int column) {
    return exportColumnNames().value(column);
}

// The name as the grid shows it: blanks trimmed, and a U+FEFF then at its start not shown.
QString shownName(const ExportRecord& record) {
    QString name = trimBlanks(record[store::ColName]);
    if (name.startsWith(QChar(0xFEFF))) {
        name.remove(0, 1);
    }
    return name;
}

// ------------------------------------------------------------------ CSV

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
constexpr qsizetype kCsvChunk = 1 << 20;

class CsvWriter final : public ExportWriter {
public:
    explicit CsvWriter(const QString& path) : m_file(path), m_path(path) {}

    store::Status open() {
        if (!m_file.open(QIODevice::WriteOnly)) {
            return cannotWrite(m_path, m_file.errorString());
        }
        m_buffer = kByteOrderMark;
        appendLine(exportColumnNames());
        return {};
    }

    store::Status add(const ExportRecord& record) override {
        QStringList fields;
        fields.reserve(static_cast<qsizetype>(record.size()));
        for (const QString& text : record) {
            fields << text;
        }
        appendLine(fields);
        return m_buffer.size() >= kCsvChunk ? flush() : store::Status();
    }

    store::Status commit(const std::function<void()>& whileWaiting) override {
        if (whileWaiting) {
            whileWaiting();
        }
        if (store::Status s = flush(); !s) {
            return s;
        }
        if (!m_file.commit()) {
            return cannotWrite(m_path, m_file.errorString());
        }
        return {};
    }

private:
    void appendLine(const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                m_buffer += ',';
            }
            m_buffer += csvField(fields[i]).toUtf8();
        }
        m_buffer += "\r\n";
    }

    store::Status flush() {
        if (m_file.write(m_buffer) != m_buffer.size()) {
            return cannotWrite(m_path, m_file.errorString());
        }
        m_buffer.clear();
        return {};
    }

    QSaveFile m_file; // removes what it wrote unless committed
    QString m_path;
    QByteArray m_buffer;
};

// ------------------------------------------------------------------ Excel

// Widths of the workbook's columns in twips: those the grid shows take the grid's
// widths, the three it does not show fixed ones.
std::array<int, store::PrescriptionColumnCount> workbookWidths(const ColumnWidths& grid) {
    return {grid[0], grid[1], grid[2], grid[3], 3000, 2000, grid[4], 3000};
}

QString lxwReason(lxw_error error) {
    return QString::fromUtf8(lxw_strerror(error));
}

class XlsxWriter final : public ExportWriter {
public:
    explicit XlsxWriter(const QString& path) : m_path(path) {}

    ~XlsxWriter() override {
        if (m_workbook != nullptr) {
            lxw_workbook_free(m_workbook);
        }
        if (!m_temporary.isEmpty()) {
            QFile::remove(m_temporary);
        }
    }

    store::Status open(const ColumnWidths& gridWidths) {
        // The workbook is written under a name of its own beside the target, reserved here.
        const QFileInfo target(m_path);
        QTemporaryFile reserve(target.absoluteFilePath() + QStringLiteral(".fangji-XXXXXX"));
        reserve.setAutoRemove(false);
        if (!reserve.open()) {
            return cannotWrite(m_path, reserve.errorString());
        }
        m_temporary = reserve.fileName();
        reserve.close();

        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE; // rows go to the file as they come
        const QByteArray name = QFile::encodeName(m_temporary);
        m_workbook = workbook_new_opt(name.constData(), &options);
        if (m_workbook == nullptr) {
            return cannotWrite(m_path, QStringLiteral("不能建立工作簿"));
        }
        m_sheet = workbook_add_worksheet(m_workbook, "方剂");
        m_header = workbook_add_format(m_workbook);
        m_body = workbook_add_format(m_workbook);
        if (m_sheet == nullptr || m_header == nullptr || m_body == nullptr) {
            return cannotWrite(m_path, QStringLiteral("不能建立工作表"));
        }
        format_set_bold(m_header);
        for (lxw_format* f : {m_header, m_body}) {
            format_set_text_wrap(f);
            format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
        }
        const auto widths = workbookWidths(gridWidths);
        for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
            // A column dragged shut in the grid still shows in the workbook.
            const auto pixels = static_cast<uint32_t>(qMax(platform::twipsToPixels(widths[c]), 20));
            worksheet_set_column_pixels(m_sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), pixels, m_body);
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        ExportRecord header;
        for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
            header[c] = columnLabel(c);
        }
        return writeRow(header, m_header);
    }

    store::Status add(const ExportRecord& record) override {
        if (m_row >= kXlsxRowLimit) {
            return refusal(QStringLiteral("结果超过 Excel 一张工作表的 %1 行，不能导出为 Excel；可导出为 CSV。")
                               .arg(kXlsxRowLimit - 1));
        }
        for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
            if (record[c].size() > kXlsxCellLimit) {
                return tooLong(record, c);
            }
        }
        return writeRow(record, m_body);
    }

    store::Status commit(const std::function<void()>& whileWaiting) override {
        lxw_workbook* workbook = std::exchange(m_workbook, nullptr);
        // Closing writes and compresses the whole package and frees the workbook whatever
        // happens; nothing else touches the workbook meanwhile.
        lxw_error closed = LXW_NO_ERROR;
        if (!whileWaiting) {
            closed = workbook_close(workbook);
        } else {
            whileWaiting();
            auto closing = std::async(std::launch::async, [workbook] { return workbook_close(workbook); });
            while (closing.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready) {
                whileWaiting();
            }
            closed = closing.get();
        }
        if (closed != LXW_NO_ERROR) {
            return cannotWrite(m_path, lxwReason(closed));
        }
        // Durable before it takes the target's place.
        QFile written(m_temporary);
        if (!written.open(QIODevice::ReadWrite) || ::fsync(written.handle()) != 0) {
            return cannotWrite(m_path, written.errorString());
        }
        written.close();
        if (std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_path).constData()) != 0) {
            return cannotWrite(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        m_temporary.clear();
        return {};
    }

private:
    store::Status tooLong(const ExportRecord& record, int column) const {
        return refusal(QStringLiteral("方剂“%1”的%2有 %3 个字符，超过 Excel 一格所能容纳的 %4 个，"
                                      "不能导出为 Excel；可导出为 CSV。")
                           .arg(shownName(record), columnLabel(column))
                           .arg(record[column].size())
                           .arg(kXlsxCellLimit));
    }

    store::Status writeRow(const ExportRecord& record, lxw_format* format) {
        for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
            if (record[c].isEmpty()) {
                continue; // an empty cell reads back as an empty text
            }
            const QByteArray text = xlsxCellText(record[c]);
            const lxw_error e =
                worksheet_write_string(m_sheet, m_row, static_cast<lxw_col_t>(c), text.constData(), format);
            if (e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED) {
                return tooLong(record, c);
            }
            if (e != LXW_NO_ERROR) {
                return cannotWrite(m_path, lxwReason(e));
            }
        }
        ++m_row;
        return {};
    }

    QString m_path;
    QString m_temporary;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_header = nullptr;
    lxw_format* m_body = nullptr;
    lxw_row_t m_row = 0;
};

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Rows between two calls of the progress callback.
constexpr qint64 kProgressEvery = 256;

} // namespace

const QStringList& exportColumnNames() {
    static const QStringList names = {QStringLiteral("名称"), QStringLiteral("构成"), QStringLiteral("功效"),
                                      QStringLiteral("主治"), QStringLiteral("用法"), QStringLiteral("来源"),
                                      QStringLiteral("应用"), QStringLiteral("临床")};
    return names;
}

QString exportFailureText(const store::DbError& error) {
    return error.number == kExportRefused ? error.description : store::errorReport(error, store::ReportLines::One);
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n')) {
        return text;
    }
    QString out = text;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QByteArray xlsxCellText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        const bool control = u < 0x20 && u != u'\t' && u != u'\n';
        const bool escapeLike = u == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && isHex(text[i + 2]) &&
                                isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == u'_';
        if (control || u == 0xFFFE || u == 0xFFFF || escapeLike) {
            out += QString::asprintf("_x%04X_", static_cast<unsigned>(u));
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

std::optional<ExportRecord> storedRecord(const store::Statement& row) {
    ExportRecord record;
    for (int c = 0; c < store::PrescriptionColumnCount && c < row.columnCount(); ++c) {
        if (row.isNull(c)) {
            continue;
        }
        int bytes = 0;
        const char* utf8 = row.utf8(c, &bytes);
        // Strict: a byte that is not UTF-8 is refused rather than replaced; a U+FEFF is kept.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder.decode(QByteArrayView(utf8, bytes));
        if (decoder.hasError()) {
            return std::nullopt;
        }
        record[c] = text.isNull() ? QStringLiteral("") : text; // an empty text is no null
    }
    return record;
}

store::Result<std::unique_ptr<ExportWriter>> ExportWriter::create(ExportFormat format, const QString& path,
                                                                  const ColumnWidths& gridWidths) {
    if (format == ExportFormat::Csv) {
        auto writer = std::make_unique<CsvWriter>(path);
        if (store::Status s = writer->open(); !s) {
            return s.error();
        }
        return std::unique_ptr<ExportWriter>(std::move(writer));
    }
    auto writer = std::make_unique<XlsxWriter>(path);
    if (store::Status s = writer->open(gridWidths); !s) {
        return s.error();
    }
    return std::unique_ptr<ExportWriter>(std::move(writer));
}

store::Result<ExportOutcome> exportRows(store::Database& db, const QString& statement, ExportFormat format,
                                        const QString& path, const ExportOptions& options) {
    auto stmt = db.prepare(statement);
    if (!stmt) {
        return stmt.error();
    }
    auto writer = ExportWriter::create(format, path, options.gridWidths);
    if (!writer) {
        return writer.error();
    }
    const store::DbError changed = refusal(QStringLiteral("查询结果已经改变，与表格显示的不同；请重新查询后再导出。"));
    ExportOutcome outcome;
    const store::Status read = store::forEachRow(*stmt, [&](const store::Statement& row) -> store::Status {
        const std::optional<ExportRecord> record = storedRecord(row);
        if (!record) {
            return refusal(QStringLiteral("方剂“%1”中有不是有效 UTF-8 的文字，不能原样导出。")
                               .arg(trimBlanks(row.text(store::ColName))));
        }
        if (options.shown != nullptr &&
            (outcome.rows >= options.shown->rowCount() ||
             options.shown->cell(static_cast<int>(outcome.rows), 0) != shownName(*record))) {
            return changed;
        }
        if (store::Status s = (*writer)->add(*record); !s) {
            return s;
        }
        ++outcome.rows;
        if (options.progress && outcome.rows % kProgressEvery == 0 && !options.progress(outcome.rows)) {
            outcome.stopped = true;
            return refusal(QString());
        }
        return {};
    });
    if (outcome.stopped) {
        return outcome; // the writer goes without a file
    }
    if (!read) {
        return read.error();
    }
    if (options.shown != nullptr && outcome.rows != options.shown->rowCount()) {
        return changed;
    }
    if (options.progress) {
        options.progress(outcome.rows);
    }
    if (store::Status s = (*writer)->commit(options.finishing); !s) {
        return s.error();
    }
    return outcome;
}

} // namespace fangji::query
