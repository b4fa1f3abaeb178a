// The first-use logic without windows: password hashes, the text rules, and the
// password and profile rows in the store.
#include "test_env.h"

#include "admin/firstuse_rules.h"
#include "admin/firstuse_store.h"
#include "admin/password_hash.h"
#include "store/schema.h"

#include <QTest>

using namespace fangji;
using firstuse::LoginVerdict;
using firstuse::PasswordInputProblem;
using firstuse::Profile;
using testing::TestDataDir;

Q_DECLARE_METATYPE(PasswordInputProblem)
Q_DECLARE_METATYPE(LoginVerdict)
Q_DECLARE_METATYPE(Profile)

namespace {

QStringList queryDefs(store::Database& db) {
    auto names = db.queryDefNames();
    return names ? *names : QStringList{QStringLiteral("<error>")};
}

// Makes every insert into table fail, as a full disk or a locked file would.
bool breakInserts(store::Database& db, const QString& table) {
    return testing::exec(db, QStringLiteral("CREATE TRIGGER refuse_insert BEFORE INSERT ON %1 "
                                            "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                                 .arg(table));
}

} // namespace

class TestFirstUseCore : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------- hashes
    void hash_matchesStandardVector() {
        // PBKDF2-HMAC-SHA256, P "passwd", S "salt", c 1: the first 32 bytes of the published vector.
        const QString stored = firstuse::hashPassword(QStringLiteral("passwd"), "salt", 1);
        const QByteArray expected =
            QByteArray::fromHex("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc");
        QCOMPARE(stored.section(u'$', 3, 3), QString::fromLatin1(expected.toBase64()));
        QCOMPARE(stored.section(u'$', 0, 1), QStringLiteral("pbkdf2-sha256$1"));
    }

    void hash_verify_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::newRow("same") << "secret1"
                              << "secret1" << true;
        QTest::newRow("cjk same") << "中医方剂2024"
                                  << "中医方剂2024" << true;
        QTest::newRow("quote same") << "x' or '1'='1"
                                    << "x' or '1'='1" << true;
        QTest::newRow("latin case differs") << "Secret1"
                                            << "secret1" << false;
        QTest::newRow("trailing blank") << "secret1"
                                        << "secret1 " << false;
        QTest::newRow("one character short") << "secret1"
                                             << "secret" << false;
        QTest::newRow("injection against plain") << "secret1"
                                                 << "x' or '1'='1" << false;
        QTest::newRow("empty typed") << "secret1"
                                     << "" << false;
    }
    void hash_verify() {
        QFETCH(QString, password);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        const QString stored = firstuse::hashPassword(password);
        QVERIFY(firstuse::isPasswordHash(stored));
        QVERIFY(!stored.contains(password));
        QCOMPARE(firstuse::verifyPassword(typed, stored), matches);
    }

    void hash_saltedEachTime() {
        const QString a = firstuse::hashPassword(QStringLiteral("secret1"));
        const QString b = firstuse::hashPassword(QStringLiteral("secret1"));
        QVERIFY(a != b);
        QVERIFY(firstuse::verifyPassword(QStringLiteral("secret1"), a));
        QVERIFY(firstuse::verifyPassword(QStringLiteral("secret1"), b));
    }

    void hash_malformedStoredNeverMatches_data() {
        QTest::addColumn<QString>("stored");
        const QString good = firstuse::hashPassword(QStringLiteral("secret1"), "0123456789abcdef", 10);
        const QStringList parts = good.split(u'$');
        QTest::newRow("plain text") << "secret1";
        QTest::newRow("empty") << "";
        QTest::newRow("other scheme") << QStringList{"md5", parts[1], parts[2], parts[3]}.join(u'$');
        QTest::newRow("zero rounds") << QStringList{parts[0], "0", parts[2], parts[3]}.join(u'$');
        QTest::newRow("absurd rounds") << QStringList{parts[0], "2000000000", parts[2], parts[3]}.join(u'$');
        QTest::newRow("bad base64") << QStringList{parts[0], parts[1], "!!", parts[3]}.join(u'$');
        QTest::newRow("short hash") << QStringList{parts[0], parts[1], parts[2], "AAAA"}.join(u'$');
        QTest::newRow("extra part") << good + "$x";
    }
    void hash_malformedStoredNeverMatches() {
        QFETCH(QString, stored);
        QVERIFY(!firstuse::isPasswordHash(stored));
        QVERIFY(!firstuse::verifyPassword(QStringLiteral("secret1"), stored));
    }

    // ---------------------------------------------------------------- text rules
    void versionText_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("text");
        QTest::newRow("5.2.0") << 5 << 2 << 0 << "标准版 5.20";
        QTest::newRow("6.1.3") << 6 << 1 << 3 << "标准版 6.13";
        QTest::newRow("10.12.4") << 10 << 12 << 4 << "标准版 10.124";
    }
    void versionText() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, text);
        QCOMPARE(firstuse::versionText(major, minor, revision), text);
    }

    void splashProfileText_linesAndBlanks() {
        const QString text = firstuse::splashProfileText({QStringLiteral("仁心诊所"), QStringLiteral("长安街1号"),
                                                          QStringLiteral("0105551234"), QStringLiteral("李时珍")});
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("使用单位：仁心诊所"));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[2],
                 QStringLiteral("联系电话：0105551234") + QString(4, u' ') + QStringLiteral("使用人：李时珍"));
        QVERIFY(!text.contains(QStringLiteral("长安街"))); // the address is not shown
    }

    void passwordInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<PasswordInputProblem>("problem");
        QTest::newRow("all good") << "张三"
                                  << "abcd"
                                  << "abcd" << PasswordInputProblem::None;
        QTest::newRow("empty name") << ""
                                    << "abcd"
                                    << "abcd" << PasswordInputProblem::ShortName;
        QTest::newRow("one-character name") << "张"
                                            << "abcd"
                                            << "abcd" << PasswordInputProblem::ShortName;
        QTest::newRow("name first") << "张"
                                    << "ab"
                                    << "cd" << PasswordInputProblem::ShortName;
        QTest::newRow("three-character password") << "张三"
                                                  << "abc"
                                                  << "abcd" << PasswordInputProblem::ShortPassword;
        QTest::newRow("three-character confirmation") << "张三"
                                                      << "abcd"
                                                      << "abc" << PasswordInputProblem::ShortConfirmation;
        QTest::newRow("differ") << "张三"
                                << "abcd"
                                << "abce" << PasswordInputProblem::Mismatch;
        QTest::newRow("differ in case") << "张三"
                                        << "abcd"
                                        << "ABCD" << PasswordInputProblem::Mismatch;
    }
    void passwordInput() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirmation);
        QFETCH(PasswordInputProblem, problem);
        QCOMPARE(firstuse::checkPasswordInput(name, password, confirmation), problem);
        QCOMPARE(firstuse::passwordInputMessage(problem).isEmpty(), problem == PasswordInputProblem::None);
    }

    void profileMinimum_data() {
        QTest::addColumn<Profile>("profile");
        QTest::addColumn<int>("firstShort");
        const Profile ok{"仁心诊所", "长安街一号", "5551234", "李时"};
        auto with = [&](int field, const QString& value) {
            Profile p = ok;
            p.field(field) = value;
            return p;
        };
        QTest::newRow("all long enough") << ok << -1;
        QTest::newRow("clinic 3") << with(0, "仁心所") << 0;
        QTest::newRow("clinic 4") << with(0, "仁心诊所") << -1;
        QTest::newRow("address 3") << with(1, "长安街") << 1;
        QTest::newRow("telephone 6") << with(2, "555123") << 2;
        QTest::newRow("telephone 7") << with(2, "5551234") << -1;
        QTest::newRow("user 1") << with(3, "李") << 3;
        QTest::newRow("user 2") << with(3, "李时") << -1;
        QTest::newRow("first of several") << Profile{"仁心诊所", "街", "1", "李"} << 1;
    }
    void profileMinimum() {
        QFETCH(Profile, profile);
        QFETCH(int, firstShort);
        QCOMPARE(firstuse::firstShortProfileField(profile), firstShort);
    }

    void loginVerdict_data() {
        QTest::addColumn<bool>("matched");
        QTest::addColumn<int>("attempt");
        QTest::addColumn<LoginVerdict>("verdict");
        for (int attempt = 1; attempt <= 3; ++attempt) {
            QTest::addRow("right on %d", attempt) << true << attempt << LoginVerdict::Admit;
            QTest::addRow("wrong on %d", attempt) << false << attempt << LoginVerdict::Retry;
        }
        QTest::newRow("wrong on 4") << false << 4 << LoginVerdict::Refuse;
        QTest::newRow("right on 4") << true << 4 << LoginVerdict::Refuse;
    }
    void loginVerdict() {
        QFETCH(bool, matched);
        QFETCH(int, attempt);
        QFETCH(LoginVerdict, verdict);
        QCOMPARE(firstuse::judgeLogin(matched, attempt), verdict);
    }

    // ---------------------------------------------------------------- password rows
    void savePassword_replacesEveryRowWithHashedOne() {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, "INSERT INTO 密码表 VALUES('old1','p1','1'),('old2','p2','9')"));
        QVERIFY(testing::exec(db, "CREATE VIEW mine AS SELECT 1"));
        QVERIFY(firstuse::savePassword(db, QStringLiteral("O'Brien"), QStringLiteral("it's 中文")).ok());
        const auto table = testing::rows(db, "SELECT * FROM 密码表");
        QCOMPARE(table.size(), 1);
        QCOMPARE(table[0][0], QStringLiteral("O'Brien"));
        QVERIFY(table[0][1] != QStringLiteral("it's 中文"));
        QVERIFY(firstuse::isPasswordHash(table[0][1]));
        QCOMPARE(table[0][2], QStringLiteral("1"));
        QCOMPARE(queryDefs(db), QStringList()); // the stored queries went first
    }

    void savePassword_failureKeepsPreviousRow() {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(firstuse::savePassword(db, QStringLiteral("张三"), QStringLiteral("first1")).ok());
        QVERIFY(breakInserts(db, "密码表"));
        const store::Status s = firstuse::savePassword(db, QStringLiteral("李四"), QStringLiteral("second2"));
        QVERIFY(!s.ok());
        QVERIFY(s.error().description.contains(QStringLiteral("disk full")));
        auto ok = firstuse::checkLogin(db, QStringLiteral("张三"), QStringLiteral("first1"));
        QVERIFY(ok.ok());
        QVERIFY(*ok);
        QCOMPARE(testing::rows(db, "SELECT 姓名 FROM 密码表"), QList<QStringList>{{"张三"}});
    }

    void checkLogin_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("admitted");
        QTest::newRow("right pair") << "Admin张"
                                    << "Pa$$w0rd" << true;
        QTest::newRow("name in other Latin case") << "ADMIN张"
                                                  << "Pa$$w0rd" << true;
        QTest::newRow("password in other case") << "Admin张"
                                                << "pa$$w0rd" << false;
        QTest::newRow("wrong password") << "Admin张"
                                        << "Pa$$w0rX" << false;
        QTest::newRow("no name picked") << ""
                                        << "Pa$$w0rd" << false;
        QTest::newRow("other name") << "李四"
                                    << "Pa$$w0rd" << false;
        QTest::newRow("injection in password") << "Admin张"
                                               << "x' or '1'='1" << false;
        QTest::newRow("injection in name") << "x' or '1'='1"
                                           << "x' or '1'='1" << false;
        QTest::newRow("injection with comment") << "Admin张' --"
                                                << "anything" << false;
        QTest::newRow("wildcard name") << "*"
                                       << "Pa$$w0rd" << false;
    }
    void checkLogin() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, admitted);
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(firstuse::savePassword(db, QStringLiteral("Admin张"), QStringLiteral("Pa$$w0rd")).ok());
        auto result = firstuse::checkLogin(db, name, password);
        QVERIFY(result.ok());
        QCOMPARE(*result, admitted);
        QCOMPARE(testing::rows(db, "SELECT count(*) FROM 密码表"), QList<QStringList>{{"1"}});
    }

    void checkLogin_plainTextRowAdmitsNoOne() {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, "INSERT INTO 密码表 VALUES('张三','secret1','1')"));
        auto result = firstuse::checkLogin(db, QStringLiteral("张三"), QStringLiteral("secret1"));
        QVERIFY(result.ok());
        QVERIFY(!*result);
    }

    void userNames_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty table") << "" << QStringList();
        QTest::newRow("one user") << "('张三','h','1')" << QStringList{"张三"};
        QTest::newRow("null first name") << "(NULL,'h','1'),('李四','h','1')" << QStringList();
        QTest::newRow("quote in name") << "('O''Brien','h','1')" << QStringList{"O'Brien"};
    }
    void userNames() {
        QFETCH(QString, rows);
        QFETCH(QStringList, names);
        TestDataDir dir;
        store::Database db = dir.open();
        if (!rows.isEmpty()) {
            QVERIFY(testing::exec(db, "INSERT INTO 密码表 VALUES" + rows));
        }
        auto result = firstuse::userNames(db);
        QVERIFY(result.ok());
        QCOMPARE(*result, names);
        QCOMPARE(queryDefs(db), QStringList{"yhmc"}); // stays in the file
    }

    void passwordCount_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << "" << 0;
        QTest::newRow("one") << "('张三','h','1')" << 1;
        QTest::newRow("two") << "('张三','h','1'),('李四','h','1')" << 2;
    }
    void passwordCount() {
        QFETCH(QString, rows);
        QFETCH(int, count);
        TestDataDir dir;
        store::Database db = dir.open();
        if (!rows.isEmpty()) {
            QVERIFY(testing::exec(db, "INSERT INTO 密码表 VALUES" + rows));
        }
        auto result = firstuse::passwordCount(db);
        QVERIFY(result.ok());
        QCOMPARE(*result, count);
        QCOMPARE(queryDefs(db), QStringList{"000"});
    }

    // ---------------------------------------------------------------- profile row
    void profile_roundTripReplacesRows() {
        TestDataDir dir;
        store::Database db = dir.open();
        QVERIFY(testing::exec(db, "INSERT INTO 用户资料 VALUES('a','b','c','d'),('e','f','g','h')"));
        const Profile p{"O'Neil's 诊所", "街'1号", "555-1234", "李'时珍"};
        QVERIFY(firstuse::saveProfile(db, p).ok());
        QCOMPARE(testing::rows(db, "SELECT * FROM 用户资料"),
                 (QList<QStringList>{{p.clinic, p.address, p.telephone, p.user}}));
        auto loaded = firstuse::loadProfile(db);
        QVERIFY(loaded.ok());
        QVERIFY(loaded->has_value());
        QCOMPARE(**loaded, p);
    }

    void profile_load_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty") << "" << false << QStringList();
        QTest::newRow("null clinic") << "(NULL,'b','c','d')" << false << QStringList();
        QTest::newRow("nulls after clinic") << "('a',NULL,NULL,'d')" << true << QStringList{"a", "", "", "d"};
    }
    void profile_load() {
        QFETCH(QString, rows);
        QFETCH(bool, present);
        QFETCH(QStringList, fields);
        TestDataDir dir;
        store::Database db = dir.open();
        if (!rows.isEmpty()) {
            QVERIFY(testing::exec(db, "INSERT INTO 用户资料 VALUES" + rows));
        }
        auto loaded = firstuse::loadProfile(db);
        QVERIFY(loaded.ok());
        QCOMPARE(loaded->has_value(), present);
        if (present) {
            for (int i = 0; i < Profile::kFieldCount; ++i) {
                QCOMPARE((*loaded)->field(i), fields[i]);
            }
        }
        QCOMPARE(queryDefs(db), QStringList{"000"});
    }

    void profile_failedSaveKeepsPreviousRow() {
        TestDataDir dir;
        store::Database db = dir.open();
        const Profile before{"仁心诊所", "长安街一号", "5551234", "李时珍"};
        QVERIFY(firstuse::saveProfile(db, before).ok());
        QVERIFY(breakInserts(db, "用户资料"));
        QVERIFY(!firstuse::saveProfile(db, {"新诊所名称", "新地址四字", "7654321", "张三"}).ok());
        auto loaded = firstuse::loadProfile(db);
        QVERIFY(loaded.ok() && loaded->has_value());
        QCOMPARE(**loaded, before);
    }
};

QTEST_GUILESS_MAIN(TestFirstUseCore)
#include "test_firstuse_core.moc"
