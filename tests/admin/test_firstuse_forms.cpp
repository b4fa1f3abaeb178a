// Password maintenance (Frmmmwh) and the profile window (FrmYhzl), driven by their controls.
#include "scripted_prompts.h"
#include "test_env.h"

#include "admin/firstuse_store.h"
#include "admin/password_form.h"
#include "admin/password_hash.h"
#include "admin/profile_form.h"
#include "platform/product.h"
#include "store/schema.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using testing::child;
using testing::FakeSession;
using testing::ScriptedPrompts;
using testing::TestDataDir;

namespace {

// The control that holds the focus, by its name (the combo's own text box counts as the combo).
QString focusName(QWidget* window) {
    QWidget* f = window->focusWidget();
    if (f == nullptr) {
        return {};
    }
    if (f->objectName() == QStringLiteral("CboyhmcText")) {
        return QStringLiteral("Cboyhmc");
    }
    return f->objectName();
}

QList<QStringList> table(const TestDataDir& dir, const QString& sql) {
    store::Database db = dir.open();
    return testing::rows(db, sql);
}

// The window left through its own command: hidden, and gone for good.
bool unloaded(QWidget* w) {
    auto* ww = qobject_cast<platform::WorkingWindow*>(w);
    return ww != nullptr && ww->isUnloading() && !ww->isVisible();
}

bool breakInserts(const TestDataDir& dir, const QString& tableName) {
    store::Database db = dir.open();
    return testing::exec(db, QStringLiteral("CREATE TRIGGER refuse_insert BEFORE INSERT ON %1 "
                                            "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                                 .arg(tableName));
}

struct PasswordWindow {
    FakeSession session;
    QPointer<admin::PasswordForm> form;
    QComboBox* name;
    QLineEdit* password;
    QLineEdit* confirmation;

    explicit PasswordWindow(const QString& level = QStringLiteral(" ")) {
        session.level = level;
        form = new admin::PasswordForm(session);
        session.showWindow(form);
        name = child<QComboBox>(form, "Cboyhmc");
        password = child<QLineEdit>(form, "TxtNpas");
        confirmation = child<QLineEdit>(form, "TxtPasn");
    }
    ~PasswordWindow() {
        delete form.data();
        platform::WorkingWindow::releaseUnloaded();
    }
    void fill(const QString& n, const QString& p, const QString& c) {
        name->setEditText(n);
        password->setText(p);
        confirmation->setText(c);
    }
    void click(const QString& button) { QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton); }
};

struct ProfileWindow {
    FakeSession session;
    QPointer<admin::ProfileForm> form;
    QList<QLineEdit*> fields;

    ProfileWindow() {
        form = new admin::ProfileForm(session);
        session.showWindow(form);
        for (const char* n : {"TxtMzmc", "TxtMzdz", "TxtTele", "TxtYhxm"}) {
            fields << child<QLineEdit>(form, n);
        }
    }
    ~ProfileWindow() {
        delete form.data();
        platform::WorkingWindow::releaseUnloaded();
    }
    void fill(const QStringList& values) {
        for (int i = 0; i < 4; ++i) {
            fields[i]->setText(values[i]);
        }
    }
    void save() { QTest::mouseClick(child<QPushButton>(form, "CmdSave"), Qt::LeftButton); }
};

// Forty characters, Chinese and Latin mixed, none of them a blank.
QString fortyCharacters() {
    QString text;
    for (int i = 0; i < 40; ++i) {
        text += i % 3 == 0 ? QChar(0x4e00 + 7 * i) : QChar(u'a' + i % 26);
    }
    return text;
}

const QStringList kGoodProfile = {"仁心诊所", "长安街一号", "5551234", "李时珍"};

} // namespace

class TestFirstUseForms : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- Frmmmwh
    void password_inputCheck_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("passwordAfter");
        const int info = int(Icon::Information);
        QTest::newRow("one-character name") << "张"
                                            << "abcd"
                                            << "abcd"
                                            << "请输二位字符以上的用户名称" << info << ""
                                            << "Cboyhmc"
                                            << "abcd";
        QTest::newRow("name of blanks") << "   "
                                        << "abcd"
                                        << "abcd"
                                        << "请输二位字符以上的用户名称" << info << ""
                                        << "Cboyhmc"
                                        << "abcd";
        QTest::newRow("three-character password") << "张三"
                                                  << "abc"
                                                  << "abcd"
                                                  << "请输入4位以上字符的密码" << info << ""
                                                  << "TxtNpas"
                                                  << "abc";
        QTest::newRow("password padded to four") << "张三"
                                                 << " abc "
                                                 << "abcd"
                                                 << "请输入4位以上字符的密码" << info << ""
                                                 << "TxtNpas"
                                                 << "abc";
        QTest::newRow("three-character confirmation") << "张三"
                                                      << "abcd"
                                                      << "abc"
                                                      << "请输入4位以上字符的密码" << info << ""
                                                      << "TxtPasn"
                                                      << "abcd";
        QTest::newRow("confirmation differs")
            << "张三"
            << "abcd"
            << "abce"
            << "新密码两次输入有误，重新输入。" << int(Icon::None) << platform::kAppTitle << "TxtNpas"
            << "";
    }
    void password_inputCheck() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        QFETCH(int, icon);
        QFETCH(QString, title);
        QFETCH(QString, focus);
        QFETCH(QString, passwordAfter);
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w;
        w.fill(name, password, confirmation);
        prompts.expectMessage(message, Icon(icon), Buttons::Ok, Answer::Ok, title);
        w.click("CmdSave");
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(w.form->inputCheck(), admin::PasswordForm::InputCheck::Refused);
        QCOMPARE(focusName(w.form), focus);
        QCOMPARE(w.password->text(), passwordAfter);
        QCOMPARE(w.name->currentText(), name.trimmed()); // the name is kept
        QVERIFY(table(dir, "SELECT * FROM 密码表").isEmpty());
    }

    void password_saveStoresOneTrimmedHashedRow() {
        TestDataDir dir;
        {
            store::Database db = dir.open();
            QVERIFY(testing::exec(db, "INSERT INTO 密码表 VALUES('旧用户','old','1'),('别人','x','2')"));
        }
        ScriptedPrompts prompts;
        PasswordWindow w;
        QCOMPARE(w.name->count(), 2);
        w.fill("  O'Brien张 ", " it's中文 ", "it's中文  ");
        w.click("CmdSave");
        FANGJI_VERIFY_PROMPTS(prompts); // no confirmation message
        QCOMPARE(w.form->inputCheck(), admin::PasswordForm::InputCheck::Passed);
        const auto rows = table(dir, "SELECT * FROM 密码表");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0], QStringLiteral("O'Brien张"));
        QVERIFY(rows[0][1] != QStringLiteral("it's中文")); // never the typed text
        QVERIFY(firstuse::verifyPassword(QStringLiteral("it's中文"), rows[0][1]));
        QCOMPARE(rows[0][2], QStringLiteral("1"));
        // Cleared, and the list shows only the new name.
        QCOMPARE(w.name->count(), 1);
        QCOMPARE(w.name->itemText(0), QStringLiteral("O'Brien张"));
        QCOMPARE(w.name->currentText(), QString());
        QCOMPARE(w.password->text(), QString());
        QCOMPARE(w.confirmation->text(), QString());
        QCOMPARE(focusName(w.form), QStringLiteral("Cboyhmc"));
    }

    void password_failedSaveKeepsPreviousRow() {
        TestDataDir dir;
        {
            store::Database db = dir.open();
            QVERIFY(firstuse::savePassword(db, QStringLiteral("张三"), QStringLiteral("first1")).ok());
        }
        QVERIFY(breakInserts(dir, "密码表"));
        ScriptedPrompts prompts;
        PasswordWindow w;
        w.fill("李四", "second2", "second2");
        prompts.expectMessage("disk full", Icon::Information);
        w.click("CmdSave");
        FANGJI_VERIFY_PROMPTS(prompts);
        store::Database db = dir.open();
        auto ok = firstuse::checkLogin(db, QStringLiteral("张三"), QStringLiteral("first1"));
        QVERIFY(ok.ok() && *ok);
        // The user can still leave: the table is not empty.
        db.close();
        w.click("Cmdexit");
        QVERIFY(unloaded(w.form));
        QCOMPARE(w.session.unlockCount, 1);
    }

    void password_blankTypedHasNoEffect_data() {
        QTest::addColumn<QString>("field");
        QTest::newRow("name") << "Cboyhmc";
        QTest::newRow("new password") << "TxtNpas";
        QTest::newRow("confirmation") << "TxtPasn";
    }
    void password_blankTypedHasNoEffect() {
        QFETCH(QString, field);
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w;
        QWidget* target = child<QWidget>(w.form, field);
        target->setFocus();
        testing::typeText(target, QStringLiteral(" 张 三 ab "));
        const QString text = field == "Cboyhmc" ? w.name->currentText() : static_cast<QLineEdit*>(target)->text();
        QCOMPARE(text, QStringLiteral("张三ab"));
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void password_boxesHoldThirtyCharacters_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("pasted");
        for (const char* field : {"Cboyhmc", "TxtNpas", "TxtPasn"}) {
            QTest::addRow("%s typed", field) << QString::fromLatin1(field) << false;
            QTest::addRow("%s pasted", field) << QString::fromLatin1(field) << true;
        }
    }
    void password_boxesHoldThirtyCharacters() {
        QFETCH(QString, field);
        QFETCH(bool, pasted);
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w;
        QWidget* target = child<QWidget>(w.form, field);
        QLineEdit* box = field == "Cboyhmc" ? w.name->lineEdit() : static_cast<QLineEdit*>(target);
        const QString forty = fortyCharacters();
        target->setFocus();
        if (pasted) {
            QGuiApplication::clipboard()->setText(forty);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        } else {
            testing::typeText(target, forty);
        }
        QCOMPARE(box->text(), forty.left(30));
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void password_enterFlow_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("selected");
        QTest::newRow("name of one") << "Cboyhmc"
                                     << "张" << false << "Cboyhmc"
                                     << "";
        QTest::newRow("name of two") << "Cboyhmc"
                                     << "张三" << false << "TxtNpas"
                                     << "abcdef";
        QTest::newRow("new password of three") << "TxtNpas"
                                               << "abc" << true << "TxtNpas"
                                               << "abc";
        QTest::newRow("new password of four") << "TxtNpas"
                                              << "abcd" << false << "TxtPasn"
                                              << "ghijkl";
        QTest::newRow("new password of six") << "TxtNpas"
                                             << "abcdef" << false << "TxtPasn"
                                             << "ghijkl";
        QTest::newRow("confirmation of three") << "TxtPasn"
                                               << "ghi" << true << "TxtPasn"
                                               << "ghi";
        QTest::newRow("confirmation of four") << "TxtPasn"
                                              << "ghij" << false << "CmdSave"
                                              << "";
    }
    void password_enterFlow() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, warned);
        QFETCH(QString, focus);
        QFETCH(QString, selected);
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w;
        w.password->setText("abcdef");
        w.confirmation->setText("ghijkl");
        QWidget* target = child<QWidget>(w.form, field);
        target->setFocus();
        if (field == "Cboyhmc") {
            w.name->setEditText(QString());
        } else {
            static_cast<QLineEdit*>(target)->clear();
        }
        testing::typeText(target, text);
        if (warned) {
            prompts.expectMessage("系统密码至少需要输入4位字符", Icon::Information);
        }
        QTest::keyClick(target, Qt::Key_Return);
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(focusName(w.form), focus);
        if (auto* box = qobject_cast<QLineEdit*>(w.form->focusWidget()); box && focus != "Cboyhmc") {
            QCOMPARE(box->selectedText(), selected);
        }
        QCOMPARE(w.name->count(), 0); // Enter never adds a name to the list
    }

    void password_exitRefusedWhileTableEmpty() {
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w(QStringLiteral("000"));
        prompts.expectMessage("密码表内容不完整，系统不能退出", Icon::Information);
        w.click("Cmdexit");
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(!w.form.isNull());
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.session.unlockCount, 0);
        // The frame's close box is refused the same way.
        prompts.expectMessage("密码表内容不完整，系统不能退出", Icon::Information);
        w.form->close();
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(w.form->isVisible());
    }

    void password_exitAfterSave_data() {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("told");
        QTest::newRow("first use") << "000" << true;
        QTest::newRow("from the menu") << " " << false;
    }
    void password_exitAfterSave() {
        QFETCH(QString, level);
        QFETCH(bool, told);
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w(level);
        w.fill("张三", "abcd", "abcd");
        w.click("CmdSave");
        if (told) {
            prompts.expectMessage("请以新的用户名称和密码重新登录系统", Icon::Information);
        }
        w.click("Cmdexit");
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(unloaded(w.form));
        QCOMPARE(w.session.unlockLevels, QStringList{level});
    }

    void password_clearEmptiesInputs() {
        TestDataDir dir;
        ScriptedPrompts prompts;
        PasswordWindow w;
        w.fill("张三", "abcd", "abce");
        w.click("Cmdqcls");
        QCOMPARE(w.name->currentText(), QString());
        QCOMPARE(w.password->text(), QString());
        QCOMPARE(w.confirmation->text(), QString());
        QCOMPARE(focusName(w.form), QStringLiteral("Cboyhmc"));
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    // ---------------------------------------------------------------- FrmYhzl
    void profile_saveMinimumLengths_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("warning");
        QTest::newRow("clinic 3 refused") << 0 << "仁心所"
                                          << "请输入门诊名称全称";
        QTest::newRow("clinic 4 accepted") << 0 << "仁心诊所"
                                           << "";
        QTest::newRow("clinic padded to 4 refused") << 0 << " 仁心所 "
                                                    << "请输入门诊名称全称";
        QTest::newRow("address 3 refused") << 1 << "长安街"
                                           << "请输入门诊详细地址";
        QTest::newRow("address 4 accepted") << 1 << "长安街一"
                                            << "";
        QTest::newRow("telephone 6 refused") << 2 << "555123"
                                             << "请输入门诊对外电话";
        QTest::newRow("telephone 7 accepted") << 2 << "5551234"
                                              << "";
        QTest::newRow("user 1 refused") << 3 << "李"
                                        << "请输入系统用户名称";
        QTest::newRow("user 2 accepted") << 3 << "李时"
                                         << "";
    }
    void profile_saveMinimumLengths() {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, warning);
        TestDataDir dir;
        ScriptedPrompts prompts;
        ProfileWindow w;
        QStringList values = kGoodProfile;
        values[field] = value;
        w.fill(values);
        if (warning.isEmpty()) {
            prompts.expectMessage("保存或修改已经输入的内容吗", Icon::Question, Buttons::YesNo, Answer::Yes);
        } else {
            prompts.expectMessage(warning, Icon::Exclamation);
        }
        w.save();
        FANGJI_VERIFY_PROMPTS(prompts);
        values[field] = value.trimmed();
        if (warning.isEmpty()) {
            QCOMPARE(table(dir, "SELECT * FROM 用户资料"), QList<QStringList>{values});
            QVERIFY(unloaded(w.form));
            QCOMPARE(w.session.unlockCount, 1);
        } else {
            QVERIFY(table(dir, "SELECT * FROM 用户资料").isEmpty());
            QVERIFY(w.form->isVisible());
            QCOMPARE(w.form->focusWidget(), w.fields[field]);
            QCOMPARE(w.fields[field]->selectedText(), value.trimmed());
            QCOMPARE(w.session.unlockCount, 0);
        }
    }

    void profile_noKeepsWindowAndContent() {
        TestDataDir dir;
        ScriptedPrompts prompts;
        ProfileWindow w;
        w.fill(kGoodProfile);
        prompts.expectMessage("保存或修改已经输入的内容吗", Icon::Question, Buttons::YesNo, Answer::No);
        w.save();
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(!w.form.isNull() && w.form->isVisible());
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(w.fields[i]->text(), kGoodProfile[i]);
        }
        QVERIFY(table(dir, "SELECT * FROM 用户资料").isEmpty());
        QCOMPARE(w.session.unlockCount, 0);
        w.form->close(); // the close box does not leave the window either
        QVERIFY(w.form->isVisible());
    }

    void profile_saveReplacesRowsWithTrimmedQuotedValues() {
        TestDataDir dir;
        {
            store::Database db = dir.open();
            QVERIFY(testing::exec(db, "INSERT INTO 用户资料 VALUES('a','b','c','d'),('e','f','g','h')"));
        }
        ScriptedPrompts prompts;
        ProfileWindow w;
        QCOMPARE(w.fields[0]->text(), QStringLiteral("a")); // loaded from the first row
        w.fill({"  O'Neil诊所 ", "街'道一号  ", " 555-1234", "李'时 "});
        prompts.expectMessage("保存或修改已经输入的内容吗", Icon::Question, Buttons::YesNo, Answer::Yes);
        w.save();
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(table(dir, "SELECT * FROM 用户资料"),
                 (QList<QStringList>{{"O'Neil诊所", "街'道一号", "555-1234", "李'时"}}));
    }

    void profile_loadsStoredOrEmpty_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty table") << "" << QStringList{"", "", "", ""};
        QTest::newRow("stored row") << "('仁心诊所','长安街一号','5551234','李时珍')" << kGoodProfile;
        QTest::newRow("null address") << "('仁心诊所',NULL,'5551234','李时珍')"
                                      << QStringList{"仁心诊所", "", "5551234", "李时珍"};
    }
    void profile_loadsStoredOrEmpty() {
        QFETCH(QString, rows);
        QFETCH(QStringList, shown);
        TestDataDir dir;
        if (!rows.isEmpty()) {
            store::Database db = dir.open();
            QVERIFY(testing::exec(db, "INSERT INTO 用户资料 VALUES" + rows));
        }
        ScriptedPrompts prompts;
        ProfileWindow w;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(w.fields[i]->text(), shown[i]);
        }
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void profile_enterFlow_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("selected");
        QTest::newRow("clinic 3") << 0 << "仁心所"
                                  << "请输入门诊名称全称"
                                  << "TxtMzmc"
                                  << "仁心所";
        QTest::newRow("clinic 5") << 0 << "仁心诊所啊"
                                  << ""
                                  << "TxtMzdz"
                                  << "长安街一号";
        QTest::newRow("address 3") << 1 << "长安街"
                                   << "请输入门诊的详细地址"
                                   << "TxtMzdz"
                                   << "长安街";
        QTest::newRow("address 4") << 1 << "长安街一"
                                   << ""
                                   << "TxtTele"
                                   << "5551234";
        QTest::newRow("telephone 6") << 2 << "555123"
                                     << "请输入门诊对外联系电话"
                                     << "TxtTele"
                                     << "555123";
        QTest::newRow("telephone 8") << 2 << "55512345"
                                     << ""
                                     << "TxtYhxm"
                                     << "李时珍";
        QTest::newRow("user 1") << 3 << "李"
                                << "请输入使用者的姓名"
                                << "TxtYhxm"
                                << "李";
        QTest::newRow("user 2") << 3 << "李时"
                                << ""
                                << "CmdSave"
                                << "";
    }
    void profile_enterFlow() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        QFETCH(QString, selected);
        TestDataDir dir;
        ScriptedPrompts prompts;
        ProfileWindow w;
        w.fill(kGoodProfile);
        w.fields[field]->clear();
        w.fields[field]->setFocus();
        testing::typeText(w.fields[field], text);
        if (!warning.isEmpty()) {
            prompts.expectMessage(warning, Icon::Exclamation);
        }
        QTest::keyClick(w.fields[field], Qt::Key_Return);
        FANGJI_VERIFY_PROMPTS(prompts);
        QCOMPARE(w.form->focusWidget()->objectName(), focus);
        if (auto* box = qobject_cast<QLineEdit*>(w.form->focusWidget())) {
            QCOMPARE(box->selectedText(), selected);
        }
        QVERIFY(table(dir, "SELECT * FROM 用户资料").isEmpty()); // Enter never saves
    }

    void profile_blankTypedHasNoEffect_data() {
        QTest::addColumn<int>("field");
        for (int i = 0; i < 4; ++i) {
            QTest::addRow("field %d", i) << i;
        }
    }
    void profile_blankTypedHasNoEffect() {
        QFETCH(int, field);
        TestDataDir dir;
        ScriptedPrompts prompts;
        ProfileWindow w;
        w.fields[field]->setFocus();
        testing::typeText(w.fields[field], QStringLiteral(" 仁 心 1 "));
        QCOMPARE(w.fields[field]->text(), QStringLiteral("仁心1"));
        FANGJI_VERIFY_PROMPTS(prompts);
    }

    void profile_failedSaveKeepsWindowAndPreviousRow() {
        TestDataDir dir;
        {
            store::Database db = dir.open();
            QVERIFY(testing::exec(db, "INSERT INTO 用户资料 VALUES('仁心诊所','长安街一号','5551234','李时珍')"));
        }
        QVERIFY(breakInserts(dir, "用户资料"));
        ScriptedPrompts prompts;
        ProfileWindow w;
        w.fill({"新的诊所名称", "新的地址", "7654321", "张三"});
        prompts.expectMessage("保存或修改已经输入的内容吗", Icon::Question, Buttons::YesNo, Answer::Yes);
        prompts.expectMessage(store::errorReport({19, "disk full"}, store::ReportLines::Two), Icon::Exclamation);
        w.save();
        FANGJI_VERIFY_PROMPTS(prompts);
        QVERIFY(!w.form.isNull() && w.form->isVisible());
        QCOMPARE(w.fields[0]->text(), QStringLiteral("新的诊所名称"));
        QCOMPARE(table(dir, "SELECT * FROM 用户资料"), QList<QStringList>{kGoodProfile});
        QCOMPARE(w.session.unlockCount, 0);
    }
};

QTEST_MAIN(TestFirstUseForms)
#include "test_firstuse_forms.moc"
