// Test functions that look up controls, one of them missing; test_support runs this binary and
// reads its report. (Not a test of its own: it fails by design.)
#include "test_env.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

using fangji::testing::child;

class ChildProbe : public QObject {
    Q_OBJECT

private slots:
    void presentChild() {
        QWidget window;
        window.setObjectName(QStringLiteral("frmProbe"));
        auto* box = new QLineEdit(&window);
        box->setObjectName(QStringLiteral("TxtPresent"));
        QCOMPARE(child<QLineEdit>(&window, "TxtPresent"), box);
    }
    void missingChild() {
        QWidget window;
        window.setObjectName(QStringLiteral("frmProbe"));
        new QLabel(&window); // a label, but not the one asked for
        // The test goes on as a test would that does not expect the control to be missing.
        child<QLabel>(&window, "lblMissing")->setText(QStringLiteral("x"));
        QCOMPARE(child<QLabel>(&window, "lblMissing")->text(), QStringLiteral("x"));
    }
    void missingParent() {
        QWidget* none = nullptr;
        child<QLineEdit>(none, "TxtOrphan")->setText(QStringLiteral("x"));
    }
    void afterTheMissingChildren() { QCOMPARE(child<QLineEdit>(&m_window, "TxtKept")->text(), QStringLiteral("kept")); }
    void initTestCase() {
        m_window.setObjectName(QStringLiteral("frmKept"));
        auto* box = new QLineEdit(&m_window);
        box->setObjectName(QStringLiteral("TxtKept"));
        box->setText(QStringLiteral("kept"));
    }

private:
    QWidget m_window;
};

QTEST_MAIN(ChildProbe)
#include "child_probe.moc"
