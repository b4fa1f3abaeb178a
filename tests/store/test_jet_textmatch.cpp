// The engine's like() and pinyinlike() as a Chinese reader expects them: traditional and
// simplified characters alike, herbs by any name of the alias table, names and herbs by pinyin.
#include "test_env.h"

#include "store/jet_sql.h"

#include <QTest>

using namespace fangji;
using fangji::testing::TestDataDir;

class TestJetTextMatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void like_data();
    void like();
    void pinyinLike_data();
    void pinyinLike();
    void pinyinLike_null_givesNull();
    void wordCondition_data();
    void wordCondition();
    void statement_findsBothSpellingsInTable();

private:
    // One value of a one-row SELECT through the engine.
    QString value(const QString& expression);

    std::unique_ptr<TestDataDir> m_dir;
    store::Database m_db;
};

void TestJetTextMatch::initTestCase() {
    m_dir = std::make_unique<TestDataDir>();
    m_db = m_dir->open();
    QVERIFY(m_db.isOpen());
}

void TestJetTextMatch::cleanupTestCase() {
    m_db.close();
    m_dir.reset();
}

QString TestJetTextMatch::value(const QString& expression) {
    auto rs = m_db.openRecordSet(QStringLiteral("SELECT ") + expression);
    if (!rs) {
        return QStringLiteral("<error %1>").arg(rs.error().description);
    }
    const QVariant v = rs->field(0);
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

void TestJetTextMatch::like_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    // Folding, both ways.
    QTest::newRow("stored traditional") << u"*桂枝汤*"_qs << u"桂枝湯"_qs << true;
    QTest::newRow("criterion traditional") << u"*桂枝湯*"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("inside a text") << u"*麻黄*"_qs << u"麻黃湯"_qs << true;
    QTest::newRow("both traditional") << u"*黃*"_qs << u"麻黃湯"_qs << true;
    QTest::newRow("no pattern characters") << u"桂枝湯"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("no pattern characters, longer text") << u"桂枝湯"_qs << u"桂枝汤加味"_qs << false;
    QTest::newRow("folding finds no other character") << u"*汤*"_qs << u"桂枝散"_qs << false;
    QTest::newRow("Latin case still") << u"*VITAMIN*"_qs << u"Vitamin C"_qs << true;
    // The pattern characters keep their meaning.
    QTest::newRow("? over a folded character") << u"桂?湯"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("? is one character") << u"桂?湯"_qs << u"桂枝枝汤"_qs << false;
    QTest::newRow("class of a traditional character") << u"*[湯散]"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("class of a simplified character") << u"*[汤]"_qs << u"桂枝湯"_qs << true;
    QTest::newRow("negated class") << u"*[!湯]"_qs << u"桂枝汤"_qs << false;
    QTest::newRow("# after a folded character") << u"*湯#*"_qs << u"汤3剂"_qs << true;
    QTest::newRow("# wants a digit") << u"*湯#*"_qs << u"汤三剂"_qs << false;
    QTest::newRow("several parts, traditional text") << u"*桂*芍*"_qs << u"桂枝，芍藥"_qs << true;
    QTest::newRow("several parts, order") << u"*芍*桂*"_qs << u"桂枝，芍藥"_qs << false;
    QTest::newRow("escaped star with folding") << u"*湯[*]*"_qs << u"汤*"_qs << true;
    // Herbs of the alias table by any of their names.
    QTest::newRow("alias finds first name") << u"*黄耆*"_qs << u"黄芪15克，甘草6克"_qs << true;
    QTest::newRow("first name finds alias") << u"*黄芪*"_qs << u"黄耆15克"_qs << true;
    QTest::newRow("traditional alias") << u"*黄芪*"_qs << u"黃耆"_qs << true;
    QTest::newRow("栝楼 finds 瓜蒌") << u"*栝楼*"_qs << u"瓜蒌，薤白，半夏"_qs << true;
    QTest::newRow("芎䓖 finds 川芎") << u"*芎䓖*"_qs << u"当归，川芎"_qs << true;
    QTest::newRow("alias in a pattern of parts") << u"*黄耆*甘草*"_qs << u"黄芪，甘草"_qs << true;
    QTest::newRow("alias in a pattern of parts, order") << u"*甘草*黄耆*"_qs << u"黄芪，甘草"_qs << false;
    QTest::newRow("part of an alias as written") << u"*耆*"_qs << u"黄耆"_qs << true;
    QTest::newRow("part of an alias: nothing fuzzy") << u"*耆*"_qs << u"黄芪"_qs << false;
    QTest::newRow("another herb is another herb") << u"*黄耆*"_qs << u"黄芩，黄连"_qs << false;
    QTest::newRow("首乌 is not 首乌藤") << u"*何首乌*"_qs << u"首乌藤"_qs << false;
    // Pinyin is pinyinlike()'s, not like()'s.
    QTest::newRow("no pinyin in like") << u"*gzt*"_qs << u"桂枝汤"_qs << false;
}

void TestJetTextMatch::like() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(store::jet::likeMatch(pattern.toUtf8(), text.toUtf8()), match);
    // And through the engine, as the statements use it.
    QCOMPARE(
        value(
            QStringLiteral("'%1' like '%2'").arg(store::jet::escapeLiteral(text), store::jet::escapeLiteral(pattern))),
        match ? u"1"_qs : u"0"_qs);
}

void TestJetTextMatch::pinyinLike_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("initials") << u"*gzt*"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("upper-case initials") << u"*GZT*"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("full pinyin") << u"*guizhitang*"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("traditional text") << u"*mahuang*"_qs << u"麻黃湯"_qs << true;
    QTest::newRow("herb in a composition") << u"*gc*"_qs << u"桂枝，芍药，甘草。"_qs << true;
    QTest::newRow("not there") << u"*gzt*"_qs << u"麻黄汤"_qs << false;
    QTest::newRow("Latin text matches as like()") << u"*gzt*"_qs << u"方gzt"_qs << true;
    QTest::newRow("Chinese criterion is like()") << u"*桂枝湯*"_qs << u"桂枝汤"_qs << true;
    QTest::newRow("Chinese criterion, no pinyin") << u"*桂枝*"_qs << u"guizhi"_qs << false;
    QTest::newRow("pattern characters: no pinyin") << u"*g?t*"_qs << u"桂枝汤"_qs << false;
    QTest::newRow("empty criterion") << u"**"_qs << u"桂枝汤"_qs << true;
}

void TestJetTextMatch::pinyinLike() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(store::jet::pinyinLikeMatch(pattern.toUtf8(), text.toUtf8()), match);
    QCOMPARE(value(QStringLiteral("pinyinlike('%1','%2')")
                       .arg(store::jet::escapeLiteral(text), store::jet::escapeLiteral(pattern))),
             match ? u"1"_qs : u"0"_qs);
}

void TestJetTextMatch::pinyinLike_null_givesNull() {
    QCOMPARE(value(u"pinyinlike(NULL,'*gzt*')"_qs), u"<null>"_qs);
    QCOMPARE(value(u"pinyinlike('桂枝汤',NULL)"_qs), u"<null>"_qs);
}

void TestJetTextMatch::wordCondition_data() {
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QString>("condition");
    QTest::newRow("Chinese") << u"桂枝"_qs << u"名称 like '*桂枝*'"_qs;
    QTest::newRow("alias herb: plain like") << u"黄耆"_qs << u"名称 like '*黄耆*'"_qs;
    QTest::newRow("empty") << QString() << u"名称 like '**'"_qs;
    QTest::newRow("Latin") << u"gzt"_qs << u"pinyinlike(名称,'*gzt*')"_qs;
    QTest::newRow("Latin with a pattern character") << u"gz*"_qs << u"名称 like '*gz**'"_qs;
}

void TestJetTextMatch::wordCondition() {
    QFETCH(QString, criterion);
    QFETCH(QString, condition);
    const QString pattern = u"'*"_qs + store::jet::escapeLiteral(criterion) + u"*'"_qs;
    QCOMPARE(store::jet::wordCondition(u"名称"_qs, criterion, pattern), condition);
}

void TestJetTextMatch::statement_findsBothSpellingsInTable() {
    TestDataDir dir;
    store::Database db = dir.open();
    const QStringList rest{u"解肌"_qs, u"发热"_qs, u"水煎服"_qs, u"伤寒论"_qs, u"感冒"_qs, u"心得"_qs};
    QVERIFY(testing::addPrescription(db, QStringList{u"桂枝湯"_qs, u"桂枝，芍藥，甘草"_qs} + rest));
    QVERIFY(testing::addPrescription(db, QStringList{u"黄芪桂枝五物汤"_qs, u"黄耆，桂枝，芍药"_qs} + rest));
    QVERIFY(testing::addPrescription(db, QStringList{u"麻黄汤"_qs, u"麻黄，杏仁"_qs} + rest));
    auto names = [&](const QString& where) {
        QStringList out;
        for (const QStringList& row :
             testing::rows(db, u"SELECT 名称 FROM 中医方剂 WHERE "_qs + where + u" ORDER BY 名称"_qs)) {
            out << row.first();
        }
        return out;
    };
    QCOMPARE(names(u"名称 like '*桂枝汤*'"_qs), QStringList{u"桂枝湯"_qs});
    QCOMPARE(names(u"构成 like '*芍药*'"_qs), (QStringList{u"桂枝湯"_qs, u"黄芪桂枝五物汤"_qs}));
    QCOMPARE(names(u"构成 like '*黄芪*'"_qs), QStringList{u"黄芪桂枝五物汤"_qs});
    QCOMPARE(names(u"pinyinlike(名称,'*gzt*')"_qs), QStringList{u"桂枝湯"_qs});
    QCOMPARE(names(u"pinyinlike(名称,'*mht*')"_qs), QStringList{u"麻黄汤"_qs});
    QCOMPARE(names(u"pinyinlike(构成,'*xr*')"_qs), QStringList{u"麻黄汤"_qs});
}

QTEST_GUILESS_MAIN(TestJetTextMatch)
#include "test_jet_textmatch.moc"
