// The entry window asks before it stores a composition with a forbidden pair of herbs (十八反,
// 十九畏), and its search finds names and herbs by pinyin.
#include "entry/entry_form.h"
#include "entry/entry_text.h"
#include "entry/memo_box.h"

#include "platform/busy.h"
#include "scripted_prompts.h"
#include "test_env.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QStringList kBoxNames{u"TxtFjmc"_qs, u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs,
                            u"TxtFjyf"_qs, u"TxtFjly"_qs, u"TxtLcyy"_qs, u"TxtLcxd"_qs};

const QStringList kGuizhi{u"桂枝汤"_qs,   u"桂枝，芍药，甘草。"_qs, u"解肌发表。"_qs, u"外感风寒表虚证。"_qs,
                          u"水煎服。"_qs, u"《伤寒论》。"_qs,       u" "_qs,          u" "_qs};
const QStringList kMahuang{u"麻黄汤"_qs,     u"麻黄，桂枝，杏仁，甘草。"_qs,
                           u"发汗解表。"_qs, u"外感风寒表实证。"_qs,
                           u"水煎服。"_qs,   u"《伤寒论》。"_qs,
                           u" "_qs,          u" "_qs};

const QString kGansuiQuestion = u"构成中有配伍禁忌：甘草 反 甘遂。仍要保存吗？"_qs;

// The entry window over a fresh data folder, with scripted prompts.
struct Fixture {
    explicit Fixture(const QList<QStringList>& prescriptions = {}) {
        store::Database db = dir.open();
        for (const QStringList& p : prescriptions) {
            testing::addPrescription(db, p);
        }
    }
    ~Fixture() { delete form.data(); }

    void open() {
        form = new entry::EntryForm(session);
        session.showWindow(form);
        form->activateWindow();
        (void)QTest::qWaitForWindowActive(form);
    }
    QWidget* box(int position) const { return form->findChild<QWidget*>(kBoxNames[position]); }
    QString text(int position) const {
        QWidget* w = box(position);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            return line->text();
        }
        return static_cast<entry::MemoBox*>(w)->text();
    }
    // Types the texts into the boxes as key presses (the boxes swallow typed blanks).
    void type(const QStringList& texts) const {
        for (int i = 0; i < 8; ++i) {
            box(i)->setFocus();
            testing::typeText(box(i), QString(texts.value(i)).remove(u' '));
        }
    }
    void click(const char* name) const {
        QTest::mouseClick(form->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    QString focused() const { return form->focusWidget() ? form->focusWidget()->objectName() : QString(); }
    QList<QStringList> stored() {
        store::Database db = dir.open();
        return testing::rows(db, u"SELECT * FROM 中医方剂 ORDER BY rowid"_qs);
    }
    QStringList listed() const {
        auto* list = form->findChild<QListView*>(u"ListFjmc"_qs);
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r) {
            out << list->model()->index(r, 0).data().toString();
        }
        return out;
    }

    testing::TestDataDir dir;
    testing::ScriptedPrompts prompts;
    testing::FakeSession session;
    QPointer<entry::EntryForm> form;
};

QStringList withComposition(QStringList record, const QString& composition) {
    record[1] = composition;
    return record;
}

} // namespace

class TestEntryTextMatch : public QObject {
    Q_OBJECT

private slots:
    void question_text_data();
    void question_text();
    void searchStatement_latinNameAndHerbs_data();
    void searchStatement_latinNameAndHerbs();

    void save_forbiddenPair_noWritesNothing();
    void save_forbiddenPair_yesStores();
    void save_noForbiddenPair_asksNothing();
    void edit_forbiddenPair_noLeavesRowAsItWas();
    void search_pinyinName_listsThePrescription();
};

void TestEntryTextMatch::question_text_data() {
    QTest::addColumn<QString>("composition");
    QTest::addColumn<QString>("question");
    QTest::newRow("one pair") << u"甘草，甘遂。"_qs << kGansuiQuestion;
    QTest::newRow("one pair a line") << u"甘草，甘遂，海藻。"_qs
                                     << u"构成中有配伍禁忌：甘草 反 海藻\n甘草 反 甘遂。仍要保存吗？"_qs;
    QTest::newRow("制川乌 and 法半夏") << u"制川乌，法半夏。"_qs
                                       << u"构成中有配伍禁忌：制川乌 反 法半夏。仍要保存吗？"_qs;
    QTest::newRow("白附子 and 半夏: none") << u"白附子，半夏。"_qs << QString();
    QTest::newRow("none") << u"桂枝，芍药，甘草。"_qs << QString();
}

void TestEntryTextMatch::question_text() {
    QFETCH(QString, composition);
    QFETCH(QString, question);
    QCOMPARE(entry::incompatibilityQuestion(composition), question);
}

void TestEntryTextMatch::searchStatement_latinNameAndHerbs_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("criterion");
    QTest::addColumn<QString>("condition");
    QTest::newRow("Latin name") << 0 << u"gzt"_qs << u"WHERE pinyinlike(名称,'*gzt*') and 构成 like '**'"_qs;
    QTest::newRow("Latin composition") << 1 << u"gc"_qs << u"'**' and pinyinlike(构成,'*gc*') and 功效 like"_qs;
    QTest::newRow("Chinese name") << 0 << u"桂枝"_qs << u"WHERE 名称 like '*桂枝*' and 构成 like '**'"_qs;
    QTest::newRow("Latin effects stay like") << 2 << u"jj"_qs << u" and 功效 like '*jj*' and "_qs;
    QTest::newRow("pattern characters match themselves") << 0 << u"g*"_qs << u"WHERE 名称 like '*g[*]*'"_qs;
}

void TestEntryTextMatch::searchStatement_latinNameAndHerbs() {
    QFETCH(int, position);
    QFETCH(QString, criterion);
    QFETCH(QString, condition);
    entry::EntryRecord record;
    record[position] = criterion;
    const QString sql = entry::searchStatement(record);
    QVERIFY2(sql.contains(condition), qPrintable(sql));
    QVERIFY(sql.endsWith(u" order by 名称 "_qs));
}

void TestEntryTextMatch::save_forbiddenPair_noWritesNothing() {
    Fixture f({kGuizhi});
    f.open();
    const QStringList typed = withComposition(kMahuang, u"甘遂，半夏，甘草"_qs);
    f.type(typed);
    f.prompts.expectMessage(kGansuiQuestion, Icon::Exclamation, Buttons::YesNo, Answer::No);
    f.click("CmdSave");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi}));
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);
    QCOMPARE(f.text(1), u"甘遂，半夏，甘草"_qs);
    QCOMPARE(f.text(0), u"麻黄汤"_qs);
    QVERIFY(!platform::isBusyPointer());
}

void TestEntryTextMatch::save_forbiddenPair_yesStores() {
    Fixture f({kGuizhi});
    f.open();
    f.type(withComposition(kMahuang, u"甘遂，半夏，甘草"_qs));
    f.prompts.expectMessage(kGansuiQuestion, Icon::Exclamation, Buttons::YesNo, Answer::Yes);
    f.click("CmdSave");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi, withComposition(kMahuang, u"甘遂，半夏，甘草。"_qs)}));
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
}

void TestEntryTextMatch::save_noForbiddenPair_asksNothing() {
    Fixture f;
    f.open();
    // 白附子 is another herb than 附子: no pair with 半夏.
    f.type(withComposition(kMahuang, u"白附子，半夏，天南星"_qs));
    f.click("CmdSave");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.stored(), (QList<QStringList>{withComposition(kMahuang, u"白附子，半夏，天南星。"_qs)}));
}

void TestEntryTextMatch::edit_forbiddenPair_noLeavesRowAsItWas() {
    Fixture f({kGuizhi});
    f.open();
    // 烏頭 is 乌头 once folded.
    f.type(withComposition(kGuizhi, u"烏頭，半夏"_qs));
    f.prompts.expectMessage(u"构成中有配伍禁忌：乌头 反 半夏。仍要保存吗？"_qs, Icon::Exclamation, Buttons::YesNo,
                            Answer::No);
    f.click("Cmdedit");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi}));
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);

    f.prompts.expectMessage(u"构成中有配伍禁忌：乌头 反 半夏。仍要保存吗？"_qs, Icon::Exclamation, Buttons::YesNo,
                            Answer::Yes);
    f.click("Cmdedit");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.stored(), (QList<QStringList>{withComposition(kGuizhi, u"烏頭，半夏。"_qs)}));
}

void TestEntryTextMatch::search_pinyinName_listsThePrescription() {
    Fixture f({kGuizhi, kMahuang});
    f.open();
    f.box(0)->setFocus();
    QTest::keyClicks(f.box(0), u"mht"_qs);
    f.click("Cmdseek");
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.listed(), QStringList{u"麻黄汤"_qs});
    QCOMPARE(f.form->findChild<QLabel*>(u"Labfjsl"_qs)->text(), u"1剂"_qs);
}

QTEST_MAIN(TestEntryTextMatch)
#include "test_entry_textmatch.moc"
