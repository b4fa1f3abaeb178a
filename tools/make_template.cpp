// Build-time tool: writes the template database vizi.mdb from the schema file.
//   make_template SCHEMA.sql OUTPUT.mdb
#include "store/schema.h"
#include "store/template.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_template SCHEMA.sql OUTPUT.mdb\n");
        return 2;
    }
    QFile schema(QString::fromLocal8Bit(argv[1]));
    if (!schema.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QString sql = QString::fromUtf8(schema.readAll());
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QString tmp = out + QStringLiteral(".tmp");
    auto status = fangji::store::createDatabase(tmp, fangji::store::kMainConnect, sql);
    if (!status) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(fangji::store::errorReport(status.error(), fangji::store::ReportLines::One)));
        QFile::remove(tmp);
        return 1;
    }
    QFile::remove(out);
    if (!QFile::rename(tmp, out)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
