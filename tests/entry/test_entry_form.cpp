// The entry window 方剂登录 driven through its controls.
#include "entry/entry_form.h"
#include "entry/memo_box.h"
#include "entry/print_document.h"
#include "entry/print_window.h"
#include "entry/word_output.h"
#include "pdf_tools.h"
#include "rtf_reader.h"

#include "fake_clock.h"
#include "platform/busy.h"
#include "platform/desktop.h"
#include "platform/kept_size.h"
#include "platform/product.h"
#include "scripted_prompts.h"
#include "store/schema.h"
#include "test_env.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
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

// A desktop with no program for RTF documents: it records what it was asked to open.
class NoWordProcessorDesktop final : public platform::Desktop {
public:
    NoWordProcessorDesktop() { platform::setDesktop(this); }
    ~NoWordProcessorDesktop() override { platform::setDesktop(nullptr); }
    QString open(const QUrl& url) override {
        opened << url;
        return u"没有可以打开此类文档的程序"_qs;
    }
    bool hasProgramFor(const QString& mimeType) override {
        asked << mimeType;
        return false;
    }
    QList<QUrl> opened;
    QStringList asked;
};

// The print window open at the moment, if any.
entry::PrintWindow* printWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<entry::PrintWindow*>(w); p && p->isVisible()) {
            return p;
        }
    }
    return nullptr;
}

QStringList blocksOf(const QTextDocument* document) {
    QStringList lines;
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
        lines << b.text();
    }
    return lines;
}

const QStringList kGuizhiLines{u"方剂名称：桂枝汤"_qs,
                               u"方剂来源：《伤寒论》。"_qs,
                               u"方剂内容：桂枝，芍药，甘草。"_qs,
                               u"方剂功效：解肌发表。"_qs,
                               u"方剂主治：外感风寒表虚证，头痛。"_qs,
                               u"使用方法：水煎服。"_qs,
                               u"临床治疗：感冒。"_qs,
                               u"应用心得：效佳。"_qs,
                               u"打印时间：2026-03-07"_qs};

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

    QWidget* box(const QString& name) const { return testing::child<QWidget>(form, name); }
    QPushButton* button(const QString& name) const { return testing::child<QPushButton>(form, name); }
    QString text(const QString& name) const {
        if (auto* line = qobject_cast<QLineEdit*>(box(name))) {
            return line->text();
        }
        return testing::child<entry::MemoBox>(form, name)->text();
    }
    void setText(const QString& name, const QString& value) const {
        QWidget* w = box(name);
        if (auto* line = qobject_cast<entry::LineBox*>(w)) {
            line->setText(value);
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setText(value);
        } else {
            testing::child<entry::MemoBox>(form, name)->setText(value);
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
    QString count() const { return testing::child<QLabel>(form, "Labfjsl")->text(); }
    QStringList listed() const {
        auto* list = testing::child<QListView>(form, "ListFjmc");
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
    // Puts data on the clipboard (taking it; null empties it) and presses Ctrl+V in the box.
    void paste(const QString& name, QMimeData* data) const {
        if (data != nullptr) {
            QApplication::clipboard()->setMimeData(data);
        } else {
            QApplication::clipboard()->clear();
        }
        box(name)->setFocus();
        QTest::keyClick(box(name), Qt::Key_V, Qt::ControlModifier);
    }
    void paste(const QString& name, const QString& text) const {
        auto* data = new QMimeData;
        data->setText(text);
        paste(name, data);
    }
    // Clicks a row of the name list.
    void pick(int row) const {
        auto* list = testing::child<QListView>(form, "ListFjmc");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }
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

    void load_showsWholeTextsAndEditKeepsThem_data();
    void load_showsWholeTextsAndEditKeepsThem();
    void load_lineBreaksRoundTripUnchanged_data();
    void load_lineBreaksRoundTripUnchanged();

    void paste_lineBreaksReachTheStoreAsPasted_data();
    void paste_lineBreaksReachTheStoreAsPasted();
    void paste_cutToTheRoomLeft_data();
    void paste_cutToTheRoomLeft();
    void paste_noTextInsertsNothing_data();
    void paste_noTextInsertsNothing();
    void paste_controlCharactersRefused_data();
    void paste_controlCharactersRefused();
    void typing_neverGrowsBeyondLimitOrLengthBefore_data();
    void typing_neverGrowsBeyondLimitOrLengthBefore();
    void undoCopyAndPaste_keepLineBreaks_data();
    void undoCopyAndPaste_keepLineBreaks();

    void count_fitsUpToAMillion_data();
    void count_fitsUpToAMillion();
    void quit_unlocksMenusOnce();

    void window_leastSize_controlsAtTheirDesignedPlaces_data();
    void window_leastSize_controlsAtTheirDesignedPlaces();
    void window_resized_boxesAndListGrow_restKeepsItsSize();
    void window_sizeAndMaximizedKeptAcrossOpenings();
    void window_inTheMainWindow_maximizesAndKeepsItsLeastSize();
    void keys_ctrlF_ctrlP_esc();
    void closeByFrame_unlocksMenus();

    void print_refusesIncompletePrescription();
    void print_writesDocumentInSongTi();
    void print_buttonDisabledThroughoutPause();
    void print_failureShowsTwoLineReport();
    void print_noWordProcessorOpensPrintWindow();
    void print_unwritableFolderIsReportedWithoutWindow();
    void printWindow_exportsEditedDocumentAsPdf();
    void printWindow_exportFailureIsReported();
    void print_removesOldPrintDocuments();
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
    f.paste(box, longText);
    QCOMPARE(f.text(box), longText.left(limit == 0 ? 5000 : limit));
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
    f.prompts.expectMessage(store::errorReport(failed.error(), store::ReportLines::One), Icon::Information);
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
    QCOMPARE(f.form->inputCheck(), entry::EntryForm::InputCheck::Refused);
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
    auto* list = testing::child<QListView>(f.form, "ListFjmc");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(f.boxes(), multiLine);
    QCOMPARE(f.listed(), before);
    QCOMPARE(f.count(), u"2剂"_qs);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(f.boxes(), (QStringList{kMahuang.mid(0, 6)} << QString() << QString()));
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ whole texts, line breaks, pasting

namespace {

// A text of `size` characters that the normaliser keeps as it is: ends in "。".
QString storedText(QChar c, int size) {
    return QString(size - 1, c) + u'。';
}

} // namespace

void TestEntryForm::load_showsWholeTextsAndEditKeepsThem_data() {
    QTest::addColumn<bool>("byLookup");
    QTest::addColumn<QStringList>("row");
    // 功效 300, 主治 600, 用法 300, 来源 80, 应用 500, 临床 3000: each beyond its box's limit.
    const QStringList longer{u"桂枝，芍药。"_qs,     storedText(u'效', 300), storedText(u'治', 600),
                             storedText(u'服', 300), storedText(u'源', 80),  storedText(u'应', 500),
                             storedText(u'心', 3000)};
    QTest::newRow("picked from the list, name beyond its limit too")
        << false << (QStringList{QString(39, u'芎') + u'汤'} + longer);
    QTest::newRow("looked up by name") << true << (QStringList{u"长方汤"_qs} + longer);
}

void TestEntryForm::load_showsWholeTextsAndEditKeepsThem() {
    QFETCH(bool, byLookup);
    QFETCH(QStringList, row);
    Fixture f({row});
    f.open();
    if (byLookup) {
        f.box(u"TxtFjmc"_qs)->setFocus();
        testing::typeText(f.box(u"TxtFjmc"_qs), row[0]);
        f.enter(u"TxtFjmc"_qs);
    } else {
        f.pick(0);
    }
    QCOMPARE(f.boxes(), row);

    // Only 构成 changes, through the keyboard; 修改 writes every other text back as it was.
    QWidget* composition = f.box(u"TxtFjnr"_qs);
    composition->setFocus();
    QTest::keyClick(composition, Qt::Key_End, Qt::ControlModifier);
    testing::typeText(composition, u"甘草"_qs);
    f.click(u"Cmdedit"_qs);
    QStringList expected = row;
    expected[1] = u"桂枝，芍药。甘草。"_qs;
    QCOMPARE(f.stored(), QList<QStringList>{expected});
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::load_lineBreaksRoundTripUnchanged_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("stored");
    QTest::newRow("用法 of 240 with a lone CR") << 4 << QString(120, u'煎') + u'\r' + storedText(u'服', 119);
    QTest::newRow("功效 with CR LF and lone CRs") << 2 << u"解肌\r\n发表\r调和\r\r营卫。"_qs;
    QTest::newRow("主治 with a lone CR before the stop") << 3 << u"头痛\r。"_qs;
    QTest::newRow("临床 with CR LF runs and a CR before CR LF") << 7 << u"第一\r\n\r\n第二\r\r\n第三。"_qs;
    QTest::newRow("构成 with a line separator and a tab") << 1 << u"桂枝\u2028芍药\t甘草。"_qs;
    QTest::newRow("应用 with a non-breaking space") << 6 << u"感冒\u00a0发热。"_qs;
}

void TestEntryForm::load_lineBreaksRoundTripUnchanged() {
    QFETCH(int, position);
    QFETCH(QString, stored);
    QStringList row = kGuizhi;
    row[position] = stored;
    Fixture f({row});
    f.open();
    f.pick(0);
    QCOMPARE(f.text(kBoxNames[position]), stored);
    f.click(u"Cmdedit"_qs);
    QCOMPARE(f.stored(), QList<QStringList>{row});
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::paste_lineBreaksReachTheStoreAsPasted_data() {
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected"); // stored 功效
    QTest::newRow("lone LFs are dropped") << u"\n\n功\n效\n"_qs << u"功效。"_qs;
    QTest::newRow("lone CR kept") << u"功\r效"_qs << u"功\r效。"_qs;
    QTest::newRow("CR LF kept") << u"功\r\n效"_qs << u"功\r\n效。"_qs;
    QTest::newRow("leading CR LF dropped, lone LF dropped") << u"\r\n功\n效\r\n"_qs << u"功效\r\n。"_qs;
    QTest::newRow("CR then CR LF") << u"功\r\r\n效"_qs << u"功\r\r\n效。"_qs;
}

void TestEntryForm::paste_lineBreaksReachTheStoreAsPasted() {
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    Fixture f;
    f.open();
    QStringList texts = kGuizhi;
    texts[2] = QString();
    f.fill(texts);
    f.paste(u"TxtFjgy"_qs, pasted);
    QCOMPARE(f.text(u"TxtFjgy"_qs), pasted);
    f.click(u"CmdSave"_qs);
    QCOMPARE(f.stored().size(), 1);
    QCOMPARE(f.stored().first()[2], expected);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::paste_cutToTheRoomLeft_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("from"); // the selection, or the caret when from == to; -1: caret at the end
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    const QString many(100000, u'药');
    QTest::newRow("功用 empty, 100,000 characters")
        << u"TxtFjgy"_qs << QString() << -1 << -1 << many << QString(240, u'药');
    QTest::newRow("功用 with 200") << u"TxtFjgy"_qs << QString(200, u'甲') << -1 << -1 << QString(100, u'乙')
                                   << QString(200, u'甲') + QString(40, u'乙');
    QTest::newRow("功用 caret in the middle")
        << u"TxtFjgy"_qs << QString(230, u'甲') << 100 << 100 << u"乙丙丁戊己庚辛壬癸子丑"_qs
        << QString(100, u'甲') + u"乙丙丁戊己庚辛壬癸子"_qs + QString(130, u'甲');
    QTest::newRow("功用 beyond its limit, a selection replaced")
        << u"TxtFjgy"_qs << QString(300, u'甲') << 0 << 10 << QString(50, u'乙')
        << QString(10, u'乙') + QString(290, u'甲');
    QTest::newRow("用法 room for one: a CR LF is not split")
        << u"TxtFjyf"_qs << QString(239, u'甲') << -1 << -1 << u"\r\n乙"_qs << QString(239, u'甲');
    QTest::newRow("主治 room for two: a lone LF counts one")
        << u"TxtFjzz"_qs << QString(398, u'甲') << -1 << -1 << u"\n乙丙"_qs << QString(398, u'甲') + u"\n乙"_qs;
    QTest::newRow("应用心得 room for one: a surrogate pair is not split")
        << u"TxtLcxd"_qs << QString(1999, u'甲') << -1 << -1 << u"𠀀乙"_qs << QString(1999, u'甲');
    QTest::newRow("构成 has no limit") << u"TxtFjnr"_qs << QString() << -1 << -1 << many << many;
    QTest::newRow("名称 empty") << u"TxtFjmc"_qs << QString() << -1 << -1 << QString(100, u'名') << QString(30, u'名');
    QTest::newRow("来源 beyond its limit, a selection replaced")
        << u"TxtFjly"_qs << QString(80, u'源') << 0 << 5 << QString(20, u'书')
        << QString(5, u'书') + QString(75, u'源');
}

void TestEntryForm::paste_cutToTheRoomLeft() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    Fixture f;
    f.open();
    f.setText(box, before);
    QWidget* w = f.box(box);
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        if (from < 0) {
            line->end(false);
        } else {
            line->setSelection(from, to - from);
        }
    } else {
        auto* memo = static_cast<entry::MemoBox*>(w);
        QTextCursor cursor = memo->textCursor();
        cursor.movePosition(QTextCursor::End);
        if (from >= 0) {
            cursor.setPosition(from);
            cursor.setPosition(to, QTextCursor::KeepAnchor);
        }
        memo->setTextCursor(cursor);
    }
    QElapsedTimer timer;
    timer.start();
    f.paste(box, pasted);
    const qint64 elapsed = timer.nsecsElapsed();
    QCOMPARE(f.text(box), expected);
    if (pasted.size() >= 100000) {
        qInfo("pasting %lld characters into %s took %.4f s", static_cast<long long>(pasted.size()), qPrintable(box),
              elapsed / 1e9);
    }
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::paste_noTextInsertsNothing_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("kind"); // 0 empty clipboard, 1 data without text, 2 an empty text
    for (const QString& name : kBoxNames) {
        QTest::addRow("%s, empty clipboard", qPrintable(name)) << name << 0;
        QTest::addRow("%s, data without text", qPrintable(name)) << name << 1;
        QTest::addRow("%s, empty text", qPrintable(name)) << name << 2;
    }
}

void TestEntryForm::paste_noTextInsertsNothing() {
    QFETCH(QString, box);
    QFETCH(int, kind);
    Fixture f;
    f.open();
    f.setText(box, u"原有"_qs);
    QMimeData* data = nullptr;
    if (kind == 1) {
        data = new QMimeData;
        data->setData(u"application/octet-stream"_qs, QByteArray("\x89PNG\r\n", 6));
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        data->setImageData(picture);
    } else if (kind == 2) {
        data = new QMimeData;
        data->setText(QString());
    }
    f.paste(box, data);
    QCOMPARE(f.text(box), u"原有"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::paste_controlCharactersRefused_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("message"); // empty: pasted as it is
    const QString withNul = u"甲"_qs + QChar(0) + u"乙"_qs;
    for (const QString& name : kBoxNames) {
        QTest::addRow("%s, NUL", qPrintable(name))
            << name << withNul << u"粘贴的文字含有控制字符 U+0000，不能粘贴。"_qs;
    }
    for (char16_t c : {u'\x01', u'\x08', u'\x0b', u'\x0c', u'\x1b', u'\x1f'}) {
        const QString pasted = u"甲"_qs + QChar(c) + u"乙\r\n"_qs;
        const QString message = QString::asprintf("粘贴的文字含有控制字符 U+%04X，不能粘贴。", unsigned(c));
        QTest::addRow("功用, U+%04X", unsigned(c)) << u"TxtFjgy"_qs << pasted << message;
        QTest::addRow("来源, U+%04X", unsigned(c)) << u"TxtFjly"_qs << pasted << message;
    }
    QTest::newRow("主治, an unpaired surrogate") << u"TxtFjzz"_qs << u"甲"_qs + QChar(0xD800) + u"乙"_qs
                                                 << u"粘贴的文字含有不成对的代理码位 U+D800，不能粘贴。"_qs;
    QTest::newRow("功用, tab and line breaks are text") << u"TxtFjgy"_qs << u"甲\t乙\r\n丙\n丁\r"_qs << QString();
    QTest::newRow("来源, a tab is text") << u"TxtFjly"_qs << u"甲\t乙"_qs << QString();
}

void TestEntryForm::paste_controlCharactersRefused() {
    QFETCH(QString, box);
    QFETCH(QString, pasted);
    QFETCH(QString, message);
    Fixture f;
    f.open();
    f.setText(box, u"原有"_qs);
    f.box(box)->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(f.box(box))) {
        line->end(false);
    } else {
        static_cast<entry::MemoBox*>(f.box(box))->setCaretAtEnd();
    }
    if (!message.isEmpty()) {
        f.prompts.expectMessage(message, Icon::Information);
    }
    f.paste(box, pasted);
    QCOMPARE(f.text(box), message.isEmpty() ? u"原有"_qs + pasted : u"原有"_qs);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::typing_neverGrowsBeyondLimitOrLengthBefore_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("deleted"); // backspaces at the end before typing
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byInputMethod"); // typed committed at once by an input method
    QTest::addColumn<QString>("expected");
    QTest::newRow("功用 at its limit") << u"TxtFjgy"_qs << QString(240, u'甲') << 0 << u"乙"_qs << false
                                       << QString(240, u'甲');
    QTest::newRow("功用 beyond its limit")
        << u"TxtFjgy"_qs << QString(300, u'甲') << 0 << u"乙"_qs << false << QString(300, u'甲');
    // Each key is an edit of its own: what was deleted cannot be typed back beyond the limit.
    QTest::newRow("功用 beyond its limit, two deleted, three typed")
        << u"TxtFjgy"_qs << QString(300, u'甲') << 2 << u"乙丙丁"_qs << false << QString(298, u'甲');
    QTest::newRow("功用 two beyond its limit, three deleted, three typed")
        << u"TxtFjgy"_qs << QString(242, u'甲') << 3 << u"乙丙丁"_qs << false << QString(239, u'甲') + u"乙"_qs;
    QTest::newRow("应用心得 one short: Enter's CR LF does not fit")
        << u"TxtLcxd"_qs << QString(1999, u'甲') << 0 << u"\n"_qs << false << QString(1999, u'甲');
    QTest::newRow("应用心得 two short: Enter's CR LF fits")
        << u"TxtLcxd"_qs << QString(1998, u'甲') << 0 << u"\n"_qs << false << QString(1998, u'甲') + u"\r\n"_qs;
    QTest::newRow("功用 one short, two committed by the input method")
        << u"TxtFjgy"_qs << QString(239, u'甲') << 0 << u"乙丙"_qs << true << QString(239, u'甲') + u"乙"_qs;
    QTest::newRow("功用 beyond its limit, input method")
        << u"TxtFjgy"_qs << QString(300, u'甲') << 0 << u"乙丙"_qs << true << QString(300, u'甲');
    QTest::newRow("来源 one short, two committed by the input method")
        << u"TxtFjly"_qs << QString(49, u'源') << 0 << u"乙丙"_qs << true << QString(49, u'源') + u"乙"_qs;
    QTest::newRow("来源 beyond its limit, input method")
        << u"TxtFjly"_qs << QString(80, u'源') << 0 << u"乙丙"_qs << true << QString(80, u'源');
    QTest::newRow("名称 at its limit") << u"TxtFjmc"_qs << QString(30, u'名') << 0 << u"乙"_qs << false
                                       << QString(30, u'名');
    QTest::newRow("名称 beyond its limit")
        << u"TxtFjmc"_qs << QString(40, u'名') << 0 << u"乙"_qs << false << QString(40, u'名');
    QTest::newRow("来源 beyond its limit, two deleted, three typed")
        << u"TxtFjly"_qs << QString(80, u'源') << 2 << u"乙丙丁"_qs << false << QString(78, u'源');
    QTest::newRow("来源 two beyond its limit, three deleted, three typed")
        << u"TxtFjly"_qs << QString(52, u'源') << 3 << u"乙丙丁"_qs << false << QString(49, u'源') + u"乙"_qs;
}

void TestEntryForm::typing_neverGrowsBeyondLimitOrLengthBefore() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, deleted);
    QFETCH(QString, typed);
    QFETCH(bool, byInputMethod);
    QFETCH(QString, expected);
    Fixture f;
    f.open();
    f.setText(box, before);
    QWidget* w = f.box(box);
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->end(false);
    } else {
        static_cast<entry::MemoBox*>(w)->setCaretAtEnd();
    }
    for (int i = 0; i < deleted; ++i) {
        QTest::keyClick(w, Qt::Key_Backspace);
    }
    if (byInputMethod) {
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(w, &commit);
    } else {
        testing::typeText(w, typed);
    }
    QCOMPARE(f.text(box), expected);
}

void TestEntryForm::undoCopyAndPaste_keepLineBreaks_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    // Steps: "caret N", "delete", "undo", "redo", "select all", "copy", "end", "paste" (the clipboard),
    // "paste TEXT", "type TEXT", "into BOX" (focus moves to another box; the result is read there).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a deleted lone CR comes back on undo")
        << u"TxtFjyf"_qs << u"甲\r乙。"_qs << QStringList{u"caret 1"_qs, u"delete"_qs, u"undo"_qs} << u"甲\r乙。"_qs;
    QTest::newRow("a deleted lone LF comes back on undo")
        << u"TxtLcxd"_qs << u"甲\n乙\r\n丙"_qs << QStringList{u"caret 1"_qs, u"delete"_qs, u"undo"_qs}
        << u"甲\n乙\r\n丙"_qs;
    QTest::newRow("a paste undone and redone")
        << u"TxtFjgy"_qs << u"原"_qs << QStringList{u"end"_qs, u"paste 功\n效\r药\r\n"_qs, u"undo"_qs, u"redo"_qs}
        << u"原功\n效\r药\r\n"_qs;
    QTest::newRow("copied and pasted inside the box")
        << u"TxtLcxd"_qs << u"甲\r\n乙\r丙\n丁"_qs << QStringList{u"select all"_qs, u"copy"_qs, u"end"_qs, u"paste"_qs}
        << u"甲\r\n乙\r丙\n丁甲\r\n乙\r丙\n丁"_qs;
    QTest::newRow("a typed line break copied into another box")
        << u"TxtLcxd"_qs << u"甲"_qs
        << QStringList{u"end"_qs, u"type \n乙"_qs, u"select all"_qs, u"copy"_qs, u"into TxtFjzz"_qs, u"paste"_qs}
        << u"甲\r\n乙"_qs;
}

void TestEntryForm::undoCopyAndPaste_keepLineBreaks() {
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    Fixture f;
    f.open();
    f.setText(box, before);
    auto* memo = static_cast<entry::MemoBox*>(f.box(box));
    memo->setFocus();
    for (const QString& step : steps) {
        const QString argument = step.section(u' ', 1);
        if (step.startsWith(u"caret "_qs)) {
            QTextCursor cursor = memo->textCursor();
            cursor.setPosition(argument.toInt());
            memo->setTextCursor(cursor);
        } else if (step == u"delete"_qs) {
            QTest::keyClick(memo, Qt::Key_Delete);
        } else if (step == u"undo"_qs) {
            QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
        } else if (step == u"redo"_qs) {
            QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        } else if (step == u"select all"_qs) {
            QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        } else if (step == u"copy"_qs) {
            QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
        } else if (step == u"end"_qs) {
            QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        } else if (step == u"paste"_qs) {
            QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
        } else if (step.startsWith(u"paste "_qs)) {
            f.paste(memo->objectName(), argument);
        } else if (step.startsWith(u"type "_qs)) {
            testing::typeText(memo, argument);
        } else if (step.startsWith(u"into "_qs)) {
            memo = static_cast<entry::MemoBox*>(f.box(argument));
            memo->setFocus();
        } else {
            QFAIL(qPrintable(u"unknown step "_qs + step));
        }
    }
    QCOMPARE(memo->text(), expected);
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

// ------------------------------------------------------------------ leaving

void TestEntryForm::count_fitsUpToAMillion_data() {
    QTest::addColumn<int>("count");
    for (int n : {0, 7, 1082, 9935, 99357, 1000000}) {
        QTest::newRow(qPrintable(QString::number(n))) << n;
    }
}

void TestEntryForm::count_fitsUpToAMillion() {
    QFETCH(int, count);
    Fixture f;
    f.open();
    auto* caption = testing::child<QLabel>(f.form, "Label16");
    auto* label = testing::child<QLabel>(f.form, "Labfjsl");
    label->setText(entry::countLabel(count));
    const QRect window = f.form->rect();
    for (QLabel* l : {caption, label}) {
        QVERIFY2(window.contains(l->geometry()), qPrintable(l->objectName()));
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(), qPrintable(l->text()));
        // Clear of every box.
        for (const QString& name : kBoxNames) {
            QVERIFY2(!l->geometry().intersects(f.box(name)->geometry()), qPrintable(l->objectName() + u' ' + name));
        }
    }
    QVERIFY(!caption->geometry().intersects(label->geometry()));
}

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

// ------------------------------------------------------------------ size and keys

void TestEntryForm::window_leastSize_controlsAtTheirDesignedPlaces_data() {
    // The design's places in twips; the window shows them at 15 twips a pixel.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("名称") << u"TxtFjmc"_qs << QRect(720, 120, 3015, 325);
    QTest::newRow("来源") << u"TxtFjly"_qs << QRect(4320, 120, 5895, 325);
    QTest::newRow("构成") << u"TxtFjnr"_qs << QRect(720, 600, 10935, 735);
    QTest::newRow("功用") << u"TxtFjgy"_qs << QRect(720, 1440, 7935, 675);
    QTest::newRow("主治") << u"TxtFjzz"_qs << QRect(720, 2280, 7935, 975);
    QTest::newRow("用法") << u"TxtFjyf"_qs << QRect(720, 3360, 7935, 870);
    QTest::newRow("临床治疗") << u"TxtLcyy"_qs << QRect(720, 4320, 7935, 855);
    QTest::newRow("应用心得") << u"TxtLcxd"_qs << QRect(720, 5280, 7935, 1455);
    QTest::newRow("list") << u"ListFjmc"_qs << QRect(8760, 1440, 2895, 3420);
    QTest::newRow("保存") << u"CmdSave"_qs << QRect(8760, 5040, 1300, 325);
    QTest::newRow("修改") << u"Cmdedit"_qs << QRect(10320, 5040, 1300, 325);
    QTest::newRow("删除") << u"Cmddele"_qs << QRect(8760, 5520, 1300, 325);
    QTest::newRow("清屏") << u"Cmdqcls"_qs << QRect(10320, 5520, 1300, 325);
    QTest::newRow("查询") << u"Cmdseek"_qs << QRect(8760, 6000, 1300, 325);
    QTest::newRow("编辑打印") << u"Cmdprnt"_qs << QRect(10320, 6000, 1300, 325);
    QTest::newRow("退出") << u"CmdQuit"_qs << QRect(8760, 6480, 2895, 325);
}

void TestEntryForm::window_leastSize_controlsAtTheirDesignedPlaces() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Fixture f;
    f.open();
    const QSize least(11805 / 15, 6930 / 15);
    QCOMPARE(f.form->size(), least);
    QCOMPARE(f.form->minimumSize(), least);
    f.form->resize(200, 100);
    QCOMPARE(f.form->size(), least);
    const auto px = [](int t) { return platform::twipsToPixels(t); };
    QTRY_COMPARE(f.box(name)->geometry(), QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
}

void TestEntryForm::window_resized_boxesAndListGrow_restKeepsItsSize() {
    Fixture f;
    f.open();
    QMap<QString, QRect> before;
    for (QWidget* w : f.form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        before[w->objectName()] = w->geometry();
    }
    f.form->resize(1500, 1000);
    QTRY_VERIFY(f.box(u"TxtFjnr"_qs)->width() > 1400);
    // The multi-line boxes and the list grow both ways.
    for (const QString& name :
         {u"TxtFjnr"_qs, u"TxtFjgy"_qs, u"TxtFjzz"_qs, u"TxtFjyf"_qs, u"TxtLcyy"_qs, u"TxtLcxd"_qs, u"ListFjmc"_qs}) {
        QVERIFY2(f.box(name)->width() > before[name].width() + 100, qPrintable(name));
        QVERIFY2(f.box(name)->height() > before[name].height() + 10, qPrintable(name));
    }
    // Everything else keeps its size: one-line boxes, buttons, labels.
    for (QWidget* w : f.form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible() || qobject_cast<entry::MemoBox*>(w) != nullptr || qobject_cast<QListView*>(w) != nullptr) {
            continue;
        }
        QVERIFY2(w->size() == before[w->objectName()].size(), qPrintable(w->objectName()));
    }
    QCOMPARE(f.box(u"TxtFjmc"_qs)->geometry(), before[u"TxtFjmc"_qs]);
    QCOMPARE(f.box(u"TxtFjly"_qs)->geometry(), before[u"TxtFjly"_qs]);
    // The buttons keep their order, under the list; the count stays in the top right corner.
    const QRect list = f.box(u"ListFjmc"_qs)->geometry();
    const QRect save = f.button(u"CmdSave"_qs)->geometry();
    QVERIFY(save.top() > list.bottom());
    QCOMPARE(save.left(), list.left());
    QCOMPARE(f.button(u"Cmdedit"_qs)->geometry().top(), save.top());
    QVERIFY(f.button(u"Cmdedit"_qs)->x() > save.right());
    QVERIFY(f.button(u"Cmddele"_qs)->y() > save.bottom());
    QVERIFY(f.button(u"Cmdseek"_qs)->y() > f.button(u"Cmddele"_qs)->geometry().bottom());
    QVERIFY(f.button(u"CmdQuit"_qs)->y() > f.button(u"Cmdseek"_qs)->geometry().bottom());
    QVERIFY(f.button(u"CmdQuit"_qs)->geometry().bottom() < 1000);
    auto* count = f.form->findChild<QLabel*>(u"Labfjsl"_qs);
    QCOMPARE(1500 - count->geometry().right(), 787 - before[u"Labfjsl"_qs].right());
    // Labels stay beside their boxes.
    for (QLabel* label : f.form->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            QVERIFY2(label->geometry().right() < label->buddy()->x(), qPrintable(label->text()));
            QVERIFY2(qAbs(label->y() - label->buddy()->y()) <= 3, qPrintable(label->text()));
        }
    }
}

void TestEntryForm::window_sizeAndMaximizedKeptAcrossOpenings() {
    Fixture f;
    f.open();
    f.form->resize(1200, 700);
    f.click(u"CmdQuit"_qs);
    {
        store::Database db = f.dir.open();
        QCOMPARE(testing::rows(db, u"SELECT \"01\", \"02\", \"03\" FROM 系统附表 WHERE \"00\" = 201"_qs),
                 (QList<QStringList>{{u"18000"_qs, u"10500"_qs, u"0"_qs}}));
    }
    platform::WorkingWindow::releaseUnloaded();
    f.open();
    QCOMPARE(f.form->size(), QSize(1200, 700));
    f.form->showMaximized();
    QTRY_VERIFY(f.form->isShownMaximized());
    QTest::keyClick(f.box(u"TxtFjmc"_qs), Qt::Key_Escape); // leaves as 退出 does
    QVERIFY(f.form->isUnloading());
    platform::WorkingWindow::releaseUnloaded();
    f.open();
    QTRY_VERIFY(f.form->isShownMaximized());
    QCOMPARE(f.form->normalSize(), QSize(1200, 700));
}

void TestEntryForm::window_inTheMainWindow_maximizesAndKeepsItsLeastSize() {
    // In a document area, as the main window shows it: a frame with a maximise button.
    Fixture f;
    QMdiArea area;
    area.resize(1600, 1000);
    area.show();
    f.form = new entry::EntryForm(f.session);
    QMdiSubWindow* frame = area.addSubWindow(f.form, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                         Qt::WindowMaximizeButtonHint);
    frame->show();
    frame->resize(100, 100);
    QCOMPARE(f.form->size(), QSize(787, 462));
    frame->showMaximized();
    QTRY_VERIFY(f.form->isShownMaximized());
    QTRY_VERIFY(f.form->width() > 1500);
    f.click(u"CmdQuit"_qs);
    store::Database db = f.dir.open();
    QCOMPARE(testing::rows(db, u"SELECT \"01\", \"02\", \"03\" FROM 系统附表 WHERE \"00\" = 201"_qs),
             (QList<QStringList>{{u"11805"_qs, u"6930"_qs, u"1"_qs}}));
}

void TestEntryForm::keys_ctrlF_ctrlP_esc() {
    Fixture f;
    RecordingDesktop desktop;
    f.open();
    QWidget* notes = f.box(u"TxtLcxd"_qs);
    notes->setFocus();
    QTest::keyClick(notes, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(f.focused(), u"TxtFjmc"_qs);
    // Ctrl+P prints as 编辑打印 does: here it refuses an empty prescription.
    f.prompts.expectMessage(u"打印内容输入不完全，不能打印"_qs, Icon::None, Buttons::Ok, Answer::Ok,
                            platform::kAppTitle);
    QTest::keyClick(f.box(u"TxtFjmc"_qs), Qt::Key_P, Qt::ControlModifier);
    FANGJI_VERIFY_PROMPTS(f.prompts);
    QCOMPARE(f.focused(), u"Cmdqcls"_qs);
    QVERIFY(desktop.opened.isEmpty());
    QTest::keyClick(f.box(u"TxtFjmc"_qs), Qt::Key_Escape);
    QVERIFY(f.form->isUnloading());
    QCOMPARE(f.session.unlockCount, 1);
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
    auto* list = testing::child<QListView>(f.form, "ListFjmc");
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
    // A desktop with a word processor gets the document; no window of the program's own.
    QVERIFY(printWindow() == nullptr);
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

void TestEntryForm::print_noWordProcessorOpensPrintWindow() {
    Fixture f({kGuizhi});
    NoWordProcessorDesktop desktop;
    f.clock.setAutoStep(500);
    f.open();
    f.fill(kGuizhi);
    f.click(u"Cmdprnt"_qs);

    QCOMPARE(desktop.asked, QStringList{u"application/rtf"_qs});
    QVERIFY(desktop.opened.isEmpty());
    QPointer<entry::PrintWindow> window = printWindow();
    QVERIFY(window);
    QCOMPARE(window->objectName(), u"Frmbjdy"_qs);
    QCOMPARE(window->windowTitle(), u"编辑打印 - 桂枝汤"_qs);
    QVERIFY(window->isWindow());
    // The window shows the word processor's document line for line, and may be edited.
    QCOMPARE(blocksOf(window->editor()->document()), kGuizhiLines);
    QVERIFY(!window->editor()->isReadOnly());
    const QStringList prints = QDir(entry::printFolder()).entryList(QDir::Files);
    QCOMPARE(prints.size(), 1);
    QFile file(QDir(entry::printFolder()).filePath(prints.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(testing::readRtf(file.readAll()).paragraphs, blocksOf(window->editor()->document()));
    QCOMPARE(QApplication::clipboard()->text(), kGuizhiLines.join(u"\r\n"_qs));
    // The entry window stays as it was, the menus as they were.
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.text(u"TxtFjmc"_qs), u"桂枝汤"_qs);
    QVERIFY(f.button(u"Cmdprnt"_qs)->isEnabled());
    QCOMPARE(f.session.unlockCount, 0);
    QVERIFY(!platform::isBusyPointer());
    testing::child<QPushButton>(window, "CmdClose")->click();
    QTRY_VERIFY(window.isNull());
    QVERIFY(f.form->isVisible());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::print_unwritableFolderIsReportedWithoutWindow() {
    Fixture f({kGuizhi});
    NoWordProcessorDesktop desktop;
    f.clock.setAutoStep(500);
    f.open();
    f.fill(kGuizhi);
    // A file where the prints folder belongs: the document cannot be written.
    QFile blocker(entry::printFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f.prompts.expectMessage(u"错误号码：%1\r\n错误内容：无法建立文件夹 "_qs.arg(int(QFileDevice::WriteError)) +
                                QDir::toNativeSeparators(entry::printFolder()),
                            Icon::None);
    f.click(u"Cmdprnt"_qs);
    QVERIFY(printWindow() == nullptr);
    QVERIFY(desktop.asked.isEmpty());
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::printWindow_exportsEditedDocumentAsPdf() {
    Fixture f({kGuizhi});
    NoWordProcessorDesktop desktop;
    f.clock.setAutoStep(500);
    f.open();
    f.fill(kGuizhi);
    f.click(u"Cmdprnt"_qs);
    QPointer<entry::PrintWindow> window = printWindow();
    QVERIFY(window);
    // An edit in the window goes into the PDF.
    QTextEdit* editor = window->editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    testing::typeText(editor, u"（已核对）"_qs);

    QTemporaryDir out;
    const QString path = out.filePath(u"桂枝汤"_qs);
    f.prompts.expectSaveFile(path);
    testing::child<QPushButton>(window, "CmdPdf")->click();
    QCOMPARE(f.prompts.lastDialogFolder().section(u'/', -1), u"桂枝汤.pdf"_qs);
    QCOMPARE(f.prompts.lastDialogTitle(), u"导出 PDF"_qs);
    const QString pdf = path + u".pdf"_qs;
    QVERIFY(QFile::exists(pdf));
    QCOMPARE(testing::child<QLabel>(window, "LabStatus")->text(), u"已导出 PDF："_qs + pdf);

    const testing::ToolRun text = testing::pdfText(pdf);
    QVERIFY2(text.error.isEmpty(), qPrintable(text.error));
    const QString found = testing::withoutSpace(text.output);
    for (const QString& line : kGuizhiLines) {
        QVERIFY2(found.contains(line), qPrintable(line + u" not in "_qs + text.output));
    }
    QVERIFY(found.endsWith(u"打印时间：2026-03-07（已核对）"_qs));
    QString error;
    const QList<testing::PdfFont> fonts = testing::pdfFonts(pdf, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(fonts.size(), 1);
    QVERIFY(fonts.first().embedded);
    QVERIFY2(testing::isChineseSongFace(fonts.first().name), qPrintable(fonts.first().name));
    window->close();
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

void TestEntryForm::printWindow_exportFailureIsReported() {
    Fixture f;
    entry::PrintWindow window(u"方剂名称：甲"_qs, u"甲"_qs);
    window.show();
    QTemporaryDir out;
    const QString path = out.filePath(u"无此文件夹/甲.pdf"_qs);
    f.prompts.expectSaveFile(path);
    window.CmdPdf_Click();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(f.prompts.shown().size(), 1);
    QVERIFY2(f.prompts.shown().first().startsWith(u"PDF 文档没有导出："_qs + path + u"\r\n错误号码："_qs),
             qPrintable(f.prompts.shown().first()));
    QVERIFY(testing::child<QLabel>(&window, "LabStatus")->text().isEmpty());
}

void TestEntryForm::print_removesOldPrintDocuments() {
    Fixture f({kGuizhi});
    RecordingDesktop desktop;
    f.clock.setAutoStep(500);
    f.open();
    f.fill(kGuizhi);
    QVERIFY(QDir().mkpath(entry::printFolder()));
    const QDateTime now = platform::clock().now();
    for (int i = 0; i < entry::kKeptPrints + 5; ++i) {
        const QDateTime when = now.addDays(-60 - i);
        QFile old(
            QDir(entry::printFolder()).filePath(u"方剂打印-"_qs + when.toString(u"yyyyMMdd-HHmmss"_qs) + u".rtf"_qs));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.setFileTime(when, QFileDevice::FileModificationTime));
    }
    f.click(u"Cmdprnt"_qs);
    QCOMPARE(desktop.opened.size(), 1);
    const QStringList left = QDir(entry::printFolder()).entryList(QDir::Files, QDir::Name | QDir::Reversed);
    QCOMPARE(left.size(), entry::kKeptPrints);
    // The new document is among those kept.
    QVERIFY(left.contains(desktop.opened.first().fileName()));
    FANGJI_VERIFY_PROMPTS(f.prompts);
}

QTEST_MAIN(TestEntryForm)
#include "test_entry_form.moc"
