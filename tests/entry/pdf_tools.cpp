#include "pdf_tools.h"

#include <QProcess>
#include <QRegularExpression>

namespace fangji::testing {

namespace {

ToolRun run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted(10000)) {
        return {{}, program + QStringLiteral(" cannot be started (scripts/install-deps installs poppler-utils)")};
    }
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return {{}, program + QStringLiteral(" failed: ") + QString::fromUtf8(p.readAllStandardError())};
    }
    return {QString::fromUtf8(p.readAllStandardOutput()), {}};
}

} // namespace

ToolRun pdfText(const QString& file) {
    return run(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
}

QList<PdfFont> pdfFonts(const QString& file, QString* error) {
    const ToolRun r = run(QStringLiteral("pdffonts"), {file});
    if (error) {
        *error = r.error;
    }
    QList<PdfFont> fonts;
    const QStringList lines = r.output.split(u'\n', Qt::SkipEmptyParts);
    // name, type (one or two words), encoding, emb, sub, uni, object, generation
    static const QRegularExpression row(
        QStringLiteral("^(\\S+)\\s+(.+?)\\s+(\\S+)\\s+(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"));
    for (const QString& line : lines.mid(2)) {
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch()) {
            continue;
        }
        QString name = m.captured(1);
        if (name.size() > 7 && name[6] == u'+') {
            name = name.mid(7);
        }
        fonts.append({name, m.captured(2), m.captured(4) == QStringLiteral("yes")});
    }
    return fonts;
}

PdfInfo pdfInfo(const QString& file) {
    const ToolRun r = run(QStringLiteral("pdfinfo"), {file});
    PdfInfo info;
    info.error = r.error;
    for (const QString& line : r.output.split(u'\n')) {
        if (line.startsWith(QStringLiteral("Pages:"))) {
            info.pages = line.mid(6).trimmed().toInt();
        } else if (line.startsWith(QStringLiteral("Page size:"))) {
            info.pageSize = line.mid(10).trimmed();
        }
    }
    return info;
}

bool isChineseSongFace(const QString& fontName) {
    static const QRegularExpression song(QStringLiteral("Serif\\s*CJK|Song|Ming"),
                                         QRegularExpression::CaseInsensitiveOption);
    return song.match(fontName).hasMatch();
}

QString withoutSpace(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return QString(text).remove(space);
}

} // namespace fangji::testing
