#include "test_env.h"

#include "platform/paths.h"
#include "platform/version.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace fangji::testing {

TestDataDir::TestDataDir(bool installDatabase) {
    m_hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    m_oldXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
    if (installDatabase) {
        installTemplate();
    }
}

TestDataDir::~TestDataDir() {
    if (m_hadXdg) {
        qputenv("XDG_DATA_HOME", m_oldXdg);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
}

QString TestDataDir::dataDir() const {
    return platform::dataDir();
}

QString TestDataDir::databasePath() const {
    return platform::databasePath();
}

bool TestDataDir::installTemplate() const {
    QDir().mkpath(dataDir());
    QFile::remove(databasePath());
    if (!QFile::copy(platform::templatePath(), databasePath())) {
        std::fprintf(stderr, "cannot copy the template %s\n", qPrintable(platform::templatePath()));
        return false;
    }
    QFile(databasePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

store::Database TestDataDir::open() const {
    auto db = store::Database::open(databasePath(), store::kMainConnect);
    if (!db) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(databasePath()),
                     qPrintable(store::errorReport(db.error(), store::ReportLines::One)));
        return {};
    }
    return std::move(db).value();
}

bool exec(store::Database& db, const QString& sql) {
    auto s = db.executeNative(sql);
    if (!s) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(s.error().description));
        return false;
    }
    return true;
}

bool addPrescription(store::Database& db, const QStringList& texts) {
    auto stmt = db.prepareNative(QStringLiteral("INSERT INTO 中医方剂 VALUES(?1,?2,?3,?4,?5,?6,?7,?8)"));
    if (!stmt) {
        std::fprintf(stderr, "%s\n", qPrintable(stmt.error().description));
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        const QString t = i < texts.size() ? texts[i] : QStringLiteral(" ");
        (void)stmt->bind(i + 1, t.isNull() ? QVariant() : QVariant(t));
    }
    auto done = stmt->step();
    if (!done) {
        std::fprintf(stderr, "%s\n", qPrintable(done.error().description));
        return false;
    }
    return true;
}

QList<QStringList> rows(store::Database& db, const QString& sql) {
    QList<QStringList> out;
    auto stmt = db.prepareNative(sql);
    if (!stmt) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(stmt.error().description));
        return out;
    }
    while (true) {
        auto row = stmt->step();
        if (!row || !*row) {
            break;
        }
        QStringList r;
        for (int c = 0; c < stmt->columnCount(); ++c) {
            r << (stmt->isNull(c) ? QStringLiteral("<null>") : stmt->value(c).toString());
        }
        out << r;
    }
    return out;
}

void FakeSession::showWindow(QWidget* window) {
    shownWindows << window;
    window->show();
}

void typeText(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
        if (ch == u'\n' || ch == u'\r') {
            QTest::keyClick(widget, Qt::Key_Return);
        } else if (ch == u' ') {
            QTest::keyClick(widget, Qt::Key_Space);
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char& c : out) {
        c = static_cast<char>(gen.generate());
    }
    return out;
}

namespace detail {

void missingChild(const QObject* parent, const char* type, const QString& name, const std::source_location& where) {
    QString message = QStringLiteral("no %1 named \"%2\"").arg(QString::fromLatin1(type), name);
    if (parent == nullptr) {
        message += QStringLiteral(": no parent to look in");
    } else {
        message += QStringLiteral(" in %1 \"%2\"")
                       .arg(QString::fromLatin1(parent->metaObject()->className()), parent->objectName());
    }
    QTest::qFail(message.toUtf8().constData(), where.file_name(), int(where.line()));
}

void keepStandIn(QObject* standIn) {
    // The stand-ins of one test function (and data row); those of an earlier one are deleted.
    static QByteArray test;
    static QList<QPointer<QObject>> kept;
    const QByteArray current = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    if (current != test) {
        qDeleteAll(kept);
        kept.clear();
        test = current;
    }
    kept << standIn;
}

} // namespace detail

QString shownVersion() {
    const QStringList parts = QString::fromLatin1(FANGJI_VERSION).split(u'.');
    return parts.value(0) + u'.' + parts.value(1) + parts.value(2);
}

} // namespace fangji::testing
