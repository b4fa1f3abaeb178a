#include "entry_form.h"

#include "entry_store.h"
#include "memo_box.h"
#include "word_output.h"

#include "platform/box_text.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/data_file.h"
#include "platform/kept_size.h"
#include "platform/key_flow.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/database.h"
#include "store/schema.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTextCursor>
#include <QTextDocument>

namespace fangji::entry {

namespace {

using platform::twipsToPixels;

// One box: its name, label, limit (0: none), whether it is multi-line, and its place in twips.
struct BoxSpec {
    const char16_t* objectName;
    const char16_t* label;
    int maxLength;
    bool multiLine;
    QRect place;
};

const BoxSpec kBoxes[8] = {
    {u"TxtFjmc", u"名称", 30, false, QRect(720, 120, 3015, 325)},
    {u"TxtFjnr", u"构成", 0, true, QRect(720, 600, 10935, 735)},
    {u"TxtFjgy", u"功用", 240, true, QRect(720, 1440, 7935, 675)},
    {u"TxtFjzz", u"主治", 400, true, QRect(720, 2280, 7935, 975)},
    {u"TxtFjyf", u"用法", 240, true, QRect(720, 3360, 7935, 870)},
    {u"TxtFjly", u"来源", 50, false, QRect(4320, 120, 5895, 325)},
    {u"TxtLcyy", u"临床治疗", 400, true, QRect(720, 4320, 7935, 855)},
    {u"TxtLcxd", u"应用心得", 2000, true, QRect(720, 5280, 7935, 1455)},
};

constexpr int kName = store::ColName;
constexpr int kComposition = store::ColComposition;
constexpr int kEffects = store::ColEffects;
constexpr int kIndications = store::ColIndications;
constexpr int kUsage = store::ColUsage;
constexpr int kSource = store::ColSource;
constexpr int kClinical = store::ColClinical;
constexpr int kNotes = store::ColNotes;

// A main window wider than this has the entry window centred on it.
constexpr int kCentreAboveTwips = 12120;

// The window's client area at its least size, in pixels; the places of the list, the count
// and the buttons, in twips.
constexpr QSize kWindow(twipsToPixels(11805), twipsToPixels(6930));
constexpr QRect kListPlace(8760, 1440, 2895, 3420);
constexpr int kCountLeft = 10290;
constexpr int kCountWidth = 1425;
constexpr int kSecondColumn = 10320;
constexpr int kButtonWidth = 1300;
constexpr int kButtonHeight = 325;
constexpr int kButtonRows[4] = {5040, 5520, 6000, 6480};
// Between a label and its box, in pixels.
constexpr int kLabelGap = 4;

constexpr int px(int twips) {
    return twipsToPixels(twips);
}

} // namespace

EntryForm::EntryForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmfjdl"));
    setWindowTitle(QStringLiteral("方剂登录"));
    buildControls();
    m_recordSource = kAllPrescriptions;
    keepSize(platform::kEntryWindowKey, kWindow);
}

void EntryForm::buildControls() {
    QFont boxFont(QStringLiteral("宋体"));
    boxFont.setPointSizeF(10.5);

    std::array<QLabel*, 8> labels{};
    auto* keys = new platform::KeyFlow(this);
    for (int i = 0; i < 8; ++i) {
        const BoxSpec& spec = kBoxes[i];
        QWidget* box = nullptr;
        if (spec.multiLine) {
            auto* memo = new MemoBox(this);
            memo->setMaxLength(spec.maxLength);
            box = memo;
            // At least its place; more as the window grows.
            box->setMinimumSize(px(spec.place.width()), px(spec.place.height()));
            box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        } else {
            auto* line = new LineBox(this);
            line->setLimit(spec.maxLength);
            box = line;
            box->setFixedSize(px(spec.place.width()), px(spec.place.height()));
        }
        box->setObjectName(QString::fromUtf16(spec.objectName));
        box->setFont(boxFont);
        // Blanks cannot be typed; a carriage return takes the box's step.
        platform::KeyFlow::Rule rule;
        rule.onEnter = [this, i] { return enterIn(i); };
        if (i == kComposition) {
            rule.beforeKey = [this] { trimBox(kComposition); };
        }
        keys->add(box, rule);
        m_boxes[i] = box;

        auto* label = new QLabel(QString::fromUtf16(spec.label), this);
        label->setObjectName(QString::fromUtf16(spec.objectName) + QStringLiteral("Label"));
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        label->setBuddy(box);
        // The margin left of the boxes holds two characters a line: a four-character
        // label ("临床治疗") takes two lines.
        label->setWordWrap(true);
        // Its size is fixed: the window's rows are not measured by the height the words wrap
        // to (set last: the label's text, alignment and buddy would ask for that again).
        QSizePolicy fixed = label->sizePolicy();
        fixed.setHeightForWidth(false);
        label->setSizePolicy(fixed);
        labels[i] = label;
    }
    m_name = static_cast<QLineEdit*>(m_boxes[kName]);
    m_source = static_cast<QLineEdit*>(m_boxes[kSource]);

    m_names = new QStringListModel(this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("ListFjmc"));
    m_list->setModel(m_names);
    m_list->setUniformItemSizes(true); // keeps a list of many thousand names fast
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(px(kListPlace.width()), px(kListPlace.height()));
    m_list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // The caption with the count under it, in the corner right of 来源: side by side they
    // would cut a count of four digits and more at the window's edge; stacked, a count up to
    // 1,000,000 fits.
    auto* caption = new QLabel(QStringLiteral("共登录方剂"), this);
    caption->setObjectName(QStringLiteral("Label16"));
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setFixedSize(px(kCountWidth), px(300));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Labfjsl"));
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count->setFixedSize(px(kCountWidth), px(290));

    auto button = [this](const char16_t* name, const char16_t* text, int width) {
        QPushButton* b = platform::makeButton(this, QString::fromUtf16(name), QString::fromUtf16(text));
        b->setFixedSize(px(width), px(kButtonHeight));
        return b;
    };
    m_save = button(u"CmdSave", u"保存&B", kButtonWidth);
    m_edit = button(u"Cmdedit", u"修改&X", kButtonWidth);
    m_delete = button(u"Cmddele", u"删除&D", kButtonWidth);
    m_clear = button(u"Cmdqcls", u"清屏&Q", kButtonWidth);
    m_seek = button(u"Cmdseek", u"查询&S", kButtonWidth);
    m_print = button(u"Cmdprnt", u"编辑打印&P", kButtonWidth);
    m_quit = button(u"CmdQuit", u"退出&T", kListPlace.width());

    layOut(labels, caption);

    // Tab order: 名称, 来源, 构成, 功用, 主治, 用法, the list, the buttons, then 临床治疗 and 应用心得.
    const QList<QWidget*> order = {m_boxes[kName],
                                   m_boxes[kSource],
                                   m_boxes[kComposition],
                                   m_boxes[kEffects],
                                   m_boxes[kIndications],
                                   m_boxes[kUsage],
                                   m_list,
                                   m_save,
                                   m_edit,
                                   m_delete,
                                   m_seek,
                                   m_clear,
                                   m_print,
                                   m_quit,
                                   m_boxes[kClinical],
                                   m_boxes[kNotes]};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_save, &QPushButton::clicked, this, &EntryForm::CmdSave_Click);
    connect(m_edit, &QPushButton::clicked, this, &EntryForm::Cmdedit_Click);
    connect(m_delete, &QPushButton::clicked, this, &EntryForm::Cmddele_Click);
    connect(m_clear, &QPushButton::clicked, this, &EntryForm::Cmdqcls_Click);
    connect(m_seek, &QPushButton::clicked, this, &EntryForm::Cmdseek_Click);
    connect(m_print, &QPushButton::clicked, this, &EntryForm::Cmdprnt_Click);
    connect(m_quit, &QPushButton::clicked, this, &EntryForm::CmdQuit_Click);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) { ListFjmc_Click(index.row()); });

    // Keys people expect beside the access keys: Ctrl+F to the name, Ctrl+P prints, Esc leaves.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { focusBox(kName, true); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
        if (m_print->isEnabled()) {
            m_print->click();
        }
    });
    setExitButton(m_quit);
    // Moving through the list with the keyboard chooses too; a mouse press is chosen on its click.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && m_list->hasFocus() && QApplication::mouseButtons() == Qt::NoButton) {
            ListFjmc_Click(current.row());
        }
    });
}

// The controls stand where the window's design puts them when the window has its least
// size; the multi-line boxes and the name list take what the window grows by (in proportion
// to their sizes), the one-line boxes, the buttons and the labels keep their sizes.
void EntryForm::layOut(const std::array<QLabel*, 8>& labels, QLabel* caption) {
    const auto place = [](int position) { return kBoxes[position].place; };
    const auto bottomOf = [&](int position) { return px(place(position).y()) + px(place(position).height()); };
    // w, top pixels down its column.
    const auto down = [](QWidget* w, int top) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->setContentsMargins(0, top, 0, 0);
        column->addWidget(w, 0, Qt::AlignTop);
        return column;
    };
    // A box's label left of the box, ending kLabelGap before it, a little lower than the box's
    // top (which is rowTop pixels down the row); it reaches down to the row's height at most.
    const auto labelColumn = [&](int position, int rowTop, int rowHeight) {
        QLabel* label = labels[position];
        const int width = px(label->text().size() > 2 ? 450 : 660);
        const int top = rowTop + px(45);
        label->setFixedSize(width, qMin(px(600), rowHeight - top));
        auto* column = new QHBoxLayout;
        column->setSpacing(0);
        column->addSpacing(px(place(position).x()) - kLabelGap - width);
        column->addLayout(down(label, top));
        column->addSpacing(kLabelGap);
        return column;
    };

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // First row, down to 构成: 名称 and 来源, and the count in the corner.
    const QRect name = place(kName);
    const QRect source = place(kSource);
    const QRect composition = place(kComposition);
    const int firstHeight = px(composition.y());
    auto* first = new QHBoxLayout;
    first->setSpacing(0);
    first->addLayout(labelColumn(kName, px(name.y()), firstHeight));
    first->addLayout(down(m_name, px(name.y())));
    // The 来源 label fills the room between the two boxes.
    QLabel* sourceLabel = labels[kSource];
    const int sourceLabelLeft = px(name.x()) + px(name.width()) + 2;
    const int sourceLabelTop = px(source.y()) + px(45);
    sourceLabel->setFixedSize(px(source.x()) - kLabelGap - sourceLabelLeft, firstHeight - sourceLabelTop);
    first->addSpacing(2);
    first->addLayout(down(sourceLabel, sourceLabelTop));
    first->addSpacing(kLabelGap);
    first->addLayout(down(m_source, px(source.y())));
    const int countLeft = px(kCountLeft);
    first->addSpacing(countLeft - px(source.x()) - px(source.width()));
    first->addStretch(1);
    auto* count = new QVBoxLayout;
    count->setSpacing(0);
    count->addWidget(caption);
    count->addWidget(m_count, 0, Qt::AlignTop);
    first->addLayout(count);
    first->addSpacing(kWindow.width() - countLeft - caption->width());
    root->addLayout(first);

    // 构成, the whole width.
    auto* second = new QHBoxLayout;
    second->setSpacing(0);
    second->addLayout(labelColumn(kComposition, 0, px(composition.height())));
    second->addWidget(m_boxes[kComposition], 1);
    second->addSpacing(kWindow.width() - px(composition.x()) - px(composition.width()));
    root->addLayout(second, px(composition.height()));

    // The other multi-line boxes on the left; the name list and the buttons on the right.
    const int bodyTop = px(place(kEffects).y());
    root->addSpacing(bodyTop - bottomOf(kComposition));
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    int y = bodyTop;
    for (int position : {kEffects, kIndications, kUsage, kClinical, kNotes}) {
        const QRect r = place(position);
        left->addSpacing(px(r.y()) - y);
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addLayout(labelColumn(position, 0, px(r.height())));
        row->addWidget(m_boxes[position], 1);
        left->addLayout(row, px(r.height()));
        y = bottomOf(position);
    }
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(m_list, 1);
    y = px(kListPlace.y()) + px(kListPlace.height());
    const struct {
        int top;
        QPushButton* first;
        QPushButton* second;
    } buttonRows[] = {{kButtonRows[0], m_save, m_edit},
                      {kButtonRows[1], m_delete, m_clear},
                      {kButtonRows[2], m_seek, m_print},
                      {kButtonRows[3], m_quit, nullptr}};
    for (const auto& b : buttonRows) {
        right->addSpacing(px(b.top) - y);
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(b.first);
        if (b.second != nullptr) {
            row->addSpacing(px(kSecondColumn) - px(kListPlace.x()) - b.first->width());
            row->addWidget(b.second);
        }
        row->addStretch(1);
        right->addLayout(row);
        y = px(b.top) + px(kButtonHeight);
    }
    // Both columns end where the lower of them ends.
    const int bodyBottom = qMax(y, bottomOf(kNotes));
    right->addSpacing(bodyBottom - y);
    left->addSpacing(bodyBottom - bottomOf(kNotes));

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    const int leftWidth = px(place(kEffects).x()) + px(place(kEffects).width());
    const int listWidth = px(kListPlace.width());
    body->addLayout(left, leftWidth);
    body->addSpacing(px(kListPlace.x()) - leftWidth);
    body->addLayout(right, listWidth);
    body->addSpacing(kWindow.width() - px(kListPlace.x()) - listWidth);
    root->addLayout(body, bodyBottom - bodyTop);
    root->addSpacing(kWindow.height() - bodyBottom);
}

// ------------------------------------------------------------------ boxes

QString EntryForm::boxText(int position) const {
    return platform::boxText(m_boxes[position]);
}

void EntryForm::setBoxText(int position, const QString& text) {
    // The boxes show the whole text: their limits hold for typing and pasting only.
    platform::setBoxText(m_boxes[position], text);
}

void EntryForm::trimBox(int position) {
    const QString text = boxText(position);
    const QString trimmed = trimSpaces(text);
    if (trimmed == text) {
        return;
    }
    // The caret keeps its place in the text, so that typing goes on where it was.
    qsizetype leading = 0;
    while (leading < text.size() && text[leading] == u' ') {
        ++leading;
    }
    if (auto* memo = qobject_cast<MemoBox*>(m_boxes[position])) {
        const int caret = memo->textCursor().position();
        memo->setText(trimmed);
        QTextCursor cursor = memo->textCursor();
        cursor.setPosition(qBound(0, caret - static_cast<int>(leading), memo->document()->characterCount() - 1));
        memo->setTextCursor(cursor);
    } else {
        setBoxText(position, trimmed);
    }
}

void EntryForm::focusBox(int position, bool selectAll) {
    QWidget* box = m_boxes[position];
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        if (selectAll) {
            line->selectAll();
        } else {
            line->end(false);
        }
    } else if (auto* memo = static_cast<MemoBox*>(box)) {
        if (selectAll) {
            memo->selectAll();
        } else {
            memo->setCaretAtEnd();
        }
    }
    box->setFocus(Qt::OtherFocusReason);
}

EntryRecord EntryForm::boxTexts() const {
    EntryRecord record;
    for (int i = 0; i < 8; ++i) {
        record[i] = boxText(i);
    }
    return record;
}

void EntryForm::fillBoxes(const EntryRecord& record) {
    for (int i = 0; i < 8; ++i) {
        setBoxText(i, trimSpaces(record[i]));
    }
}

void EntryForm::reportError(const store::DbError& error) {
    platform::message(this, store::errorReport(error, store::ReportLines::One), platform::Icon::Information);
    platform::setArrowPointer();
}

// ------------------------------------------------------------------ load and list

void EntryForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    const QSize main = mainWindowSize();
    if (platform::pixelsToTwips(main.width()) > kCentreAboveTwips) {
        placeAt(QPoint(placement(2, 1).x(), 0));
    } else {
        placeAt(QPoint(0, 0));
    }
    Qpcls();
    platform::doEvents();
    platform::setArrowPointer();
}

store::Status EntryForm::refreshList(const QString& recordSource) {
    auto db = platform::openMainDatabase();
    if (!db) {
        return db.error();
    }
    auto list = readNames(*db, recordSource);
    if (!list) {
        return list.error();
    }
    m_recordSource = recordSource;
    m_names->setStringList(list->names);
    m_count->setText(countLabel(list->count()));
    return {};
}

void EntryForm::Qpcls() {
    platform::doEvents();
    for (int position : {kName, kComposition, kUsage, kNotes, kIndications, kEffects, kSource, kClinical}) {
        setBoxText(position, QString());
    }
    const store::Status refreshed = refreshList(kAllPrescriptions);
    platform::doEvents();
    if (!refreshed) {
        reportError(refreshed.error());
        return;
    }
    platform::setArrowPointer();
}

// ------------------------------------------------------------------ validation and the buttons

void EntryForm::SrnrJy() {
    m_inputCheck = InputCheck::Refused;
    for (int position : {kName, kIndications, kUsage, kComposition, kEffects}) {
        trimBox(position);
    }
    if (const std::optional<RequiredText> missing = firstMissingText(boxTexts())) {
        platform::message(this, QString::fromUtf16(missing->message), platform::Icon::Information);
        m_boxes[missing->position]->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (int position : {kClinical, kNotes}) {
        if (isBlank(boxText(position))) {
            setBoxText(position, QStringLiteral(" "));
        }
    }
    m_inputCheck = InputCheck::Passed;
}

std::optional<bool> EntryForm::writeRow(const std::function<store::Result<bool>(store::Database&)>& write) {
    platform::setBusyPointer();
    auto db = platform::openMainDatabase();
    if (!db) {
        reportError(db.error());
        return std::nullopt;
    }
    platform::doEvents();
    auto written = write(*db);
    if (!written) {
        reportError(written.error());
        return std::nullopt;
    }
    db->close();
    if (*written) {
        Qpcls();
    }
    return *written;
}

bool EntryForm::confirmIncompatibilities() {
    const QString question = incompatibilityQuestion(NormalizeEntryText(boxText(kComposition)));
    if (question.isEmpty() || platform::message(this, question, platform::Icon::Exclamation,
                                                platform::Buttons::YesNo) == platform::Answer::Yes) {
        return true;
    }
    focusBox(kComposition, false);
    platform::setArrowPointer();
    return false;
}

// Stores the typed prescription as a new one.
void EntryForm::CmdSave_Click() {
    SrnrJy();
    if (m_inputCheck == InputCheck::Refused || !confirmIncompatibilities()) {
        return;
    }
    const auto added = writeRow([this](store::Database& db) { return addIfNew(db, storedForm(boxTexts())); });
    if (added) {
        // A name stored already is not written again: 修改 is the way on.
        (*added ? static_cast<QWidget*>(m_name) : m_edit)->setFocus(Qt::OtherFocusReason);
        platform::setArrowPointer();
    }
}

// Stores the changes to the prescription of the name shown.
void EntryForm::Cmdedit_Click() {
    SrnrJy();
    if (m_inputCheck == InputCheck::Refused || !confirmIncompatibilities()) {
        return;
    }
    const auto updated = writeRow([this](store::Database& db) { return updateExisting(db, storedForm(boxTexts())); });
    if (updated) {
        // A name not stored yet is not written: 保存 is the way on.
        (*updated ? static_cast<QWidget*>(m_name) : m_save)->setFocus(Qt::OtherFocusReason);
        platform::setArrowPointer();
    }
}

// Deletes the prescription of the name shown, after asking.
void EntryForm::Cmddele_Click() {
    const QString name = trimSpaces(boxText(kName));
    if (!platform::ask(this, QStringLiteral("确实要删除 ") + name + QStringLiteral(" 方剂吗？"))) {
        return;
    }
    SrnrJy();
    if (m_inputCheck == InputCheck::Refused) {
        return;
    }
    if (writeRow([this](store::Database& db) { return deleteByName(db, trimSpaces(boxText(kName))); })) {
        platform::doEvents();
        m_name->setFocus(Qt::OtherFocusReason);
        platform::setArrowPointer();
    }
}

// Empties the boxes for the next prescription.
void EntryForm::Cmdqcls_Click() {
    Qpcls();
    m_name->setFocus(Qt::OtherFocusReason);
    platform::doEvents();
}

// Leaves the window and gives the main menus back.
void EntryForm::CmdQuit_Click() {
    platform::Session& session = this->session();
    m_menusGiven = true;
    unload();
    platform::doEvents();
    session.UnlockMainMenus();
}

void EntryForm::closeEvent(QCloseEvent* event) {
    platform::WorkingWindow::closeEvent(event);
    // Closed by its frame rather than 退出: the main menus come back all the same.
    if (event->isAccepted() && !m_menusGiven) {
        m_menusGiven = true;
        session().UnlockMainMenus();
    }
}

// ------------------------------------------------------------------ lookup

// Lists the prescriptions whose texts contain what the boxes hold.
void EntryForm::Cmdseek_Click() {
    for (int position : {kName, kEffects, kComposition, kSource, kUsage, kIndications, kNotes}) {
        trimBox(position);
    }
    const EntryRecord criteria = boxTexts(); // 临床治疗 is used as typed
    bool any = false;
    for (const QString& text : criteria) {
        any = any || !text.isEmpty();
    }
    if (!any) {
        platform::message(this, QStringLiteral("请输入查询条件"), platform::Icon::Information);
        m_name->setFocus(Qt::OtherFocusReason);
        return;
    }
    platform::setBusyPointer();
    const store::Status refreshed = refreshList(searchStatement(criteria));
    if (!refreshed) {
        reportError(refreshed.error());
        return;
    }
    platform::doEvents();
    if (m_names->rowCount() != 0) {
        platform::setArrowPointer();
        return;
    }
    platform::setArrowPointer();
    platform::message(this, QStringLiteral("没有符合查询条件的方剂"), platform::Icon::Information);
    Qpcls();
}

void EntryForm::ListFjmc_Click(int row) {
    if (row < 0 || row >= m_names->rowCount()) {
        return;
    }
    const QString name = trimSpaces(m_names->index(row).data().toString());
    auto db = platform::openMainDatabase();
    if (!db) {
        reportError(db.error());
        return;
    }
    auto found = seekByName(*db, name);
    if (!found) {
        reportError(found.error());
        return;
    }
    if (found->has_value()) {
        fillBoxes(**found);
    }
}

void EntryForm::lookupName() {
    const QString name = trimSpaces(boxText(kName));
    auto db = platform::openMainDatabase();
    if (!db) {
        reportError(db.error());
        return;
    }
    auto found = lookupByName(*db, name);
    if (!found) {
        reportError(found.error());
        return;
    }
    db->close();
    if (found->has_value()) {
        fillBoxes(**found);
    }
    platform::doEvents();
    platform::doEvents();
    focusBox(kComposition, true);
}

// ------------------------------------------------------------------ keyboard

// What a carriage return does in each box; true when the key is used up.
bool EntryForm::enterIn(int position) {
    const bool blank = isBlank(boxText(position));
    switch (position) {
    case kName:
        if (!blank) {
            lookupName();
        }
        return true;
    case kComposition:
        if (!boxText(kComposition).isEmpty()) {
            focusBox(kEffects, false);
        }
        return true;
    case kEffects:
        if (!blank) {
            focusBox(kIndications, false);
        }
        return true;
    case kIndications:
        if (!blank) {
            focusBox(kUsage, false);
        }
        return true;
    case kUsage:
        if (!blank) {
            focusBox(kClinical, false);
        }
        return true;
    case kClinical:
        focusBox(kNotes, false);
        return true;
    case kNotes:
        if (blank) {
            focusBox(kSource, true);
            return true;
        }
        return false; // a line break in the notes
    case kSource:
        if (!blank) {
            m_save->setFocus(Qt::OtherFocusReason);
        }
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ printing

// Prints the prescription shown through the word processor.
void EntryForm::Cmdprnt_Click() {
    platform::setBusyPointer();
    const EntryRecord record = boxTexts();
    if (!printable(record)) {
        platform::message(this, QStringLiteral("打印内容输入不完全，不能打印"), platform::Icon::None,
                          platform::Buttons::Ok, platform::kAppTitle);
        m_clear->setFocus(Qt::OtherFocusReason);
        platform::setArrowPointer();
        return;
    }
    const QDate today = platform::clock().now().date();
    const QString text = printText(record, today);
    PauseWithButtonDisabled(m_print);
    SendTextToWord(this, trimSpaces(text), trimSpaces(record[kName]));
    platform::setArrowPointer();
}

} // namespace fangji::entry
