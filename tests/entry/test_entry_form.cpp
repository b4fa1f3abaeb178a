// The entry window 方剂登录 driven through its controls.
#include "entry/entry_form.h"
#include "entry/memo_box.h"
#include "entry/word_output.h"
#include "rtf_reader.h"

#include "fake_clock.h"
#include "platform/busy.h"
#include "platform/desktop.h"
#include "platform/product.h"
#include "scripted_prompts.h"
#include "store/schema.h"
#include "test_env.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <memory>

using namespace fangji;
using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QStringList kBoxNames{u"TxtFjmc"_qs, u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs,
                            u"TxtFjyf"_qs, u"TxtFjly"_qs, u"TxtLcyy"_qs, u"TxtLcxd"_qs};

const QStringList kGuizhi{u"桂枝汤"_qs,   u"桂枝，芍药，甘草。"_qs, u"解肌发表。"_qs, u"外感风寒表虚证，头痛。"_qs,
                          u"水煎服。"_qs, u"《伤寒论》。"_qs,       u"感冒。"_qs,     u"效佳。"_qs};
const QStringList kMahuang{u"麻黄汤"_qs,   u"麻黄，桂枝。"_qs, u"发汗解表。"_qs, u"外感风寒表实证。"_qs,
                           u"水煎服。"_qs, u"《伤寒论》。"_qs, u" "_qs,          u" "_qs};
const QStringList kChaihu{u"柴胡桂枝汤"_qs, u"柴胡，桂枝。"_qs, u"和解少阳。"_qs, u"发热，头痛。"_qs,
                          u"水煎服。"_qs,   u"《伤寒论》。"_qs, u" "_qs,          u" "_qs};
const QStringList kLinggui{u"苓桂术甘汤"_qs, u"茯苓，桂枝。"_qs,   u"温阳化饮。"_qs, u"痰饮。"_qs,
                           u"水煎服。"_qs,   u"《金匮要略》。"_qs, u" "_qs,          u" "_qs};
const QStringList kWuling{u"五苓散"_qs, u"猪苓，泽泻。"_qs, u"利水渗湿。"_qs, u"蓄水证，头痛。"_qs,
                          u"散服。"_qs, u"《伤寒论》。"_qs, u" "_qs,          u" "_qs};

using testing::RecordingDesktop;

// A clock whose monotonic readings follow a script; it notes, at every reading,
// whether the watched button was enabled and how many documents were opened.
class ScriptedClock final : public platform::Clock {
public:
    ScriptedClock(const QDateTime& start, QList<qint64> script, QAbstractButton* watched)
        : m_start(start), m_script(std::move(script)), m_watched(watched) {
        platform::setClock(this);
    }
    ~ScriptedClock() override { platform::setClock(nullptr); }
    QDateTime now() const override { return m_start.addMSecs(m_last); }
    qint64 monotonicMs() const override {
        auto* self = const_cast<ScriptedClock*>(this);
        self->m_last = m_script.isEmpty() ? m_last + 1 : self->m_script.takeFirst();
        self->readings << m_last;
        self->enabledAtReadings << m_watched->isEnabled();
        return m_last;
    }
    void singleShot(int ms, QObject* context, std::function<void()> fn) override {
        QTimer::singleShot(ms, context, std::move(fn));
    }
    QList<qint64> readings;
    QList<bool> enabledAtReadings;

private:
    QDateTime m_start;
    QList<qint64> m_script;
    QAbstractButton* m_watched;
    qint64 m_last = 0;
};

// One window over a fresh data folder, with scripted prompts and a fake clock.
struct Fixture {
    explicit Fixture(const QList<QStringList>& prescriptions = {}) {
        store::Database db = dir.open();
        for (const QStringList& p : prescriptions) {
            testing::addPrescription(db, p);
        }
    }
    ~Fixture() { delete form.data(); }

    entry::EntryForm* open() {
        form = new entry::EntryForm(session);
        session.showWindow(form);
        form->activateWindow();
        (void)QTest::qWaitForWindowActive(form);
        return form;
    }

    QWidget* box(const QString& name) const { return form->findChild<QWidget*>(name); }
    QPushButton* button(const QString& name) const { return form->findChild<QPushButton*>(name); }
    QString text(const QString& name) const {
        QWidget* w = box(name);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            return line->text();
        }
        return static_cast<entry::MemoBox*>(w)->text();
    }
    void setText(const QString& name, const QString& value) const {
        QWidget* w = box(name);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setText(value);
        } else {
            static_cast<entry::MemoBox*>(w)->setText(value);
        }
    }
    void fill(const QStringList& texts) const {
        for (int i = 0; i < 8; ++i) {
            setText(kBoxNames[i], texts.value(i));
        }
    }
    QStringList boxes() const {
        QStringList out;
        for (const QString& name : kBoxNames) {
            out << text(name);
        }
        return out;
    }
    QString focused() const { return form->focusWidget() ? form->focusWidget()->objectName() : QString(); }
    QString count() const { return form->findChild<QLabel*>(u"Labfjsl"_qs)->text(); }
    QStringList listed() const {
        auto* list = form->findChild<QListView*>(u"ListFjmc"_qs);
        QStringList out;
        for (int r = 0; r < list->model()->rowCount(); ++r) {
            out << list->model()->index(r, 0).data().toString();
        }
        return out;
    }
    QList<QStringList> stored() {
        store::Database db = dir.open();
        return testing::rows(db, u"SELECT * FROM 中医方剂 ORDER BY rowid"_qs);
    }
    void enter(const QString& name) const { QTest::keyClick(box(name), Qt::Key_Return); }
    void click(const QString& name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

    testing::TestDataDir dir;
    testing::ScriptedPrompts prompts;
    testing::FakeSession session;
    testing::FakeClock clock;
    QPointer<entry::EntryForm> form;
};

} // namespace

class TestEntryForm : public QObject {
    Q_OBJECT
private slots:
    void init() { QApplication::clipboard()->clear(); }

    void controls_limitsFontsAndBuddies_data();
    void controls_limitsFontsAndBuddies();
    void controls_tabOrder();
    void load_listsAllWithCount();

    void keys_spaceIsSwallowed_data();
    void keys_spaceIsSwallowed();
    void keys_enterChainRunsToSave();
    void keys_enterOnBlankBoxStays_data();
    void keys_enterOnBlankBoxStays();
    void keys_compositionDropsPastedBlanksOnTyping();
    void keys_enterInNotesBreaksTheLine();
    void keys_nameLookupFillsTheBoxes();

    void save_storesNormalisedRow();
    void save_existingNameWritesNothing();
    void save_databaseErrorIsReported();
    void save_requiredBoxes_data();
    void save_requiredBoxes();
    void edit_rewritesStoredRow();
    void edit_unknownNameWritesNothing();
    void delete_asksFirstThenValidates();
    void delete_answeredNoKeepsEverything();
    void delete_lastShowsZero();
    void clear_emptiesBoxesAndRestoresList();

    void search_findsAndSorts_data();
    void search_findsAndSorts();
    void search_nothingTypedIsRefused();
    void search_noMatchRestoresFullList();
    void pick_fillsAllEightBoxes();

    void quit_unlocksMenusOnce();
    void closeByFrame_unlocksMenus();

    void print_refusesIncompletePrescription();
    void print_writesDocumentInSongTi();
    void print_buttonDisabledThroughoutPause();
    void print_failureShowsTwoLineReport();
};

// ------------------------------------------------------------------ controls

void TestEntryForm::controls_limitsFontsAndBuddies_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("limit"); // 0: none
    QTest::addColumn<bool>("multiLine");
    QTest::newRow("名称") << u"TxtFjmc"_qs << u"名称"_qs << 30 << false;
    QTest::newRow("构成") << u"TxtFjnr"_qs << u"构成"_qs << 0 << true;
    QTest::newRow("功用") << u"TxtFjgy"_qs << u"功用"_qs << 240 << true;
    QTest::newRow("主治") << u"TxtFjzz"_qs << u"主治"_qs << 400 << true;
    QTest::newRow("用法") << u"TxtFjyf"_qs << u"用法"_qs << 240 << true;
    QTest::newRow("来源") << u"TxtFjly"_qs << u"来源"_qs << 50 << false;
    QTest::newRow("临床治疗") << u"TxtLcyy"_qs << u"临床治疗"_qs << 400 << true;
    QTest::newRow("应用心得") << u"TxtLcxd"_qs << u"应用心得"_qs << 2000 << true;
}

void TestEntryForm::controls_limitsFontsAndBuddies() {
    QFETCH(QString, box);
    QFETCH(QString, label);
    QFETCH(int, limit);
    QFETCH(bool, multiLine);
    Fixture f;
    f.open();
    QWidget* w = f.box(box);
    QVERIFY(w);
    QCOMPARE(w->font().family(), u"宋体"_qs);
    QCOMPARE(w->font().pointSizeF(), 10.5);
    QCOMPARE(qobject_cast<entry::MemoBox*>(w) != nullptr, multiLine);

    // A pasted text longer than the box holds is cut at the limit.
    const QString longText(limit == 0 ? 5000 : limit + 7, u'药');
    f.setText(box, longText);
    QCOMPARE(f.text(box).size(), limit == 0 ? 5000 : limit);
    if (auto* memo = qobject_cast<entry::MemoBox*>(w)) {
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    bool found = false;
    for (QLabel* l : f.form->findChildren<QLabel*>()) {
        if (l->buddy() == w) {
            found = true;
            QCOMPARE(l->text(), label);
        }
    }
    QVERIFY2(found, "the box has its label as buddy");
}

void TestEntryForm::controls_tabOrder() {
    Fixture f;
    f.open();
    QStringList order;
    QWidget* w = f.box(u"TxtFjmc"_qs);
    for (int guard = 0; guard < 200 && order.size() < 17; ++guard) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(f.form) && w->parentWidget() == f.form) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    }
    QCOMPARE(order,
             (QStringList{u"TxtFjmc"_qs, u"TxtFjly"_qs, u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs, u"TxtFjyf"_qs,
                          u"ListFjmc"_qs, u"CmdSave"_qs, u"Cmdedit"_qs, u"Cmddele"_qs, u"Cmdseek"_qs, u"Cmdqcls"_qs,
                          u"Cmdprnt"_qs, u"CmdQuit"_qs, u"TxtLcyy"_qs, u"TxtLcxd"_qs, u"TxtFjmc"_qs}));
    QCOMPARE(f.button(u"Cmdprnt"_qs)->text(), u"编辑打印&P"_qs);
    QCOMPARE(f.form->windowTitle(), u"方剂登录"_qs);
}

void TestEntryForm::load_listsAllWithCount() {
    Fixture f({kGuizhi, kMahuang});
    f.open();
    QCOMPARE(f.listed(), (QStringList{u"桂枝汤"_qs, u"麻黄汤"_qs}));
    QCOMPARE(f.count(), u"2剂"_qs);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ keyboard

void TestEntryForm::keys_spaceIsSwallowed_data() {
    QTest::addColumn<QString>("box");
    for (const QString& name : kBoxNames) {
        QTest::newRow(qPrintable(name)) << name;
    }
}

void TestEntryForm::keys_spaceIsSwallowed() {
    QFETCH(QString, box);
    Fixture f;
    f.open();
    f.box(box)->setFocus();
    testing::typeText(f.box(box), u"桂 枝　汤 "_qs);
    QCOMPARE(f.text(box), u"桂枝　汤"_qs);
}

void TestEntryForm::keys_enterChainRunsToSave() {
    Fixture f({kMahuang});
    f.open();
    const QList<std::pair<QString, QString>> chain = {
        {u"TxtFjmc"_qs, u"新方"_qs}, {u"TxtFjnr"_qs, u"桂枝"_qs},   {u"TxtFjgy"_qs, u"解肌"_qs},
        {u"TxtFjzz"_qs, u"头痛"_qs}, {u"TxtFjyf"_qs, u"煎服"_qs},   {u"TxtLcyy"_qs, u"感冒"_qs},
        {u"TxtLcxd"_qs, QString()},  {u"TxtFjly"_qs, u"伤寒论"_qs},
    };
    const QStringList next = {u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs, u"TxtFjyf"_qs,
                              u"TxtLcyy"_qs, u"TxtLcxd"_qs, u"TxtFjly"_qs, u"CmdSave"_qs};
    f.box(u"TxtFjmc"_qs)->setFocus();
    for (int i = 0; i < chain.size(); ++i) {
        const auto& [name, typed] = chain[i];
        QCOMPARE(f.focused(), name);
        testing::typeText(f.box(name), typed);
        f.enter(name);
        QCOMPARE(f.focused(), next[i]);
    }
    // A name that is not stored stays as typed; nothing was written.
    QCOMPARE(f.text(u"TxtFjmc"_qs), u"新方"_qs);
    QCOMPARE(f.stored().size(), 1);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::keys_enterOnBlankBoxStays_data() {
    QTest::addColumn<QString>("box");
    for (const QString& name :
         {u"TxtFjmc"_qs, u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs, u"TxtFjyf"_qs, u"TxtFjly"_qs}) {
        QTest::newRow(qPrintable(name)) << name;
    }
}

void TestEntryForm::keys_enterOnBlankBoxStays() {
    QFETCH(QString, box);
    Fixture f;
    f.open();
    f.setText(box, u"   "_qs); // pasted blanks only
    f.box(box)->setFocus();
    f.enter(box);
    QCOMPARE(f.focused(), box);
    QVERIFY(!f.text(box).contains(u'\n'));
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::keys_compositionDropsPastedBlanksOnTyping() {
    Fixture f;
    f.open();
    auto* composition = static_cast<entry::MemoBox*>(f.box(u"TxtFjnr"_qs));
    composition->setText(u"  桂枝  "_qs); // pasted
    composition->setFocus();
    composition->setCaretAtEnd();
    testing::typeText(composition, u"芍"_qs);
    QCOMPARE(composition->text(), u"桂枝芍"_qs);
    // Enter on blanks only moves nowhere: they are gone before the test.
    composition->setText(u"   "_qs);
    f.enter(u"TxtFjnr"_qs);
    QCOMPARE(composition->text(), QString());
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);
}

void TestEntryForm::keys_enterInNotesBreaksTheLine() {
    Fixture f;
    f.open();
    f.box(u"TxtLcxd"_qs)->setFocus();
    testing::typeText(f.box(u"TxtLcxd"_qs), u"甲"_qs);
    f.enter(u"TxtLcxd"_qs);
    testing::typeText(f.box(u"TxtLcxd"_qs), u"乙"_qs);
    QCOMPARE(f.text(u"TxtLcxd"_qs), u"甲\r\n乙"_qs);
    QCOMPARE(f.focused(), u"TxtLcxd"_qs);
    // 临床治疗 moves on even when blank, never takes a line break, and leaves the caret at the end.
    f.box(u"TxtLcyy"_qs)->setFocus();
    f.enter(u"TxtLcyy"_qs);
    QCOMPARE(f.focused(), u"TxtLcxd"_qs);
    QCOMPARE(f.text(u"TxtLcyy"_qs), QString());
    auto* notes = static_cast<entry::MemoBox*>(f.box(u"TxtLcxd"_qs));
    QCOMPARE(notes->textCursor().position(), notes->document()->characterCount() - 1);
    QVERIFY(!notes->textCursor().hasSelection());
}

void TestEntryForm::keys_nameLookupFillsTheBoxes() {
    QStringList quoted = kGuizhi;
    quoted[0] = u"桂枝'汤"_qs;
    quoted[1] = u"  桂枝，芍药。  "_qs;
    Fixture f({quoted, kMahuang});
    f.open();
    f.box(u"TxtFjmc"_qs)->setFocus();
    testing::typeText(f.box(u"TxtFjmc"_qs), u"桂枝'汤"_qs);
    f.enter(u"TxtFjmc"_qs);
    QStringList expected = quoted;
    expected[1] = u"桂枝，芍药。"_qs; // trimmed into the box
    QCOMPARE(f.boxes(), expected);
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);
    QCOMPARE(static_cast<entry::MemoBox*>(f.box(u"TxtFjnr"_qs))->textCursor().selectedText(), expected[1]);

    // A part of a name finds nothing: the typed name stays, the other boxes keep their text.
    f.fill({u"麻黄"_qs, u"自己写的"_qs});
    f.box(u"TxtFjmc"_qs)->setFocus();
    f.enter(u"TxtFjmc"_qs);
    QCOMPARE(f.text(u"TxtFjmc"_qs), u"麻黄"_qs);
    QCOMPARE(f.text(u"TxtFjnr"_qs), u"自己写的"_qs);
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ save, edit, delete, clear

void TestEntryForm::save_storesNormalisedRow() {
    Fixture f({kMahuang});
    f.open();
    f.fill({u" 桂枝'汤 "_qs, u"桂枝,芍药\r\n甘草"_qs, u"解肌 发表"_qs, u"\"头痛\""_qs, u"1.5克"_qs, u"汉.《伤寒论》"_qs,
            QString(), u"   "_qs});
    f.click(u"CmdSave"_qs);
    QCOMPARE(f.stored().last(),
             (QStringList{u"桂枝'汤"_qs, u"桂枝，芍药\r\n甘草。"_qs, u"解肌发表。"_qs, u"\"头痛\"。"_qs, u"1.5克。"_qs,
                          u"汉.《伤寒论》。"_qs, u" "_qs, u" "_qs}));
    QCOMPARE(f.count(), u"2剂"_qs);
    QCOMPARE(f.boxes(), QStringList(8, QString()));
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::save_existingNameWritesNothing() {
    Fixture f({kGuizhi});
    f.open();
    QStringList changed = kGuizhi;
    changed[1] = u"别的药"_qs;
    f.fill(changed);
    f.click(u"CmdSave"_qs);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi}));
    QCOMPARE(f.focused(), u"Cmdedit"_qs);
    QCOMPARE(f.text(u"TxtFjnr"_qs), u"别的药"_qs);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::save_databaseErrorIsReported() {
    Fixture f({kGuizhi});
    f.open();
    QVERIFY(QFile::remove(f.dir.databasePath()));
    auto failed = store::Database::open(f.dir.databasePath(), store::kMainConnect);
    QVERIFY(!failed.ok());
    f.fill(kMahuang);
    f.prompts.expectMessage(store::errorReport(failed.error(), false), Icon::Information);
    f.click(u"CmdSave"_qs);
    QVERIFY(!platform::isBusyPointer());
    QCOMPARE(f.text(u"TxtFjmc"_qs), kMahuang[0]);
    QCOMPARE(f.listed(), QStringList{u"桂枝汤"_qs});
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::save_requiredBoxes_data() {
    QTest::addColumn<int>("blank");
    QTest::addColumn<QString>("message");
    QTest::newRow("名称") << 0 << u"输入方剂名称"_qs;
    QTest::newRow("构成") << 1 << u"输入方剂构成"_qs;
    QTest::newRow("功用") << 2 << u"输入方剂功效"_qs;
    QTest::newRow("主治") << 3 << u"输入方剂主治"_qs;
    QTest::newRow("用法") << 4 << u"输入方剂用法"_qs;
    QTest::newRow("来源") << 5 << u"输入方剂来源"_qs;
}

void TestEntryForm::save_requiredBoxes() {
    QFETCH(int, blank);
    QFETCH(QString, message);
    Fixture f;
    f.open();
    QStringList texts = kGuizhi;
    texts[blank] = u"  "_qs;
    // A later blank box is not the one reported.
    texts[5] = blank == 5 ? u"  "_qs : u"《伤寒论》"_qs;
    f.fill(texts);
    f.prompts.expectMessage(message, Icon::Information);
    f.click(u"CmdSave"_qs);
    QCOMPARE(f.form->jybl(), 1);
    QCOMPARE(f.focused(), kBoxNames[blank]);
    QCOMPARE(f.stored(), QList<QStringList>());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::edit_rewritesStoredRow() {
    Fixture f({kGuizhi, kMahuang});
    f.open();
    QStringList changed = kGuizhi;
    changed[3] = u"发热,汗出"_qs;
    changed[7] = QString();
    f.fill(changed);
    f.click(u"Cmdedit"_qs);
    QStringList expected = kGuizhi;
    expected[3] = u"发热，汗出。"_qs;
    expected[7] = u" "_qs;
    QCOMPARE(f.stored(), (QList<QStringList>{expected, kMahuang}));
    QCOMPARE(f.count(), u"2剂"_qs);
    QCOMPARE(f.boxes(), QStringList(8, QString()));
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::edit_unknownNameWritesNothing() {
    Fixture f({kMahuang});
    f.open();
    f.fill(kGuizhi);
    f.click(u"Cmdedit"_qs);
    QCOMPARE(f.stored(), (QList<QStringList>{kMahuang}));
    QCOMPARE(f.focused(), u"CmdSave"_qs);
    QCOMPARE(f.text(u"TxtFjmc"_qs), kGuizhi[0]);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::delete_asksFirstThenValidates() {
    Fixture f({kGuizhi});
    f.open();
    QStringList texts = kGuizhi;
    texts[1] = QString();
    f.fill(texts);
    f.prompts.expectMessage(u"确实要删除 桂枝汤 方剂吗？"_qs, Icon::Question, Buttons::YesNo, Answer::Yes)
        .expectMessage(u"输入方剂构成"_qs, Icon::Information);
    f.click(u"Cmddele"_qs);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi}));
    QCOMPARE(f.focused(), u"TxtFjnr"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::delete_answeredNoKeepsEverything() {
    Fixture f({kGuizhi});
    f.open();
    f.fill({u" 桂枝汤"_qs}); // other boxes empty: no validation happens after No
    f.prompts.expectMessage(u"确实要删除 桂枝汤 方剂吗？"_qs, Icon::Question, Buttons::YesNo, Answer::No);
    f.click(u"Cmddele"_qs);
    QCOMPARE(f.stored(), (QList<QStringList>{kGuizhi}));
    QCOMPARE(f.text(u"TxtFjmc"_qs), u" 桂枝汤"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::delete_lastShowsZero() {
    Fixture f({kGuizhi, kMahuang});
    f.open();
    f.fill(kMahuang);
    f.prompts.expectMessage(u"确实要删除 麻黄汤 方剂吗？"_qs, Icon::Question, Buttons::YesNo, Answer::Yes);
    f.click(u"Cmddele"_qs);
    QCOMPARE(f.count(), u"1剂"_qs);
    QCOMPARE(f.listed(), QStringList{u"桂枝汤"_qs});
    f.fill(kGuizhi);
    f.prompts.expectMessage(u"确实要删除 桂枝汤 方剂吗？"_qs, Icon::Question, Buttons::YesNo, Answer::Yes);
    f.click(u"Cmddele"_qs);
    QCOMPARE(f.count(), u"0剂"_qs);
    QCOMPARE(f.listed(), QStringList());
    QCOMPARE(f.stored(), QList<QStringList>());
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::clear_emptiesBoxesAndRestoresList() {
    Fixture f({kGuizhi, kMahuang, kWuling});
    f.open();
    f.fill({u"麻黄"_qs});
    f.click(u"Cmdseek"_qs);
    QCOMPARE(f.listed(), QStringList{u"麻黄汤"_qs});
    f.fill(kGuizhi);
    f.click(u"Cmdqcls"_qs);
    QCOMPARE(f.boxes(), QStringList(8, QString()));
    QCOMPARE(f.listed().size(), 3);
    QCOMPARE(f.count(), u"3剂"_qs);
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ search and pick

void TestEntryForm::search_findsAndSorts_data() {
    QTest::addColumn<QStringList>("criteria");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("name contains 桂, in pinyin order")
        << QStringList{u"桂"_qs} << QStringList{u"柴胡桂枝汤"_qs, u"桂枝汤"_qs, u"苓桂术甘汤"_qs};
    QTest::newRow("name and indication both hold")
        << QStringList{u"汤"_qs, QString(), QString(), u"头痛"_qs} << QStringList{u"柴胡桂枝汤"_qs, u"桂枝汤"_qs};
    QTest::newRow("composition and source")
        << QStringList{QString(), u"桂枝"_qs, QString(), QString(), QString(), u"金匮"_qs}
        << QStringList{u"苓桂术甘汤"_qs};
    QTest::newRow("blanks around criteria are trimmed") << QStringList{u"  散 "_qs} << QStringList{u"五苓散"_qs};
    QTest::newRow("a lone blank in 临床治疗 is a criterion")
        << QStringList{u"  "_qs, QString(), QString(), QString(), QString(), QString(), u" "_qs}
        << QStringList{u"柴胡桂枝汤"_qs, u"苓桂术甘汤"_qs, u"麻黄汤"_qs, u"五苓散"_qs};
    QTest::newRow("notes") << QStringList{QString(), QString(), QString(), QString(),
                                          QString(), QString(), QString(), u"效佳"_qs}
                           << QStringList{u"桂枝汤"_qs};
}

void TestEntryForm::search_findsAndSorts() {
    QFETCH(QStringList, criteria);
    QFETCH(QStringList, expected);
    Fixture f({kLinggui, kGuizhi, kMahuang, kChaihu, kWuling});
    f.open();
    f.fill(criteria);
    f.click(u"Cmdseek"_qs);
    QCOMPARE(f.listed(), expected);
    QCOMPARE(f.count(), QString::number(expected.size()) + u"剂"_qs);
    // The criteria stay in the boxes.
    QCOMPARE(f.text(u"TxtFjmc"_qs), criteria.value(0).trimmed());
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::search_nothingTypedIsRefused() {
    Fixture f({kGuizhi});
    f.open();
    f.fill({u"   "_qs, u" "_qs});
    f.box(u"TxtFjgy"_qs)->setFocus();
    f.prompts.expectMessage(u"请输入查询条件"_qs, Icon::Information);
    f.click(u"Cmdseek"_qs);
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    QCOMPARE(f.listed(), QStringList{u"桂枝汤"_qs});
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::search_noMatchRestoresFullList() {
    Fixture f({kGuizhi, kMahuang});
    f.open();
    f.fill({u"桂"_qs});
    f.click(u"Cmdseek"_qs);
    QCOMPARE(f.count(), u"1剂"_qs);
    // Pattern characters are plain text: "*" finds nothing here.
    f.fill({u"*"_qs});
    f.prompts.expectMessage(u"没有符合查询条件的方剂"_qs, Icon::Information);
    f.click(u"Cmdseek"_qs);
    QCOMPARE(f.boxes(), QStringList(8, QString()));
    QCOMPARE(f.listed(), (QStringList{u"桂枝汤"_qs, u"麻黄汤"_qs}));
    QCOMPARE(f.count(), u"2剂"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::pick_fillsAllEightBoxes() {
    QStringList multiLine = kGuizhi;
    multiLine[7] = u"第一行\r\n第二行。"_qs;
    Fixture f({kMahuang, multiLine});
    f.open();
    f.fill({u"汤"_qs});
    f.click(u"Cmdseek"_qs);
    const QStringList before = f.listed();
    QCOMPARE(before, (QStringList{u"桂枝汤"_qs, u"麻黄汤"_qs}));
    auto* list = f.form->findChild<QListView*>(u"ListFjmc"_qs);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(f.boxes(), multiLine);
    QCOMPARE(f.listed(), before);
    QCOMPARE(f.count(), u"2剂"_qs);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(f.boxes(), (QStringList{kMahuang.mid(0, 6)} << QString() << QString()));
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ leaving

void TestEntryForm::quit_unlocksMenusOnce() {
    Fixture f;
    f.session.level = u"000"_qs;
    f.open();
    f.click(u"CmdQuit"_qs);
    QVERIFY(f.form.isNull() || (f.form->isUnloading() && f.form->isHidden()));
    QCOMPARE(f.session.unlockCount, 1);
    QCOMPARE(f.session.unlockLevels, QStringList{u"000"_qs});
}

void TestEntryForm::closeByFrame_unlocksMenus() {
    Fixture f;
    QMdiArea area;
    f.form = new entry::EntryForm(f.session);
    QMdiSubWindow* frame = area.addSubWindow(f.form);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    area.show();
    frame->show();
    QVERIFY(frame->close()); // the frame's close box
    QTRY_VERIFY(f.form.isNull());
    QCOMPARE(f.session.unlockCount, 1);
    QVERIFY(!f.session.locked);
}

// ------------------------------------------------------------------ printing

void TestEntryForm::print_refusesIncompletePrescription() {
    Fixture f;
    RecordingDesktop desktop;
    f.open();
    QStringList texts = kGuizhi;
    texts[5] = u"  "_qs;
    f.fill(texts);
    f.prompts.expectMessage(u"打印内容输入不完全，不能打印"_qs, Icon::None, Buttons::Ok, Answer::Ok,
                            platform::kAppTitle);
    f.click(u"Cmdprnt"_qs);
    QCOMPARE(f.focused(), u"Cmdqcls"_qs);
    QVERIFY(!platform::isBusyPointer());
    QVERIFY(desktop.opened.isEmpty());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::print_writesDocumentInSongTi() {
    Fixture f({kGuizhi});
    RecordingDesktop desktop;
    f.clock.setAutoStep(100);
    f.open();
    auto* list = f.form->findChild<QListView*>(u"ListFjmc"_qs);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    f.setText(u"TxtLcyy"_qs, QString());
    f.setText(u"TxtLcxd"_qs, u"  "_qs);
    f.click(u"Cmdprnt"_qs);

    const QStringList lines{u"方剂名称：桂枝汤"_qs,
                            u"方剂来源：《伤寒论》。"_qs,
                            u"方剂内容：桂枝，芍药，甘草。"_qs,
                            u"方剂功效：解肌发表。"_qs,
                            u"方剂主治：外感风寒表虚证，头痛。"_qs,
                            u"使用方法：水煎服。"_qs,
                            u"临床治疗："_qs,
                            u"应用心得："_qs,
                            u"打印时间：2026-03-07"_qs};
    QCOMPARE(desktop.opened.size(), 1);
    const QString path = desktop.opened.first().toLocalFile();
    QVERIFY(path.startsWith(entry::printFolder()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const testing::RtfText doc = testing::readRtf(file.readAll());
    QVERIFY2(doc.valid, qPrintable(doc.error));
    QCOMPARE(doc.paragraphs, lines);
    QCOMPARE(doc.formats, (QList<testing::RtfText::Format>{{u"宋体"_qs, 22, false}}));
    QCOMPARE(QApplication::clipboard()->text(), lines.join(u"\r\n"_qs));
    QVERIFY(f.button(u"Cmdprnt"_qs)->isEnabled());
    QVERIFY(!platform::isBusyPointer());
    // Printing leaves the boxes as they were.
    QCOMPARE(f.text(u"TxtFjmc"_qs), u"桂枝汤"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::print_buttonDisabledThroughoutPause() {
    Fixture f({kGuizhi});
    RecordingDesktop desktop;
    f.open();
    f.fill(kGuizhi);
    QPushButton* print = f.button(u"Cmdprnt"_qs);
    // Two seconds before midnight: the wait is elapsed time, not time of day.
    ScriptedClock clock(QDateTime(QDate(2026, 3, 7), QTime(23, 59, 58)), {0, 1000, 2000, 3000, 3999, 4000, 4001, 4002},
                        print);
    qsizetype readingsAtOpen = -1;
    desktop.onOpen = [&] { readingsAtOpen = clock.readings.size(); };
    QTimer::singleShot(0, [&] { QTest::mouseClick(print, Qt::LeftButton); }); // a second click during the wait
    f.click(u"Cmdprnt"_qs);
    // The wait read the clock until four seconds had passed, and no longer, with the button disabled at every reading.
    QCOMPARE(clock.readings, (QList<qint64>{0, 1000, 2000, 3000, 3999, 4000}));
    QCOMPARE(clock.enabledAtReadings, QList<bool>(6, false));
    QCOMPARE(readingsAtOpen, 6); // the document went out after the wait
    QVERIFY(print->isEnabled());
    QCOMPARE(desktop.opened.size(), 1);
    QVERIFY(QApplication::clipboard()->text().endsWith(u"打印时间：2026-03-07"_qs));
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::print_failureShowsTwoLineReport() {
    Fixture f({kGuizhi});
    RecordingDesktop desktop;
    desktop.failure = u"没有可用的文字处理程序"_qs;
    f.clock.setAutoStep(500);
    f.open();
    f.fill(kGuizhi);
    f.prompts.expectMessage(u"错误号码：429\r\n错误内容：没有可用的文字处理程序"_qs, Icon::None);
    f.click(u"Cmdprnt"_qs);
    QVERIFY(f.button(u"Cmdprnt"_qs)->isEnabled());
    QVERIFY(!platform::isBusyPointer());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

QTEST_MAIN(TestEntryForm)
#include "test_entry_form.moc"
