#include "commands.h"

#include "record_io.h"

#include "admin/backup_restore.h"
#include "admin/prescription_import.h"
#include "dictionary/dictionary_store.h"
#include "entry/entry_store.h"
#include "entry/entry_text.h"
#include "entry/print_document.h"
#include "entry/print_layout.h"
#include "platform/clock.h"
#include "platform/data_file.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/read_ahead.h"
#include "query/query_statement.h"
#include "query/result_export.h"
#include "store/backup.h"
#include "store/database.h"
#include "store/name_order.h"
#include "store/schema.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace fangji::cli {

namespace {

struct Command {
    QString summary;
    std::function<void(QCommandLineParser&)> options;
    std::function<int(QCommandLineParser&, Streams&)> action;
};

const QString kProgram = QStringLiteral("fangji-cli");

QString generalHelp();

int usageError(Streams& io, const QString& text) {
    io.err << kProgram << ": " << text << '\n' << QStringLiteral("用 %1 --help 查看用法。").arg(kProgram) << '\n';
    return kExitUsage;
}

int refused(Streams& io, const QString& text) {
    io.err << kProgram << ": " << text << '\n';
    return kExitRefused;
}

// The database of the data folder, which must exist already.
store::Result<store::Database> openDatabase() {
    const QString path = platform::databasePath();
    if (!QFileInfo::exists(path)) {
        return store::DbError{14, QStringLiteral("数据文件 %1 不存在，请先运行 fangji-cli init").arg(path)};
    }
    return store::Database::open(path, store::kMainConnect);
}

// An output format: one of the text formats, or an Excel workbook.
struct Output {
    std::optional<Format> text; // nothing: an Excel workbook
    QString path;               // --output; empty: standard output
};

std::optional<Output> outputOf(QCommandLineParser& p, Streams& io) {
    Output out;
    out.path = p.value(QStringLiteral("output"));
    const QString format = p.value(QStringLiteral("format"));
    if (format.compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0) {
        if (out.path.isEmpty()) {
            usageError(io, QStringLiteral("xlsx 格式要用 --output FILE 给出写到的文件"));
            return std::nullopt;
        }
        return out;
    }
    out.text = parseFormat(format);
    if (!out.text) {
        usageError(io, QStringLiteral("未知的格式“%1”（可用 tsv、csv、jsonl、xlsx）").arg(format));
        return std::nullopt;
    }
    return out;
}

void addFormatOption(QCommandLineParser& p) {
    p.addOption({QStringLiteral("format"),
                 QStringLiteral("输出格式：tsv（默认）、csv、jsonl 或 xlsx（Excel 工作簿，要有 --output）。"),
                 QStringLiteral("FORMAT"), QStringLiteral("tsv")});
    p.addOption({QStringLiteral("output"),
                 QStringLiteral("写到文件 FILE，而不是标准输出；写完整后才替换已有的同名文件。"),
                 QStringLiteral("FILE")});
}

// The eight texts of a row as stored: read from the stored UTF-8 itself, so that a
// text keeps a U+FEFF it starts with. Nothing when a text is not UTF-8.
std::optional<Record> recordOf(const store::Statement& s) {
    Record r;
    for (int c = 0; c < 8; ++c) {
        if (s.isNull(c)) {
            continue;
        }
        int bytes = 0;
        const char* utf8 = s.utf8(c, &bytes);
        const std::optional<QString> text = decodeUtf8(QByteArrayView(utf8, bytes));
        if (!text) {
            return std::nullopt;
        }
        r[c] = *text;
    }
    return r;
}

// Streams the rows of a statement over 中医方剂 in a format.
int printRows(store::Database& db, const QString& statement, Format format, Streams& io) {
    auto stmt = db.prepare(statement);
    if (!stmt) {
        return refused(io, store::errorReport(stmt.error(), store::ReportLines::One));
    }
    writeHeader(io.out, format);
    QString undecodable;
    const store::Status read = store::forEachRow(*stmt, [&](const store::Statement& row) -> store::Status {
        const std::optional<Record> record = recordOf(row);
        if (!record) {
            undecodable = row.text(store::ColName);
            return store::DbError{0, {}};
        }
        writeRecord(io.out, format, *record);
        return {};
    });
    if (!undecodable.isNull()) {
        return refused(io, QStringLiteral("方剂“%1”中有不是有效 UTF-8 的文字，不能原样输出").arg(undecodable));
    }
    return read ? kExitOk : refused(io, store::errorReport(read.error(), store::ReportLines::One));
}

// Writes the rows of a statement where the command line says, in its format. A file is
// written beside its place and renamed into place when complete: a failure leaves none.
int writeRows(store::Database& db, const QString& statement, const Output& output, Streams& io) {
    if (!output.text) {
        auto outcome = query::exportRows(db, statement, query::ExportFormat::Xlsx, output.path);
        if (!outcome) {
            return refused(io, query::exportFailureText(outcome.error()));
        }
        io.out << QStringLiteral("已写出 %1（%2 个方剂）").arg(output.path).arg(outcome->rows) << '\n';
        return kExitOk;
    }
    if (output.path.isEmpty()) {
        return printRows(db, statement, *output.text, io);
    }
    QSaveFile file(output.path);
    if (!file.open(QIODevice::WriteOnly)) {
        return refused(io, QStringLiteral("不能写出 %1：%2").arg(output.path, file.errorString()));
    }
    QTextStream text(&file);
    Streams toFile{text, io.err, io.errIsTerminal};
    const int status = printRows(db, statement, *output.text, toFile);
    text.flush();
    if (status != kExitOk) {
        return status; // the file is dropped with its writer
    }
    if (text.status() != QTextStream::Ok || !file.commit()) {
        return refused(io, QStringLiteral("不能写出 %1：%2").arg(output.path, file.errorString()));
    }
    return kExitOk;
}

// ------------------------------------------------------------------ init

int cmdInit(QCommandLineParser&, Streams& io) {
    switch (platform::ensureDataFile()) {
    case platform::DataFileStatus::Present:
        io.out << QStringLiteral("数据文件已存在：") << platform::databasePath() << '\n';
        return kExitOk;
    case platform::DataFileStatus::Copied:
        io.out << QStringLiteral("已建立数据文件：") << platform::databasePath() << '\n';
        return kExitOk;
    case platform::DataFileStatus::TemplateMissing:
        return refused(io, QStringLiteral("系统数据丢失，请将原系统卸载，重新安装。"));
    case platform::DataFileStatus::FolderError:
        return refused(io, QStringLiteral("不能建立数据文件夹 ") + platform::dataDir());
    case platform::DataFileStatus::CopyError:
        return refused(io, QStringLiteral("不能复制数据文件到 ") + platform::databasePath());
    }
    return kExitOk;
}

// ------------------------------------------------------------------ add

// The first text holding a character no stored text may hold, with the reason.
QString forbiddenCharacter(const entry::EntryRecord& r) {
    for (int c = 0; c < 8; ++c) {
        if (const std::optional<QString> problem = entry::forbiddenCharacterProblem(r[c])) {
            return QStringLiteral("“%1”").arg(columnNames()[c]) + *problem;
        }
    }
    return {};
}

// The entry window's check of the required texts: the message of the first blank one.
QString missingRequired(const entry::EntryRecord& r) {
    const std::optional<entry::RequiredText> missing = entry::firstMissingText(r);
    return missing ? QString::fromUtf16(missing->message) : QString();
}

// The input of add, read piece by piece so that a large input is never held whole.
// Each piece ends after a line break (for CSV, one outside quotes) and is read by the
// same reader a whole input would go through, told where the piece stands: its
// first line's number, whether it starts the input (only there is a byte order mark
// skipped) and, for CSV, the columns the input's header named.
class AddInput {
public:
    explicit AddInput(QIODevice& device) : m_device(device) {}

    // The format the first bytes that are not blank call for.
    Format detectFormat() {
        while (!m_atEnd && !formatDecided()) {
            readMore();
        }
        return detectInputFormat(m_pending);
    }
    void setFormat(Format format) {
        m_format = format;
        m_scanned = m_pending.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    }

    // The records of the next piece; nothing once the input is used up. The first
    // piece is always given, even for an empty input.
    std::optional<Input> next() {
        if (m_done) {
            return std::nullopt;
        }
        qsizetype cut = 0;
        while ((cut = cutPoint()) <= 0 && !m_atEnd) {
            readMore();
        }
        if (m_atEnd) {
            cut = m_pending.size();
        }
        const QByteArray piece = m_pending.first(cut);
        m_pending.remove(0, cut);
        m_scanned = std::max<qsizetype>(0, m_scanned - cut);
        m_lastRowEnd = 0;
        m_done = m_atEnd && m_pending.isEmpty();
        const InputPosition at{m_lines + 1, m_first};
        Input in;
        if (m_format == Format::Csv) {
            in = m_first ? readCsv(piece, at, &m_columns) : readCsvRows(piece, m_columns, at);
        } else {
            in = readJsonLines(piece, at);
        }
        m_first = false;
        m_lines += in.lineBreaks;
        return in;
    }

private:
    static inline const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
    static constexpr qint64 kPieceBytes = qint64(4) << 20;

    bool formatDecided() const {
        if (m_pending.size() < kByteOrderMark.size()) {
            return false;
        }
        const QByteArrayView rest =
            QByteArrayView(m_pending).sliced(m_pending.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0);
        return std::any_of(rest.begin(), rest.end(),
                           [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; });
    }

    void readMore() {
        const QByteArray more = m_device.read(kPieceBytes);
        if (more.isEmpty()) {
            m_atEnd = true;
        } else {
            m_pending += more;
        }
    }

    // Where the pending bytes may be cut: after their last complete line (JSON Lines) or
    // row (CSV; the first piece must hold the header); 0 when not yet.
    qsizetype cutPoint() {
        if (m_format == Format::Csv) {
            scanCsv();
            return m_first && m_headerEnd <= 0 ? 0 : m_lastRowEnd;
        }
        for (qsizetype i = m_pending.size() - 1; i >= 0; --i) {
            const char c = m_pending[i];
            // A CR at the very end may be the first half of a CR LF still to come.
            if (c == '\n' || (c == '\r' && i + 1 < m_pending.size())) {
                return i + 1;
            }
        }
        return 0;
    }

    // Follows the CSV reader's quoting over the bytes not yet scanned, noting where the
    // last row ends and where the header (the first row that is not blank) ends.
    void scanCsv() {
        const qsizetype n = m_pending.size();
        qsizetype i = m_scanned;
        for (; i < n; ++i) {
            const char c = m_pending[i];
            if (m_quoted) {
                if (c == '"') {
                    if (i + 1 == n && !m_atEnd) {
                        break; // a doubled quote or the closing one: the next byte tells
                    }
                    if (i + 1 < n && m_pending[i + 1] == '"') {
                        m_rowHasContent = true;
                        ++i;
                    } else {
                        m_quoted = false;
                    }
                } else {
                    m_rowHasContent = true;
                }
                continue;
            }
            if (c == ',') {
                m_fieldStarted = false;
                m_rowHasContent = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r') {
                    if (i + 1 == n && !m_atEnd) {
                        break;
                    }
                    if (i + 1 < n && m_pending[i + 1] == '\n') {
                        ++i;
                    }
                }
                if (m_first && m_headerEnd <= 0 && m_rowHasContent) {
                    m_headerEnd = i + 1;
                }
                m_fieldStarted = false;
                m_rowHasContent = false;
                m_lastRowEnd = i + 1;
            } else if (c == '"' && !m_fieldStarted) {
                m_quoted = true;
                m_fieldStarted = true;
            } else {
                m_fieldStarted = true;
                m_rowHasContent = true;
            }
        }
        m_scanned = i;
    }

    QIODevice& m_device;
    Format m_format = Format::JsonLines;
    QByteArray m_pending;    // read, not yet given out
    qsizetype m_scanned = 0; // CSV: bytes of m_pending followed so far
    qsizetype m_lastRowEnd = 0;
    qsizetype m_headerEnd = 0;
    bool m_quoted = false;
    bool m_fieldStarted = false;
    bool m_rowHasContent = false;
    CsvColumns m_columns; // CSV: what the header named
    int m_lines = 0;      // lines of the pieces given out
    bool m_atEnd = false;
    bool m_first = true;
    bool m_done = false;
};

// One piece of add's input made ready for the store: each record's line and either the
// reason it is refused or its stored form, in the engine's UTF-8. The texts of all rows
// stand one after another in one buffer, so that a piece is made and let go of at once.
struct PreparedRow {
    int line = 0;
    QString refusal;
    std::array<std::pair<qsizetype, int>, 8> texts{}; // offset and size in the bytes; size -1: null
};
struct PreparedPiece {
    QString error; // the input cannot be read as a whole
    std::vector<PreparedRow> rows;
    QByteArray bytes;

    entry::StoredTextViews stored(const PreparedRow& row) const {
        entry::StoredTextViews views;
        for (int c = 0; c < 8; ++c) {
            const auto [offset, size] = row.texts[c];
            if (size >= 0) {
                views[c] = QByteArrayView(bytes.constData() + offset, size);
            }
        }
        return views;
    }
};

PreparedPiece prepare(const Input& in) {
    PreparedPiece piece{in.error, {}, {}};
    piece.rows.reserve(static_cast<size_t>(in.records.size()));
    for (const InputRecord& record : in.records) {
        PreparedRow row{record.line, record.error, {}};
        entry::EntryRecord boxes;
        for (int c = 0; c < 8; ++c) {
            boxes[c] = record.record[c];
        }
        if (row.refusal.isEmpty()) {
            row.refusal = forbiddenCharacter(boxes);
        }
        if (row.refusal.isEmpty()) {
            row.refusal = missingRequired(boxes);
        }
        if (row.refusal.isEmpty()) {
            const entry::EntryRecord stored = entry::storedForm(boxes);
            for (int c = 0; c < 8; ++c) {
                if (stored[c].isNull()) {
                    row.texts[c] = {0, -1};
                    continue;
                }
                const QByteArray utf8 = stored[c].toUtf8();
                row.texts[c] = {piece.bytes.size(), static_cast<int>(utf8.size())};
                piece.bytes += utf8;
            }
        }
        piece.rows.push_back(std::move(row));
    }
    return piece;
}

int cmdAdd(QCommandLineParser& p, Streams& io) {
    const QStringList files = p.positionalArguments();
    if (files.size() > 1) {
        return usageError(io, QStringLiteral("add 只接受一个文件"));
    }
    QFile file;
    if (files.isEmpty() || files[0] == QStringLiteral("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            return refused(io, QStringLiteral("不能读取标准输入"));
        }
    } else {
        file.setFileName(files[0]);
        if (!file.open(QIODevice::ReadOnly)) {
            return refused(io, QStringLiteral("不能读取文件 ") + files[0]);
        }
    }
    AddInput input(file);
    Format format = input.detectFormat();
    if (p.isSet(QStringLiteral("format"))) {
        const auto f = parseFormat(p.value(QStringLiteral("format")));
        if (!f || *f == Format::Tsv) {
            return usageError(io, QStringLiteral("add 读取 jsonl 或 csv"));
        }
        format = *f;
    } else if (!files.isEmpty() && files[0].endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        format = Format::Csv;
    }
    input.setFormat(format);
    const QString nothingAdded = QStringLiteral("；没有登录任何方剂");
    // The input is read and made ready from here on, while the file is opened.
    // Read and made ready on a thread of its own, at most two pieces ahead, while the ones
    // before are stored.
    platform::ReadAhead<PreparedPiece> ahead(
        [&input]() -> std::optional<PreparedPiece> {
            const std::optional<Input> in = input.next();
            if (!in) {
                return std::nullopt;
            }
            return prepare(*in);
        },
        2);
    auto db = openDatabase();
    std::optional<PreparedPiece> prepared = ahead.next(); // the first piece is always given
    if (!prepared->error.isEmpty()) {
        return refused(io, prepared->error + nothingAdded);
    }
    if (!db) {
        // An input that cannot be read as a whole is reported as such first.
        while ((prepared = ahead.next())) {
            if (!prepared->error.isEmpty()) {
                return refused(io, prepared->error + nothingAdded);
            }
        }
        return refused(io, store::errorReport(db.error(), store::ReportLines::One));
    }
    if (auto s = db->begin(); !s) {
        return refused(io, store::errorReport(s.error(), store::ReportLines::One));
    }
    auto adder = entry::PrescriptionAdder::prepare(*db);
    if (!adder) {
        (void)db->rollback();
        return refused(io, store::errorReport(adder.error(), store::ReportLines::One));
    }
    // A CSV input may still turn out unreadable as a whole at its end (a quote that
    // never ends); then nothing is added and no line is reported, so the refused lines
    // are held until the input has been read.
    const bool holdRefusals = format == Format::Csv;
    QString heldRefusals;
    int added = 0;
    int present = 0;
    int refusedCount = 0;
    for (; prepared; prepared = ahead.next()) {
        if (!prepared->error.isEmpty()) {
            (void)db->rollback();
            return refused(io, prepared->error + nothingAdded);
        }
        for (const PreparedRow& row : prepared->rows) {
            if (!row.refusal.isEmpty()) {
                const QString line = QStringLiteral("第 %1 行：").arg(row.line) + row.refusal + u'\n';
                if (holdRefusals) {
                    heldRefusals += line;
                } else {
                    io.err << line;
                }
                ++refusedCount;
                continue;
            }
            auto result = adder->addIfNew(prepared->stored(row));
            if (!result) {
                (void)db->rollback();
                io.err << heldRefusals;
                return refused(io, QStringLiteral("第 %1 行：").arg(row.line) +
                                       store::errorReport(result.error(), store::ReportLines::One));
            }
            if (*result) {
                ++added;
            } else {
                ++present;
            }
        }
    }
    io.err << heldRefusals;
    adder = store::DbError{};
    if (auto s = db->commit(); !s) {
        return refused(io, store::errorReport(s.error(), store::ReportLines::One));
    }
    io.out << QStringLiteral("新增 %1 剂，已有 %2 剂，拒收 %3 剂").arg(added).arg(present).arg(refusedCount) << '\n';
    return refusedCount > 0 ? kExitRefused : kExitOk;
}

// ------------------------------------------------------------------ show

int cmdShow(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        return usageError(io, QStringLiteral("show 需要一个方剂名称"));
    }
    auto db = openDatabase();
    if (!db) {
        return refused(io, store::errorReport(db.error(), store::ReportLines::One));
    }
    auto found = entry::seekByName(*db, args[0].trimmed());
    if (!found) {
        return refused(io, store::errorReport(found.error(), store::ReportLines::One));
    }
    if (!found->has_value()) {
        return refused(io, QStringLiteral("没有名为“%1”的方剂").arg(args[0].trimmed()));
    }
    static const QStringList labels = {QStringLiteral("名称"),     QStringLiteral("构成"),    QStringLiteral("功效"),
                                       QStringLiteral("主治"),     QStringLiteral("用法"),    QStringLiteral("来源"),
                                       QStringLiteral("临床治疗"), QStringLiteral("应用心得")};
    const entry::EntryRecord& r = **found;
    for (int c = 0; c < 8; ++c) {
        io.out << labels[c] << QStringLiteral("：") << r[c] << '\n';
    }
    return kExitOk;
}

// ------------------------------------------------------------------ print

// The document 编辑打印 prints, as a PDF on A4: the nine lines of the print text in 宋体.
int cmdPrint(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        return usageError(io, QStringLiteral("print 需要一个方剂名称"));
    }
    const QString pdf = p.value(QStringLiteral("pdf"));
    if (pdf.isEmpty()) {
        return usageError(io, QStringLiteral("print 需要 --pdf FILE"));
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return refused(io, QStringLiteral("没有字体支持，不能生成 PDF"));
    }
    auto db = openDatabase();
    if (!db) {
        return refused(io, store::errorReport(db.error(), store::ReportLines::One));
    }
    const QString name = entry::trimSpaces(args[0]);
    auto found = entry::seekByName(*db, name);
    if (!found) {
        return refused(io, store::errorReport(found.error(), store::ReportLines::One));
    }
    if (!found->has_value()) {
        return refused(io, QStringLiteral("没有找到方剂 ") + name);
    }
    const entry::EntryRecord& record = **found;
    if (!entry::printable(record)) {
        return refused(io, QStringLiteral("打印内容输入不完全，不能打印"));
    }
    const QString text = entry::trimSpaces(entry::printText(record, platform::clock().now().date()));
    const std::unique_ptr<QTextDocument> document = entry::printTextDocument(text);
    if (const store::Status written = entry::writePdfFile(*document, record[store::ColName], pdf); !written) {
        return refused(
            io,
            QStringLiteral("不能写出 %1：%2").arg(pdf, store::errorReport(written.error(), store::ReportLines::One)));
    }
    io.out << QStringLiteral("已写出 ") << pdf << '\n';
    return kExitOk;
}

// ------------------------------------------------------------------ search, export

int cmdSearch(QCommandLineParser& p, Streams& io) {
    if (!p.positionalArguments().isEmpty()) {
        return usageError(io, QStringLiteral("search 不接受位置参数：") + p.positionalArguments().join(u' '));
    }
    const auto output = outputOf(p, io);
    if (!output) {
        return kExitUsage;
    }
    const QString sort = p.value(QStringLiteral("sort"));
    if (sort != query::kSortByName && sort != query::kSortByEffects) {
        return usageError(io, QStringLiteral("--sort 只能是 名称 或 功效"));
    }
    query::Criteria c;
    c.name = p.value(QStringLiteral("name"));
    c.source = p.value(QStringLiteral("source"));
    const std::pair<QString, std::array<QString, 3>*> triples[] = {{QStringLiteral("herb"), &c.herbs},
                                                                   {QStringLiteral("effect"), &c.effects},
                                                                   {QStringLiteral("indication"), &c.indications},
                                                                   {QStringLiteral("clinical"), &c.clinical}};
    for (const auto& [option, targets] : triples) {
        const QStringList values = p.values(option);
        if (values.size() > 3) {
            return usageError(io, QStringLiteral("--%1 至多三次").arg(option));
        }
        for (int i = 0; i < values.size(); ++i) {
            (*targets)[i] = values[i];
        }
    }
    auto db = openDatabase();
    if (!db) {
        return refused(io, store::errorReport(db.error(), store::ReportLines::One));
    }
    return writeRows(*db, query::readingStatement(query::trimmed(c), sort), *output, io);
}

int cmdExport(QCommandLineParser& p, Streams& io) {
    if (!p.positionalArguments().isEmpty()) {
        return usageError(io, QStringLiteral("export 不接受位置参数"));
    }
    const auto output = outputOf(p, io);
    if (!output) {
        return kExitUsage;
    }
    auto db = openDatabase();
    if (!db) {
        return refused(io, store::errorReport(db.error(), store::ReportLines::One));
    }
    return writeRows(*db, QStringLiteral("SELECT * FROM 中医方剂 ORDER BY rowid"), *output, io);
}

// ------------------------------------------------------------------ dict

class TerminalProgress final : public dictionary::GenerationObserver {
public:
    explicit TerminalProgress(Streams& io) : m_io(io) {}
    void setCaption(const QString& caption) override {
        m_caption = caption;
        draw(m_percent);
    }
    void setProgress(const dictionary::ProgressStep& step) override { draw(step.percent); }
    void finish() {
        if (m_drawn) {
            m_io.err << '\n';
            m_io.err.flush();
        }
    }

private:
    void draw(int percent) {
        m_percent = percent;
        const int filled = qBound(0, percent * 30 / 100, 30);
        m_io.err << '\r' << '[' << QString(filled, u'#') << QString(30 - filled, u' ') << "] "
                 << QString::number(percent).rightJustified(3) << "% " << m_caption << "\x1b[K";
        m_io.err.flush();
        m_drawn = true;
    }
    Streams& m_io;
    QString m_caption;
    int m_percent = 0;
    bool m_drawn = false;
};

int cmdDict(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.value(0) == QStringLiteral("build") && args.size() == 1) {
        if (!QFileInfo::exists(platform::databasePath())) {
            return refused(io, QStringLiteral("数据文件不存在，请先运行 fangji-cli init"));
        }
        TerminalProgress progress(io);
        const store::Status s =
            dictionary::generateDictionaries(platform::databasePath(), io.errIsTerminal ? &progress : nullptr);
        progress.finish();
        if (!s) {
            return refused(io, store::errorReport(s.error(), store::ReportLines::One));
        }
        auto db = openDatabase();
        if (!db) {
            return refused(io, store::errorReport(db.error(), store::ReportLines::One));
        }
        QStringList counts;
        for (const QString& table : {store::table::kEffects, store::table::kIndications, store::table::kClinical}) {
            auto rs = db->openRecordSet(QStringLiteral("select count(*) FROM ") + table);
            counts << QStringLiteral("%1 %2 条").arg(table).arg(rs ? rs->field(0).toInt() : 0);
        }
        io.out << counts.join(QStringLiteral("，")) << '\n';
        return kExitOk;
    }
    if (args.value(0) == QStringLiteral("list") && args.size() == 2) {
        static const std::map<QString, QString> tables = {{QStringLiteral("effects"), store::table::kEffects},
                                                          {QStringLiteral("indications"), store::table::kIndications},
                                                          {QStringLiteral("clinical"), store::table::kClinical}};
        const auto it = tables.find(args[1]);
        if (it == tables.end()) {
            return usageError(io, QStringLiteral("dict list 的词典是 effects、indications 或 clinical"));
        }
        auto db = openDatabase();
        if (!db) {
            return refused(io, store::errorReport(db.error(), store::ReportLines::One));
        }
        auto stmt = db->prepare(QStringLiteral("select %1 FROM %1").arg(it->second));
        if (!stmt) {
            return refused(io, store::errorReport(stmt.error(), store::ReportLines::One));
        }
        const store::Status read =
            store::forEachRow(*stmt, [&](const store::Statement& row) { io.out << escapeTsv(row.text(0)) << '\n'; });
        return read ? kExitOk : refused(io, store::errorReport(read.error(), store::ReportLines::One));
    }
    return usageError(io, QStringLiteral("用法：dict build | dict list effects|indications|clinical"));
}

// ------------------------------------------------------------------ import, backup, restore

int cmdImport(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        return usageError(io, QStringLiteral("import 需要一个来源文件"));
    }
    if (!QFileInfo::exists(platform::databasePath())) {
        return refused(io, QStringLiteral("数据文件不存在，请先运行 fangji-cli init"));
    }
    auto counts = admin::importPrescriptions(platform::databasePath(), args[0]);
    if (!counts) {
        return refused(io, store::errorReport(counts.error(), store::ReportLines::Two));
    }
    io.out << QStringLiteral("新增 %1 剂，已有 %2 剂").arg(counts->added).arg(counts->present) << '\n';
    return kExitOk;
}

int cmdBackup(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.size() != 1 || args[0].trimmed().isEmpty()) {
        return usageError(io, QStringLiteral("选择要备份或恢复的文件"));
    }
    if (!QFileInfo::exists(platform::databasePath())) {
        return refused(io, QStringLiteral("系统数据丢失，不能备份。"));
    }
    if (auto s = admin::backupDatabaseFile(platform::databasePath(), args[0].trimmed()); !s) {
        return refused(io, store::errorReport(s.error(), store::ReportLines::Two));
    }
    io.out << QStringLiteral("已备份到 ") << args[0].trimmed() << '\n';
    return kExitOk;
}

int cmdRestore(QCommandLineParser& p, Streams& io) {
    const QStringList args = p.positionalArguments();
    if (args.size() != 1 || args[0].trimmed().isEmpty()) {
        return usageError(io, QStringLiteral("选择要备份或恢复的文件"));
    }
    if (platform::ensureDataFolder() != platform::DataFileStatus::Present) {
        return refused(io, QStringLiteral("不能建立数据文件夹 ") + platform::dataDir());
    }
    if (auto s = admin::restoreDatabaseFile(args[0].trimmed(), platform::databasePath()); !s) {
        const bool plain = s.error().number == store::kErrorInUse || s.error().number == store::kErrorSameFile;
        return refused(io, plain ? s.error().description : store::errorReport(s.error(), store::ReportLines::Two));
    }
    io.out << QStringLiteral("已从 %1 恢复数据").arg(args[0].trimmed()) << '\n';
    return kExitOk;
}

// ------------------------------------------------------------------ table of commands

const std::map<QString, Command>& commands() {
    static const std::map<QString, Command> table = {
        {QStringLiteral("init"),
         {QStringLiteral("建立数据文件夹和数据文件（从程序带的模板复制）。"), [](QCommandLineParser&) {}, cmdInit}},
        {QStringLiteral("add"),
         {QStringLiteral("登录方剂：JSON Lines 或带列名的 CSV，来自文件或标准输入。"),
          [](QCommandLineParser& p) {
              p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("输入文件；省略或 - 为标准输入。"),
                                      QStringLiteral("[FILE]"));
              p.addOption({QStringLiteral("format"), QStringLiteral("输入格式：jsonl 或 csv（默认按内容判断）。"),
                           QStringLiteral("FORMAT")});
          },
          cmdAdd}},
        {QStringLiteral("show"),
         {QStringLiteral("显示一个方剂的八项内容。"),
          [](QCommandLineParser& p) { p.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("方剂名称。")); },
          cmdShow}},
        {QStringLiteral("search"),
         {QStringLiteral("按查询窗口的十四项条件查询方剂。"),
          [](QCommandLineParser& p) {
              p.addOption({QStringLiteral("name"),
                           QStringLiteral("名称包含的文字；只有拉丁字母时也按拼音或拼音首字母查找（如 gzt）。"),
                           QStringLiteral("TEXT")});
              p.addOption({QStringLiteral("source"), QStringLiteral("来源包含的文字。"), QStringLiteral("TEXT")});
              p.addOption({QStringLiteral("herb"),
                           QStringLiteral("构成包含的药材（至多三次）；只有拉丁字母时也按拼音查找。"),
                           QStringLiteral("TEXT")});
              p.addOption(
                  {QStringLiteral("effect"), QStringLiteral("功效包含的文字（至多三次）。"), QStringLiteral("TEXT")});
              p.addOption({QStringLiteral("indication"), QStringLiteral("主治包含的文字（至多三次）。"),
                           QStringLiteral("TEXT")});
              p.addOption({QStringLiteral("clinical"), QStringLiteral("临床治疗包含的文字（至多三次）。"),
                           QStringLiteral("TEXT")});
              p.addOption({QStringLiteral("sort"), QStringLiteral("排序：名称（默认）或 功效。"), QStringLiteral("KEY"),
                           query::kSortByName});
              addFormatOption(p);
          },
          cmdSearch}},
        {QStringLiteral("export"),
         {QStringLiteral("输出全部方剂。"), [](QCommandLineParser& p) { addFormatOption(p); }, cmdExport}},
        {QStringLiteral("dict"),
         {QStringLiteral(
              "dict build：重新生成功效、主治和临床词典；dict list effects|indications|clinical：列出词条。"),
          [](QCommandLineParser& p) {
              p.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("build 或 list。"));
              p.addPositionalArgument(QStringLiteral("DICTIONARY"),
                                      QStringLiteral("list 的词典：effects、indications 或 clinical。"),
                                      QStringLiteral("[DICTIONARY]"));
          },
          cmdDict}},
        {QStringLiteral("import"),
         {QStringLiteral("从另一个数据库文件的 zyfj 表导入方剂。"),
          [](QCommandLineParser& p) {
              p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("来源数据库文件。"));
          },
          cmdImport}},
        {QStringLiteral("backup"),
         {QStringLiteral("把数据文件备份到 PATH（已有的文件被替换）。"),
          [](QCommandLineParser& p) { p.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("备份文件。")); },
          cmdBackup}},
        {QStringLiteral("restore"),
         {QStringLiteral("用 PATH 的备份替换数据文件（先检查它是本系统的数据库）。"),
          [](QCommandLineParser& p) { p.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("备份文件。")); },
          cmdRestore}},
        {QStringLiteral("print"),
         {QStringLiteral("把一个方剂的打印内容（宋体，A4）写成 PDF 文档，供 lp 等打印。"),
          [](QCommandLineParser& p) {
              p.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("方剂名称。"));
              p.addOption({QStringLiteral("pdf"), QStringLiteral("写出的 PDF 文件。"), QStringLiteral("FILE")});
          },
          cmdPrint}},
    };
    return table;
}

QString generalHelp() {
    QString text = QStringLiteral("用法：%1 [--data-dir DIR] COMMAND [选项]\n\n"
                                  "在禾枢药典之方剂的数据文件夹上工作（或在 --data-dir 给出的文件夹上）。\n\n命令：\n")
                       .arg(kProgram);
    for (const auto& [name, cmd] : commands()) {
        text += QStringLiteral("  %1  %2\n").arg(name.leftJustified(8), cmd.summary);
    }
    text += QStringLiteral("\n%1 COMMAND --help 显示该命令的用法。\n"
                           "退出状态：0 成功，1 输入或数据被拒绝，2 命令行有误。\n")
                .arg(kProgram);
    return text;
}

} // namespace

namespace {
// Names an earlier build let in twice are kept in the file; every command that works
// on it says which they are.
void warnOfEqualNames(const QString& command, Streams& io) {
    if (command == QStringLiteral("init") || command == QStringLiteral("restore") ||
        !QFileInfo::exists(platform::databasePath())) {
        return;
    }
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        return; // the command itself reports what is wrong with the file
    }
    if (auto groups = store::equalNameGroups(*db); groups && !groups->isEmpty()) {
        io.err << QStringLiteral("注意：") << store::equalNamesMessage(*groups) << store::kEqualNamesAdvice << '\n';
        io.err.flush();
    }
}
} // namespace

int run(const QStringList& arguments, Streams io) {
    QStringList args = arguments.mid(1);
    // Global options before the command.
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("-"))) {
        const QString a = args.takeFirst();
        if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            io.out << generalHelp();
            return kExitOk;
        }
        if (a == QStringLiteral("--version")) {
            io.out << kProgram << " " << platform::kVersion << "\n";
            return kExitOk;
        }
        if (a == QStringLiteral("--data-dir")) {
            if (args.isEmpty()) {
                return usageError(io, QStringLiteral("--data-dir 需要一个文件夹"));
            }
            platform::setDataDir(args.takeFirst());
        } else if (a.startsWith(QStringLiteral("--data-dir="))) {
            platform::setDataDir(a.mid(11));
        } else {
            return usageError(io, QStringLiteral("未知的选项 ") + a);
        }
    }
    if (args.isEmpty()) {
        io.err << generalHelp();
        return kExitUsage;
    }
    const QString name = args.takeFirst();
    const auto it = commands().find(name);
    if (it == commands().end()) {
        return usageError(io, QStringLiteral("未知的命令 ") + name);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(it->second.summary);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示本命令的用法。"));
    parser.addOption(help);
    it->second.options(parser);
    if (!parser.parse(QStringList{kProgram + u' ' + name} + args)) {
        return usageError(io, parser.errorText());
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                     QStringLiteral("用法：%1 %2").arg(kProgram, name));
        // Qt writes its own headings in English; the help is Chinese throughout.
        text.replace(QStringLiteral("[options]"), QStringLiteral("[选项]"));
        text.replace(QRegularExpression(QStringLiteral("^Options:$"), QRegularExpression::MultilineOption),
                     QStringLiteral("选项："));
        text.replace(QRegularExpression(QStringLiteral("^Arguments:$"), QRegularExpression::MultilineOption),
                     QStringLiteral("参数："));
        io.out << text;
        return kExitOk;
    }
    warnOfEqualNames(name, io);
    return it->second.action(parser, io);
}

} // namespace fangji::cli
