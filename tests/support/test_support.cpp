// The tests' own tools: a control looked up by name that is not there fails only the test
// that looked for it, with a message naming the control.
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestSupport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QProcess probe;
        probe.start(QCoreApplication::applicationDirPath() + QStringLiteral("/child_probe"), QStringList{});
        QVERIFY(probe.waitForFinished(60000));
        m_exitStatus = probe.exitStatus();
        m_exitCode = probe.exitCode();
        m_report = QString::fromUtf8(probe.readAllStandardOutput() + probe.readAllStandardError());
    }

    void missingChild_failsOnlyItsTest() {
        QVERIFY2(m_exitStatus == QProcess::NormalExit, qPrintable(m_report));
        // Qt Test's exit status counts the failed test functions.
        QCOMPARE(m_exitCode, 2);
        QVERIFY2(m_report.contains(QStringLiteral("PASS   : ChildProbe::presentChild()")), qPrintable(m_report));
        QVERIFY2(m_report.contains(QStringLiteral("FAIL!  : ChildProbe::missingChild()")), qPrintable(m_report));
        QVERIFY2(m_report.contains(QStringLiteral("FAIL!  : ChildProbe::missingParent()")), qPrintable(m_report));
        QVERIFY2(m_report.contains(QStringLiteral("PASS   : ChildProbe::afterTheMissingChildren()")),
                 qPrintable(m_report));
        QVERIFY2(m_report.contains(QStringLiteral("Totals: 4 passed, 2 failed")), qPrintable(m_report));
    }

    void missingChild_messageNamesIt_data() {
        QTest::addColumn<QString>("test");
        QTest::addColumn<QString>("message");
        QTest::newRow("child") << "missingChild"
                               << R"(no QLabel named "lblMissing" in QWidget "frmProbe")";
        QTest::newRow("parent") << "missingParent"
                                << R"(no QLineEdit named "TxtOrphan": no parent to look in)";
    }
    void missingChild_messageNamesIt() {
        QFETCH(QString, test);
        QFETCH(QString, message);
        const QRegularExpression failure(
            QStringLiteral(R"(FAIL!  : ChildProbe::%1\(\) (.*)\n\s*Loc: \[(.*)\])").arg(test));
        const QRegularExpressionMatch m = failure.match(m_report);
        QVERIFY2(m.hasMatch(), qPrintable(m_report));
        QCOMPARE(m.captured(1), message);
        // The place named is the lookup in the test, not the helper.
        QVERIFY2(m.captured(2).contains(QStringLiteral("child_probe.cpp")), qPrintable(m.captured(2)));
    }

private:
    QProcess::ExitStatus m_exitStatus = QProcess::CrashExit;
    int m_exitCode = -1;
    QString m_report;
};

QTEST_GUILESS_MAIN(TestSupport)
#include "test_support.moc"
