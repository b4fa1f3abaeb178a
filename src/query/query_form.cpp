#include "query_form.h"

#include "key_flow.h"
#include "result_model.h"

#include "platform/busy.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/schema.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <sqlite3.h>

namespace fangji::query {

namespace {

using platform::twipsToPixels;

// Client area of the window, in twips.
constexpr int kWindowWidth = 11775;
constexpr int kWindowHeight = 7185;
// Wider main windows centre the query window.
constexpr int kCentreAbove = 12120;
// The tab strip takes this much of the tab control's height.
constexpr int kTabStrip = 360;
constexpr int kHeaderRowHeight = 300;
constexpr int kDataRowHeight = 400;
constexpr int kBoxHeight = 330;
// Between a label and the box it names, and between a label and the box before it on its row:
// about half a character, so that no caption runs into a box.
constexpr int kLabelGap = 90;

// A slice of a listing is read for this long before the window handles its events again;
// the first slice is what the grid shows first.
constexpr qint64 kSliceMs = 40;

// While one statement of the engine runs long (the clean-up of the sources, a sort before the
// first row), the window still repaints and its timers run; input waits until the statement
// has ended, so that no other command starts on the file meanwhile.
class KeepPainting {
public:
    explicit KeepPainting(store::Database& db) : m_db(db.handle()) {
        m_clock.start();
        sqlite3_progress_handler(m_db, 4000, &KeepPainting::tick, this);
    }
    ~KeepPainting() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    KeepPainting(const KeepPainting&) = delete;
    KeepPainting& operator=(const KeepPainting&) = delete;

private:
    static int tick(void* self) {
        auto* keep = static_cast<KeepPainting*>(self);
        if (keep->m_clock.elapsed() >= kSliceMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            keep->m_clock.restart();
        }
        return 0;
    }

    sqlite3* m_db;
    QElapsedTimer m_clock;
};

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// The label of a box, ending kLabelGap before the box's left edge.
QLabel* label(QWidget* page, const QString& text, QWidget* buddy, int boxLeft, int top, int width,
              int height = kBoxHeight) {
    auto* l = new QLabel(text, page);
    l->setBuddy(buddy);
    place(l, boxLeft - kLabelGap - width, top, width, height);
    return l;
}

QComboBox* criterionCombo(QWidget* page, const QString& name, QStringListModel* list) {
    auto* c = new QComboBox(page);
    c->setObjectName(name);
    c->setEditable(true);
    // The text is what the user typed or picked, nothing completed or added.
    c->setCompleter(nullptr);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(4);
    if (auto* view = qobject_cast<QListView*>(c->view())) {
        view->setUniformItemSizes(true);
    }
    c->setModel(list);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    return c;
}

QPushButton* button(QWidget* page, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, page);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QueryForm::QueryForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmFjfd"));
    setWindowTitle(QStringLiteral("方剂查询浏览"));
    // A fixed dialog border without maximise and minimise buttons.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    setFixedSize(twipsToPixels(kWindowWidth), twipsToPixels(kWindowHeight));

    m_effectsList = new QStringListModel(this);
    m_indicationsList = new QStringListModel(this);
    m_sourcesList = new QStringListModel(this);
    m_clinicalList = new QStringListModel(this);
    m_model = new ResultModel(this);
    m_keys = new KeyFlow(this);
    m_fillTimer = new QTimer(this);
    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, &QueryForm::fillSlice);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setGeometry(0, 0, width(), height());
    auto* queryPage = new QWidget;
    auto* detailPage = new QWidget;
    m_tabs->addTab(queryPage, QStringLiteral("方剂查询"));
    m_tabs->addTab(detailPage, QStringLiteral("方剂具体内容"));
    buildQueryPage(queryPage);
    buildDetailPage(detailPage);
    buildWarningLine();
    wireKeys();

    connect(m_seek, &QPushButton::clicked, this, &QueryForm::Cmdseek_Click);
    connect(m_clear, &QPushButton::clicked, this, &QueryForm::Cmdqcls_Click);
    connect(m_exit, &QPushButton::clicked, this, &QueryForm::Cmdexit_Click);
    connect(m_help, &QPushButton::clicked, this, &QueryForm::CmdHelp_Click);
    connect(m_back, &QPushButton::clicked, this, &QueryForm::CmdCkba_Click);
    connect(m_sort, &QComboBox::activated, this, [this](int) { CboFjpx_Click(); });
    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex& index) { MSFGrid_Click(index.row()); });
    // A click on the header row looks up the header's own text, as a click on a cell would.
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int) { showDetailFor(trimBlanks(m_model->headerText(0))); });

    Form_Load();
}

QueryForm::~QueryForm() = default;

void QueryForm::buildQueryPage(QWidget* page) {
    // Three columns of criteria, each a label and its box; the buttons to the right. A column's
    // label starts a gap into the column, well clear of the box that ends the column before.
    constexpr int kLabelW = 660;
    constexpr int kColumns[3] = {120, 3180, 6240};
    constexpr int kColumnW = 3000;
    constexpr int kBoxOffset = kLabelGap + kLabelW + kLabelGap;
    constexpr int kBoxW = kColumnW - kBoxOffset;
    constexpr int kSourceLabelW = 900;
    constexpr int kRows[5] = {120, 600, 1080, 1560, 2040};
    constexpr int kButtonsLeft = 9660;
    constexpr int kButtonW = 1455;

    m_name = new QLineEdit(page);
    m_name->setObjectName(QStringLiteral("Txtmcyc"));
    m_name->setMaxLength(20);
    place(m_name, kColumns[0] + kBoxOffset, kRows[0], kBoxW, kBoxHeight);
    label(page, QStringLiteral("名称"), m_name, kColumns[0] + kBoxOffset, kRows[0], kLabelW);

    // The source box reaches to the end of the third column.
    m_source = criterionCombo(page, QStringLiteral("Cbofjly"), m_sourcesList);
    constexpr int kSourceLeft = kColumns[1] + kLabelGap + kSourceLabelW + kLabelGap;
    place(m_source, kSourceLeft, kRows[0], kColumns[2] + kColumnW - kSourceLeft, kBoxHeight);
    label(page, QStringLiteral("方剂来源"), m_source, kSourceLeft, kRows[0], kSourceLabelW);

    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        m_herbs[i] = new QLineEdit(page);
        m_herbs[i]->setObjectName(QStringLiteral("TxtFjY") + n);
        place(m_herbs[i], kColumns[i] + kBoxOffset, kRows[1], kBoxW, kBoxHeight);
        label(page, QStringLiteral("药材") + n, m_herbs[i], kColumns[i] + kBoxOffset, kRows[1], kLabelW);
    }
    const struct {
        std::array<QComboBox*, 3>* boxes;
        const char* name;
        const char* caption;
        QStringListModel* list;
        int row;
    } groups[] = {
        {&m_effects, "Cboycgx", "功效", m_effectsList, kRows[2]},
        {&m_indications, "Cboyczz", "主治", m_indicationsList, kRows[3]},
        {&m_clinical, "Cbofjlc", "临床", m_clinicalList, kRows[4]},
    };
    for (const auto& g : groups) {
        for (int i = 0; i < 3; ++i) {
            const QString n = QString::number(i + 1);
            QComboBox* box = criterionCombo(page, QString::fromLatin1(g.name) + n, g.list);
            place(box, kColumns[i] + kBoxOffset, g.row, kBoxW, kBoxHeight);
            label(page, QString::fromUtf8(g.caption) + n, box, kColumns[i] + kBoxOffset, g.row, kLabelW);
            (*g.boxes)[i] = box;
        }
    }

    m_seek = button(page, QStringLiteral("Cmdseek"), QStringLiteral("查询&L"));
    m_clear = button(page, QStringLiteral("Cmdqcls"), QStringLiteral("清屏&Q"));
    m_exit = button(page, QStringLiteral("Cmdexit"), QStringLiteral("退出&E"));
    m_help = button(page, QStringLiteral("CmdHelp"), QStringLiteral("帮助&H"));
    place(m_seek, kButtonsLeft, kRows[0], kButtonW, kBoxHeight + 30);
    place(m_clear, kButtonsLeft, kRows[1], kButtonW, kBoxHeight + 30);
    place(m_exit, kButtonsLeft, kRows[2], kButtonW, kBoxHeight + 30);
    place(m_help, kButtonsLeft, kRows[3], kButtonW, kBoxHeight + 30);

    m_sort = new QComboBox(page);
    m_sort->setObjectName(QStringLiteral("CboFjpx"));
    m_sort->setEditable(false);
    place(m_sort, kButtonsLeft, kRows[4], kButtonW, kBoxHeight);

    m_grid = new QTableView(page);
    m_grid->setObjectName(QStringLiteral("MSFGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setFixedHeight(twipsToPixels(kHeaderRowHeight));
    // Rows keep one height unless the user drags one; no row is measured for its contents.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->verticalHeader()->setMinimumSectionSize(1);
    m_grid->verticalHeader()->setDefaultSectionSize(twipsToPixels(kDataRowHeight));
    m_grid->verticalHeader()->setFixedWidth(twipsToPixels(180));
    constexpr int kGridLeft = 240;
    constexpr int kGridTop = 2880 - kTabStrip;
    place(m_grid, kGridLeft, kGridTop, kWindowWidth - 2 * kGridLeft, 3975);
}

void QueryForm::buildDetailPage(QWidget* page) {
    constexpr int kTop = -kTabStrip;
    const struct {
        int column;
        const char* name;
        const char* caption;
        bool multiLine;
        int left, top, width, height;
    } boxes[] = {
        {store::ColName, "TxtFjmc", "名称", false, 900, 600, 2955, kBoxHeight},
        {store::ColSource, "TxtFjly", "来源", false, 4650, 600, 4005, kBoxHeight},
        {store::ColComposition, "TxtFjgc", "方剂构成", true, 900, 1080, 10635, 1095},
        {store::ColEffects, "TxtFjgx", "方剂功效", true, 900, 2280, 10635, 735},
        {store::ColIndications, "TxtFjzz", "方剂主治", true, 900, 3120, 10635, 735},
        {store::ColUsage, "TxtFjyf", "方剂用法", true, 900, 3960, 10635, 735},
        {store::ColClinical, "TxtFjyy", "临床治疗", true, 900, 4800, 10635, 735},
        {store::ColNotes, "TxtFjlc", "应用心得", true, 900, 5640, 10635, 1215},
    };
    for (const auto& b : boxes) {
        QWidget* box = nullptr;
        if (b.multiLine) {
            auto* text = new QPlainTextEdit(page);
            text->setReadOnly(true);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            box = text;
        } else {
            auto* line = new QLineEdit(page);
            line->setReadOnly(true);
            box = line;
        }
        box->setObjectName(QString::fromLatin1(b.name));
        place(box, b.left, b.top + kTop, b.width, b.height);
        // A caption too wide for its label (a large font) wraps onto a second line beside a
        // multi-line box rather than running into it.
        const int labelWidth = b.multiLine ? 750 : 600;
        QLabel* l = label(page, QString::fromUtf8(b.caption), box, b.left, b.top + kTop, labelWidth,
                          b.multiLine ? b.height : kBoxHeight);
        l->setWordWrap(true);
        if (b.multiLine) {
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        m_detail[b.column] = box;
    }
    m_back = button(page, QStringLiteral("CmdCkba"), QStringLiteral("返回首页"));
    place(m_back, 8880, 600 + kTop, 1215, kBoxHeight + 30);
    // Leads to a prescription window this system does not have: never shown, never enabled.
    m_link = button(page, QStringLiteral("CmdLink"), QStringLiteral("导入至门诊处方"));
    place(m_link, 10200, 600 + kTop, 1455, kBoxHeight + 30);
    m_link->setVisible(false);
    m_link->setEnabled(false);
}

void QueryForm::buildWarningLine() {
    // The line takes the foot of the composition box, so that the warning stands by what it is
    // about; a third of a character keeps it clear of the box.
    QWidget* composition = m_detail[store::ColComposition];
    m_warning = new QLabel(composition->parentWidget());
    m_warning->setObjectName(QStringLiteral("LabPwjj"));
    m_warning->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = m_warning->palette();
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    m_warning->setPalette(palette);
    const QFontMetrics metrics = m_warning->fontMetrics();
    const int height = metrics.height() + 2;
    const int gap = qMax(4, (metrics.horizontalAdvance(QChar(0x4e2d)) + 2) / 3) + 1;
    const QRect box = composition->geometry();
    composition->setGeometry(box.adjusted(0, 0, 0, -(height + gap)));
    m_warning->setGeometry(box.x(), box.bottom() + 1 - height, box.width(), height);
}

void QueryForm::wireKeys() {
    using C = KeyFlow::Condition;
    using A = KeyFlow::Arrival;
    auto rule = [](QWidget* target, C condition, A arrival) {
        KeyFlow::Rule r;
        r.target = target;
        r.condition = condition;
        r.arrival = arrival;
        return r;
    };
    m_keys->add(m_name, rule(m_source, C::NotEmpty, A::Plain));
    m_keys->add(m_source, rule(m_herbs[0], C::NotEmpty, A::SelectAll));
    m_keys->add(m_herbs[0], rule(m_herbs[1], C::Always, A::SelectAll));
    m_keys->add(m_herbs[1], rule(m_herbs[2], C::Always, A::SelectAll));
    m_keys->add(m_herbs[2], rule(m_effects[0], C::Always, A::SelectAll));
    m_keys->add(m_effects[0], rule(m_effects[1], C::NotEmpty, A::Plain));
    m_keys->add(m_effects[1], rule(m_effects[2], C::NotEmpty, A::Plain));
    m_keys->add(m_effects[2], rule(m_indications[0], C::NotEmpty, A::Plain));
    m_keys->add(m_indications[0], rule(m_indications[1], C::NotEmpty, A::Plain));
    m_keys->add(m_indications[1], rule(m_indications[2], C::NotEmpty, A::Plain));
    m_keys->add(m_indications[2], rule(m_seek, C::NotEmpty, A::Plain));

    // The detail boxes, read-only, still move the focus along.
    QWidget* const name = m_detail[store::ColName];
    QWidget* const composition = m_detail[store::ColComposition];
    QWidget* const effects = m_detail[store::ColEffects];
    QWidget* const indications = m_detail[store::ColIndications];
    QWidget* const usage = m_detail[store::ColUsage];
    QWidget* const notes = m_detail[store::ColNotes];
    QWidget* const source = m_detail[store::ColSource];
    m_keys->add(name, rule(composition, C::NotBlank, A::SelectAll));
    m_keys->add(composition, rule(effects, C::NotBlank, A::SelectAll));
    m_keys->add(effects, rule(indications, C::NotBlank, A::SelectAll));
    m_keys->add(indications, rule(usage, C::NotBlank, A::SelectAll));
    m_keys->add(usage, rule(notes, C::NotBlank, A::CaretEnd));
    KeyFlow::Rule fromNotes = rule(source, C::NotBlank, A::SelectAll);
    fromNotes.discardReturn = false;
    fromNotes.emptyBlankText = true;
    m_keys->add(notes, fromNotes);
    // The source box is the last of the chain: Enter goes on to 返回首页.
    m_keys->add(source, rule(m_back, C::NotBlank, A::Plain));
    m_keys->selectAllOnFocus(source);
}

void QueryForm::Form_Load() {
    // The list sources and the grid are set up in the constructor; the widths come first.
    ReadColW();
    Qpcls();
    platform::doEvents();
    m_sort->clear();
    m_sort->addItem(kSortByName);
    m_sort->addItem(kSortByEffects);
    m_sort->setCurrentIndex(0);
    CboFjpx_Click();
    platform::doEvents();
}

void QueryForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    const int mainWidth = platform::pixelsToTwips(mainWindowSize().width());
    if (mainWidth > kCentreAbove) {
        placeAt(QPoint(placement(2, 1).x(), 0));
    } else {
        placeAt(QPoint(0, 0));
    }
}

void QueryForm::closeEvent(QCloseEvent* event) {
    platform::WorkingWindow::closeEvent(event);
    if (!event->isAccepted() || isUnloading()) {
        return;
    }
    // Closed by its close box: keep the widths and give the menus back, as 退出 does.
    WriteColW();
    session().UnlockMainMenus();
}

Criteria QueryForm::criteria() const {
    Criteria c;
    c.name = m_name->text();
    c.source = m_source->currentText();
    for (int i = 0; i < 3; ++i) {
        c.herbs[i] = m_herbs[i]->text();
        c.effects[i] = m_effects[i]->currentText();
        c.indications[i] = m_indications[i]->currentText();
        c.clinical[i] = m_clinical[i]->currentText();
    }
    return c;
}

void QueryForm::showError(const store::DbError& error) {
    platform::setArrowPointer();
    platform::message(this, store::errorReport(error, false), platform::Icon::Information);
}

void QueryForm::showRows(GridRows rows) {
    m_model->setRows(std::move(rows));
    // The grid keeps its scroll position across a reset; a new listing starts at its top.
    m_grid->scrollToTop();
    if (m_model->rowCount() > 0) {
        m_grid->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    }
}

void QueryForm::Cmdseek_Click() {
    // The user sees the trimmed texts.
    for (QLineEdit* box : {m_name, m_herbs[0], m_herbs[1], m_herbs[2]}) {
        box->setText(trimBlanks(box->text()));
    }
    for (QComboBox* box : {m_effects[0], m_effects[1], m_effects[2], m_indications[0], m_indications[1],
                           m_indications[2], m_source, m_clinical[0], m_clinical[1], m_clinical[2]}) {
        box->setEditText(trimBlanks(box->currentText()));
    }
    cancelFill();
    platform::setBusyPointer();
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        showError(db.error());
        return;
    }
    platform::doEvents();
    if (store::Status s = storeScratchQuery(*db, buildQueryStatement(criteria(), m_sort->currentText())); !s) {
        showError(s.error());
        return;
    }
    // One statement, read once: the rows that show whether anything matched are the rows listed.
    auto shown = startFill(std::move(db).value());
    if (!shown) {
        showError(shown.error());
        return;
    }
    if (!*shown) {
        platform::setArrowPointer();
        platform::message(this, QStringLiteral("查询条件输入错误。"), platform::Icon::Information);
        Qpcls();
        platform::setArrowPointer();
        return;
    }
    platform::setArrowPointer();
}

store::Status QueryForm::msfgridfjcx() {
    cancelFill();
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        return db.error();
    }
    auto shown = startFill(std::move(db).value());
    if (!shown) {
        return shown.error();
    }
    return {};
}

store::Result<bool> QueryForm::startFill(store::Database db) {
    auto reader = GridReader::open(std::move(db));
    if (!reader) {
        return reader.error();
    }
    auto fill = std::make_unique<GridReader>(std::move(reader).value());
    GridRows first;
    store::Result<bool> done = false;
    {
        KeepPainting painting(fill->database());
        done = fill->read(first, kSliceMs);
    }
    if (!done) {
        return done.error();
    }
    if (!first.hasContent()) {
        return false;
    }
    platform::doEvents();
    showRows(std::move(first));
    if (!*done) {
        m_fill = std::move(fill);
        m_fillTimer->start();
    }
    return true;
}

void QueryForm::fillSlice() {
    if (m_fill == nullptr) {
        return;
    }
    GridRows slice;
    auto done = m_fill->read(slice, kSliceMs);
    if (!done) {
        // The rows read so far stay.
        m_fill.reset();
        showError(done.error());
        return;
    }
    m_model->appendRows(slice);
    if (*done) {
        m_fill.reset();
    } else {
        m_fillTimer->start();
    }
}

void QueryForm::finishFill() {
    while (m_fill != nullptr) {
        fillSlice();
    }
    m_fillTimer->stop();
}

void QueryForm::cancelFill() {
    m_fillTimer->stop();
    m_fill.reset();
}

void QueryForm::Cmdqcls_Click() {
    Qpcls();
    platform::doEvents();
}

void QueryForm::reloadLists() {
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        return;
    }
    auto lists = readListSources(*db);
    if (!lists) {
        return;
    }
    m_effectsList->setStringList(lists->effects);
    m_indicationsList->setStringList(lists->indications);
    m_sourcesList->setStringList(lists->sources);
    m_clinicalList->setStringList(lists->clinical);
}

void QueryForm::Qpcls() {
    reloadLists();
    platform::doEvents();
    m_name->clear();
    for (QComboBox* box : {m_source, m_effects[0], m_effects[1], m_effects[2], m_indications[0], m_indications[1],
                           m_indications[2], m_clinical[0], m_clinical[1], m_clinical[2]}) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    for (QLineEdit* box : m_herbs) {
        box->clear();
    }
    QpcFj();
    platform::doEvents();
    MsfgridAdd();
    platform::doEvents();
    m_link->setEnabled(false);
    m_tabs->setCurrentIndex(0);
    platform::setArrowPointer();
}

void QueryForm::QpcFj() {
    constexpr int kOrder[] = {store::ColName,  store::ColComposition, store::ColEffects, store::ColIndications,
                              store::ColUsage, store::ColNotes,       store::ColSource,  store::ColClinical};
    for (int column : kOrder) {
        KeyFlow::setTextOf(m_detail[column], QString());
    }
    m_warning->clear();
    platform::doEvents();
}

void QueryForm::MsfgridAdd() {
    cancelFill();
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        showError(db.error());
        return;
    }
    store::Status prepared;
    {
        KeepPainting painting(*db);
        prepared = prepareFullListing(*db, m_sort->currentText());
    }
    if (!prepared) {
        showError(prepared.error());
        return;
    }
    auto shown = startFill(std::move(db).value());
    if (!shown) {
        showError(shown.error());
        return;
    }
    if (!*shown) {
        // Header only, no message.
        m_model->clear();
        m_grid->scrollToTop();
        return;
    }
    platform::setArrowPointer();
}

void QueryForm::MSFGrid_Click(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    m_grid->setCurrentIndex(m_model->index(row, 0));
    const QString name = trimBlanks(m_model->text(row, 0));
    if (name.isEmpty()) {
        platform::message(this, QStringLiteral("未有要查询的方剂"), platform::Icon::Information);
        return;
    }
    showDetailFor(name);
}

void QueryForm::showDetailFor(const QString& name) {
    auto db = store::Database::open(platform::databasePath(), store::kMainConnect);
    if (!db) {
        showError(db.error());
        return;
    }
    platform::doEvents();
    auto found = lookupDetail(*db, name);
    if (!found) {
        showError(found.error());
        return;
    }
    if (!found->has_value()) {
        return;
    }
    platform::doEvents();
    const DetailTexts& texts = **found;
    for (int c = 0; c < store::PrescriptionColumnCount; ++c) {
        KeyFlow::setTextOf(m_detail[c], texts[c]);
    }
    m_warning->setText(incompatibilityWarning(texts[store::ColComposition]));
    m_tabs->setCurrentIndex(1);
}

void QueryForm::CmdCkba_Click() {
    QpcFj();
    m_tabs->setCurrentIndex(0);
}

void QueryForm::Cmdexit_Click() {
    WriteColW();
    platform::Session& s = session();
    unload();
    platform::doEvents();
    platform::doEvents();
    s.UnlockMainMenus();
}

void QueryForm::CboFjpx_Click() {
    Cmdseek_Click();
}

void QueryForm::CmdHelp_Click() {
    // The help topic "F-J" has no help window in this system.
    setEnabled(false);
    platform::message(this, QStringLiteral("本系统没有提供帮助。"), platform::Icon::Information);
    setEnabled(true);
}

ColumnWidths QueryForm::columnWidths() const {
    ColumnWidths twips{};
    for (int c = 0; c < static_cast<int>(twips.size()); ++c) {
        const int pixels = m_grid->horizontalHeader()->sectionSize(c);
        // A column left as it was read keeps its exact stored width.
        twips[c] = pixels == twipsToPixels(m_readTwips[c]) ? m_readTwips[c] : platform::pixelsToTwips(pixels);
    }
    return twips;
}

void QueryForm::setColumnWidths(const ColumnWidths& twips) {
    m_readTwips = twips;
    for (int c = 0; c < static_cast<int>(twips.size()); ++c) {
        m_grid->horizontalHeader()->resizeSection(c, qMax(0, twipsToPixels(twips[c])));
    }
}

void QueryForm::ReadColW() {
    ColumnWidths widths = kDefaultColumnWidths;
    if (auto db = store::Database::open(platform::databasePath(), store::kMainConnect)) {
        platform::doEvents();
        widths = readColumnWidths(*db, columnWidths());
    }
    m_grid->horizontalHeader()->setFixedHeight(twipsToPixels(kHeaderRowHeight));
    setColumnWidths(widths);
}

void QueryForm::WriteColW() {
    // The file is written: a listing still being read lets go of it first.
    cancelFill();
    // Errors here are silent: the widths are a convenience.
    if (auto db = store::Database::open(platform::databasePath(), store::kMainConnect)) {
        (void)writeColumnWidths(*db, columnWidths());
    }
}

} // namespace fangji::query
