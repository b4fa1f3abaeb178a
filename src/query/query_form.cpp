#include "query_form.h"

#include "result_model.h"

#include "platform/box_text.h"
#include "platform/busy.h"
#include "platform/data_file.h"
#include "platform/kept_size.h"
#include "platform/key_flow.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/schema.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <future>
#include <vector>

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

// Runs work (one statement of the engine and what reads its rows) on a thread of its own and
// lets the window repaint and its timers run until it has ended. A long statement, such as the
// clean-up of the sources after a bulk add (which rewrites most of the file and syncs it) or a
// sort before the first row, then never freezes the window, not even while the engine writes.
// Input waits until the work has ended, so that no other command starts on the file meanwhile;
// the work's connection is used by nothing else while it runs.
template <typename Work> auto whilePainting(Work&& work) -> decltype(work()) {
    auto running = std::async(std::launch::async, std::forward<Work>(work));
    while (running.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return running.get();
}

// The tab control, which tells how large its pages are when it has a given size.
class PageTabs : public QTabWidget {
public:
    using QTabWidget::QTabWidget;
    QSize pageSizeAt(const QSize& size) const {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        option.rect = QRect(QPoint(0, 0), size);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).size();
    }
};

// The label of a box: a fixed size, its place in the row kLabelGap before the box.
QLabel* label(QWidget* page, const QString& text, QWidget* buddy, int width, int height = kBoxHeight) {
    auto* l = new QLabel(text, page);
    l->setBuddy(buddy);
    l->setFixedSize(twipsToPixels(width), twipsToPixels(height));
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

} // namespace

QueryForm::QueryForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmFjfd"));
    setWindowTitle(QStringLiteral("方剂查询浏览"));
    // A border that resizes, with a maximise button and no minimise button.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);

    m_effectsList = new QStringListModel(this);
    m_indicationsList = new QStringListModel(this);
    m_sourcesList = new QStringListModel(this);
    m_clinicalList = new QStringListModel(this);
    m_model = new ResultModel(this);
    m_keys = new platform::KeyFlow(this);
    m_fillTimer = new QTimer(this);
    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, &QueryForm::fillSlice);

    m_tabs = new PageTabs(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    auto* queryPage = new QWidget;
    auto* detailPage = new QWidget;
    m_tabs->addTab(queryPage, QStringLiteral("方剂查询"));
    m_tabs->addTab(detailPage, QStringLiteral("方剂具体内容"));
    const std::array<QBoxLayout*, 2> pageLayouts{buildQueryPage(queryPage), buildDetailPage(detailPage)};
    // The tab control fills the window. The pages end a margin right of and below their
    // controls such that the window's least size is its designed size: the tab strip and
    // frame take what the pages leave of it.
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(m_tabs);
    const QSize window(twipsToPixels(kWindowWidth), twipsToPixels(kWindowHeight));
    const QSize page = static_cast<PageTabs*>(m_tabs)->pageSizeAt(window);
    const QSize controls = queryPage->minimumSizeHint().expandedTo(detailPage->minimumSizeHint());
    for (QBoxLayout* layout : pageLayouts) {
        layout->setContentsMargins(0, 0, qMax(0, page.width() - controls.width()),
                                   qMax(0, page.height() - controls.height()));
    }
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
    // The export: the 导出 button and a right click on the grid offer the same two commands.
    connect(m_exportCsv, &QAction::triggered, this, [this] { exportResult(ExportFormat::Csv); });
    connect(m_exportXlsx, &QAction::triggered, this, [this] { exportResult(ExportFormat::Xlsx); });
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_exportMenu->popup(m_grid->viewport()->mapToGlobal(at)); });

    // Keys people expect beside the access keys: Ctrl+F to the first criterion, F5 runs the
    // query, Esc leaves as 退出 does.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        m_tabs->setCurrentIndex(0);
        m_name->selectAll();
        m_name->setFocus(Qt::ShortcutFocusReason);
    });
    addShortcut(QKeySequence(Qt::Key_F5), [this] {
        if (m_seek->isEnabled()) {
            m_tabs->setCurrentIndex(0);
            Cmdseek_Click();
        }
    });
    setExitButton(m_exit);

    Form_Load();
    keepSize(platform::kQueryWindowKey, QSize(twipsToPixels(kWindowWidth), twipsToPixels(kWindowHeight)));
}

QueryForm::~QueryForm() = default;

QBoxLayout* QueryForm::buildQueryPage(QWidget* page) {
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
    constexpr int kButtonH = kBoxHeight + 30;

    // Each row's widgets with their left edges in twips.
    std::array<std::vector<std::pair<QWidget*, int>>, 5> rows;
    const auto box = [&](QWidget* w, int row, int left, int width) {
        w->setFixedSize(twipsToPixels(width), twipsToPixels(kBoxHeight));
        rows[row].push_back({w, left});
    };
    const auto caption = [&](const QString& text, QWidget* buddy, int row, int boxLeft, int width) {
        QLabel* l = label(page, text, buddy, width);
        rows[row].push_back({l, boxLeft - kLabelGap - width});
    };

    m_name = new QLineEdit(page);
    m_name->setObjectName(QStringLiteral("Txtmcyc"));
    m_name->setMaxLength(20);
    caption(QStringLiteral("名称"), m_name, 0, kColumns[0] + kBoxOffset, kLabelW);
    box(m_name, 0, kColumns[0] + kBoxOffset, kBoxW);

    // The source box reaches to the end of the third column.
    m_source = criterionCombo(page, QStringLiteral("Cbofjly"), m_sourcesList);
    constexpr int kSourceLeft = kColumns[1] + kLabelGap + kSourceLabelW + kLabelGap;
    caption(QStringLiteral("方剂来源"), m_source, 0, kSourceLeft, kSourceLabelW);
    box(m_source, 0, kSourceLeft, kColumns[2] + kColumnW - kSourceLeft);

    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        m_herbs[i] = new QLineEdit(page);
        m_herbs[i]->setObjectName(QStringLiteral("TxtFjY") + n);
        caption(QStringLiteral("药材") + n, m_herbs[i], 1, kColumns[i] + kBoxOffset, kLabelW);
        box(m_herbs[i], 1, kColumns[i] + kBoxOffset, kBoxW);
    }
    const struct {
        std::array<QComboBox*, 3>* boxes;
        const char* name;
        const char* caption;
        QStringListModel* list;
        int row;
    } groups[] = {
        {&m_effects, "Cboycgx", "功效", m_effectsList, 2},
        {&m_indications, "Cboyczz", "主治", m_indicationsList, 3},
        {&m_clinical, "Cbofjlc", "临床", m_clinicalList, 4},
    };
    for (const auto& g : groups) {
        for (int i = 0; i < 3; ++i) {
            const QString n = QString::number(i + 1);
            QComboBox* combo = criterionCombo(page, QString::fromLatin1(g.name) + n, g.list);
            caption(QString::fromUtf8(g.caption) + n, combo, g.row, kColumns[i] + kBoxOffset, kLabelW);
            box(combo, g.row, kColumns[i] + kBoxOffset, kBoxW);
            (*g.boxes)[i] = combo;
        }
    }

    m_seek = platform::makeButton(page, QStringLiteral("Cmdseek"), QStringLiteral("查询&L"));
    m_clear = platform::makeButton(page, QStringLiteral("Cmdqcls"), QStringLiteral("清屏&Q"));
    m_exit = platform::makeButton(page, QStringLiteral("Cmdexit"), QStringLiteral("退出&E"));
    m_help = platform::makeButton(page, QStringLiteral("CmdHelp"), QStringLiteral("帮助&H"));
    m_export = platform::makeButton(page, QStringLiteral("CmdExport"), QStringLiteral("导出&X"));
    m_exportMenu = new QMenu(this);
    m_exportMenu->setObjectName(QStringLiteral("pupExport"));
    m_exportCsv = m_exportMenu->addAction(QStringLiteral("导出为 CSV…"));
    m_exportCsv->setObjectName(QStringLiteral("ExportCsv"));
    m_exportXlsx = m_exportMenu->addAction(QStringLiteral("导出为 Excel…"));
    m_exportXlsx->setObjectName(QStringLiteral("ExportXlsx"));
    m_export->setMenu(m_exportMenu);
    for (int row = 0; row < 3; ++row) {
        QPushButton* b = std::array{m_seek, m_clear, m_exit}[row];
        b->setFixedSize(twipsToPixels(kButtonW), twipsToPixels(kButtonH));
        rows[row].push_back({b, kButtonsLeft});
    }
    // 帮助 and 导出 share the fourth row of the column.
    constexpr int kHalfW = (kButtonW - 60) / 2;
    m_help->setFixedSize(twipsToPixels(kHalfW), twipsToPixels(kButtonH));
    m_export->setFixedSize(twipsToPixels(kButtonW - kHalfW - 60), twipsToPixels(kButtonH));
    rows[3].push_back({m_help, kButtonsLeft});
    rows[3].push_back({m_export, kButtonsLeft + kHalfW + 60});

    m_sort = new QComboBox(page);
    m_sort->setObjectName(QStringLiteral("CboFjpx"));
    m_sort->setEditable(false);
    box(m_sort, 4, kButtonsLeft, kButtonW);

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
    m_grid->setMinimumSize(twipsToPixels(kWindowWidth - 2 * kGridLeft), twipsToPixels(3975));
    m_grid->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // The criteria and the buttons keep their places; the grid below them takes the rest.
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    int y = 0;
    for (int row = 0; row < 5; ++row) {
        std::sort(rows[row].begin(), rows[row].end(), [](const auto& a, const auto& b) { return a.second < b.second; });
        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        int x = 0;
        int height = 0;
        for (const auto& [w, left] : rows[row]) {
            line->addSpacing(twipsToPixels(left) - x);
            line->addWidget(w, 0, Qt::AlignLeft | Qt::AlignTop);
            x = twipsToPixels(left) + w->width();
            height = qMax(height, w->height());
        }
        line->addStretch(1);
        layout->addSpacing(twipsToPixels(kRows[row]) - y);
        layout->addLayout(line);
        y = twipsToPixels(kRows[row]) + height;
    }
    layout->addSpacing(twipsToPixels(kGridTop) - y);
    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(0);
    gridRow->addSpacing(twipsToPixels(kGridLeft));
    gridRow->addWidget(m_grid, 1);
    layout->addLayout(gridRow, 1);
    return layout;
}

QBoxLayout* QueryForm::buildDetailPage(QWidget* page) {
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
    m_back = platform::makeButton(page, QStringLiteral("CmdCkba"), QStringLiteral("返回首页"));
    m_back->setFixedSize(twipsToPixels(1215), twipsToPixels(kBoxHeight + 30));
    // Leads to a prescription window this system does not have: never shown, never enabled.
    m_link = platform::makeButton(page, QStringLiteral("CmdLink"), QStringLiteral("导入至门诊处方"));
    m_link->setFixedSize(twipsToPixels(1455), twipsToPixels(kBoxHeight + 30));
    m_link->setVisible(false);
    m_link->setEnabled(false);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    std::vector<std::pair<QWidget*, int>> first;
    int y = 0;
    for (const auto& b : boxes) {
        QWidget* box = nullptr;
        if (b.multiLine) {
            auto* text = new QPlainTextEdit(page);
            text->setReadOnly(true);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            box = text;
            box->setMinimumSize(twipsToPixels(b.width), twipsToPixels(b.height));
            box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        } else {
            auto* line = new QLineEdit(page);
            line->setReadOnly(true);
            box = line;
            box->setFixedSize(twipsToPixels(b.width), twipsToPixels(b.height));
        }
        box->setObjectName(QString::fromLatin1(b.name));
        // A caption too wide for its label (a large font) wraps onto a second line beside a
        // multi-line box rather than running into it.
        const int labelWidth = b.multiLine ? 750 : 600;
        QLabel* l = label(page, QString::fromUtf8(b.caption), box, labelWidth, b.multiLine ? b.height : kBoxHeight);
        l->setWordWrap(true);
        if (b.multiLine) {
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        // Its size is fixed: the page's rows are not measured by the height the words wrap to
        // (set after the alignment, which would ask for that again).
        QSizePolicy fixed = l->sizePolicy();
        fixed.setHeightForWidth(false);
        l->setSizePolicy(fixed);
        m_detail[b.column] = box;
        if (!b.multiLine) {
            first.push_back({l, b.left - kLabelGap - labelWidth});
            first.push_back({box, b.left});
            continue;
        }
        if (first.size() == 4) {
            // The first row: 名称, 来源 and the page's two buttons.
            first.push_back({m_back, 8880});
            first.push_back({m_link, 10200});
            layout->addSpacing(twipsToPixels(600 + kTop));
            auto* line = new QHBoxLayout;
            line->setSpacing(0);
            int x = 0;
            for (const auto& [w, left] : first) {
                line->addSpacing(twipsToPixels(left) - x);
                line->addWidget(w, 0, Qt::AlignLeft | Qt::AlignTop);
                x = twipsToPixels(left) + w->width();
            }
            line->addStretch(1);
            layout->addLayout(line);
            y = twipsToPixels(600 + kTop) + m_back->height();
            first.clear();
        }
        // A multi-line box beside its label, taking its share of what the page grows by.
        layout->addSpacing(twipsToPixels(b.top + kTop) - y);
        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        line->addSpacing(twipsToPixels(b.left - kLabelGap - labelWidth));
        line->addWidget(l, 0, Qt::AlignLeft | Qt::AlignTop);
        line->addSpacing(twipsToPixels(b.left) - twipsToPixels(b.left - kLabelGap - labelWidth) - l->width());
        if (b.column == store::ColComposition) {
            line->addLayout(withWarningLine(box), 1);
        } else {
            line->addWidget(box, 1);
        }
        layout->addLayout(line, twipsToPixels(b.height));
        y = twipsToPixels(b.top + kTop) + twipsToPixels(b.height);
    }
    return layout;
}

QBoxLayout* QueryForm::withWarningLine(QWidget* composition) {
    // The line stands at the foot of the composition box, so that the warning stands by what
    // it is about, and shows only when there is a warning: then it takes its height (and a
    // third of a character that keeps it clear of the box) from the box.
    m_warning = new QLabel(composition->parentWidget());
    m_warning->setObjectName(QStringLiteral("LabPwjj"));
    m_warning->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = m_warning->palette();
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    m_warning->setPalette(palette);
    const QFontMetrics metrics = m_warning->fontMetrics();
    const int height = metrics.height() + 2;
    const int gap = qMax(4, (metrics.horizontalAdvance(QChar(0x4e2d)) + 2) / 3) + 1;
    m_warning->setFixedHeight(height);
    m_warning->hide();
    composition->setMinimumHeight(qMax(height, composition->minimumHeight() - height - gap));
    auto* column = new QVBoxLayout;
    column->setSpacing(gap);
    column->addWidget(composition, 1);
    column->addWidget(m_warning);
    return column;
}

void QueryForm::wireKeys() {
    using C = platform::KeyFlow::Condition;
    using A = platform::KeyFlow::Arrival;
    auto rule = [](QWidget* target, C condition, A arrival) {
        platform::KeyFlow::Rule r;
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
    platform::KeyFlow::Rule fromNotes = rule(source, C::NotBlank, A::SelectAll);
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
    platform::message(this, store::errorReport(error, store::ReportLines::One), platform::Icon::Information);
}

void QueryForm::showRows(GridRows rows) {
    m_model->setRows(std::move(rows));
    // The grid keeps its scroll position across a reset; a new listing starts at its top.
    m_grid->scrollToTop();
    if (m_model->rowCount() > 0) {
        m_grid->selectionModel()->setCurrentIndex(m_model->index(0, 0), QItemSelectionModel::NoUpdate);
    }
}

// Runs the query of the criteria typed and lists the matching prescriptions in the grid.
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
    auto db = platform::openMainDatabase();
    if (!db) {
        showError(db.error());
        return;
    }
    platform::doEvents();
    const Criteria typed = criteria();
    if (store::Status s = storeScratchQuery(*db, buildQueryStatement(typed, m_sort->currentText())); !s) {
        showError(s.error());
        return;
    }
    // One statement, read once: the rows that show whether anything matched are the rows listed.
    const QString statement = readingStatement(typed, m_sort->currentText());
    auto shown = startFill(std::move(db).value(), statement);
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
    m_listing = statement;
    platform::setArrowPointer();
}

store::Status QueryForm::msfgridfjcx() {
    cancelFill();
    auto db = platform::openMainDatabase();
    if (!db) {
        return db.error();
    }
    auto shown = startFill(std::move(db).value());
    if (!shown) {
        return shown.error();
    }
    return {};
}

store::Result<bool> QueryForm::startFill(store::Database db, const QString& nameOrSql) {
    auto reader = GridReader::open(std::move(db), nameOrSql);
    if (!reader) {
        return reader.error();
    }
    auto fill = std::make_unique<GridReader>(std::move(reader).value());
    GridRows first;
    const store::Result<bool> done = whilePainting([&] { return fill->read(first, kSliceMs); });
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

// Empties the criteria and lists every prescription again.
void QueryForm::Cmdqcls_Click() {
    Qpcls();
    platform::doEvents();
}

void QueryForm::reloadLists() {
    auto db = platform::openMainDatabase();
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
        platform::setBoxText(m_detail[column], QString());
    }
    m_warning->clear();
    m_warning->hide();
    platform::doEvents();
}

void QueryForm::MsfgridAdd() {
    cancelFill();
    auto db = platform::openMainDatabase();
    if (!db) {
        showError(db.error());
        return;
    }
    const QString sortText = m_sort->currentText();
    const store::Status prepared = whilePainting([&] { return prepareFullListing(*db, sortText); });
    if (!prepared) {
        showError(prepared.error());
        return;
    }
    auto shown = startFill(std::move(db).value());
    if (!shown) {
        showError(shown.error());
        return;
    }
    m_listing = fullListingStatement(m_sort->currentText());
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
    auto db = platform::openMainDatabase();
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
        platform::setBoxText(m_detail[c], texts[c]);
    }
    m_warning->setText(incompatibilityWarning(texts[store::ColComposition]));
    m_warning->setVisible(!m_warning->text().isEmpty());
    m_tabs->setCurrentIndex(1);
}

// Goes back from the detail page to the query page.
void QueryForm::CmdCkba_Click() {
    QpcFj();
    m_tabs->setCurrentIndex(0);
}

// Leaves the window and gives the main menus back.
void QueryForm::Cmdexit_Click() {
    WriteColW();
    platform::Session& s = session();
    unload();
    platform::doEvents();
    platform::doEvents();
    s.UnlockMainMenus();
}

// Lists the result again in the order chosen.
void QueryForm::CboFjpx_Click() {
    Cmdseek_Click();
}

// Says that the system has no help on the query window.
void QueryForm::CmdHelp_Click() {
    // The help topic "F-J" has no help window in this system.
    setEnabled(false);
    platform::message(this, QStringLiteral("本系统没有提供帮助。"), platform::Icon::Information);
    setEnabled(true);
}

namespace {
// The folder the last export went to.
QString& lastExportFolder() {
    static QString folder;
    return folder;
}
} // namespace

QString QueryForm::exportFolder() const {
    const QString& last = lastExportFolder();
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void QueryForm::exportResult(ExportFormat format) {
    // The rows of the result still being read belong to it.
    finishFill();
    const bool csv = format == ExportFormat::Csv;
    const QString suffix = csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    QString path = platform::prompts().saveFile(
        this, csv ? QStringLiteral("导出为 CSV") : QStringLiteral("导出为 Excel"),
        QDir(exportFolder()).filePath(QStringLiteral("方剂查询结果") + suffix),
        csv ? QStringLiteral("CSV 文件(*.csv)|*.csv") : QStringLiteral("Excel 工作簿(*.xlsx)|*.xlsx"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(suffix, Qt::CaseInsensitive)) {
        path += suffix;
    }
    const int rows = m_model->rowCount();
    QProgressDialog progress(QStringLiteral("正在导出 %1 个方剂…").arg(rows), QStringLiteral("停止"), 0, qMax(rows, 1),
                             this);
    progress.setObjectName(QStringLiteral("FrmExport"));
    progress.setWindowTitle(QStringLiteral("导出"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setValue(0);
    platform::setBusyPointer();
    store::Result<ExportOutcome> outcome = store::DbError{kExportRefused, QString()};
    if (auto db = platform::openMainDatabase(); !db) {
        outcome = db.error();
    } else {
        ExportOptions options;
        options.gridWidths = columnWidths();
        options.shown = &m_model->rows();
        options.progress = [&progress](qint64 written) {
            progress.setValue(static_cast<int>(written)); // lets the window's messages run
            return !progress.wasCanceled();
        };
        bool finishing = false;
        options.finishing = [&progress, &finishing] {
            if (!finishing) {
                // Past the last row the export cannot be stopped: the bar turns into a busy bar.
                finishing = true;
                progress.setLabelText(QStringLiteral("正在写完文件…"));
                progress.setCancelButton(nullptr);
                progress.setRange(0, 0);
            }
            QCoreApplication::processEvents();
        };
        outcome = exportRows(*db, m_listing, format, path, options);
    }
    progress.reset();
    platform::setArrowPointer();
    if (!outcome) {
        platform::message(this, exportFailureText(outcome.error()), platform::Icon::Information);
        return;
    }
    if (outcome->stopped) {
        return; // no file was written
    }
    lastExportFolder() = QFileInfo(path).absolutePath();
    platform::message(this,
                      QStringLiteral("已导出 %1 个方剂到 %2").arg(outcome->rows).arg(QDir::toNativeSeparators(path)),
                      platform::Icon::Information);
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
    if (auto db = platform::openMainDatabase()) {
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
    if (auto db = platform::openMainDatabase()) {
        (void)writeColumnWidths(*db, columnWidths());
    }
}

} // namespace fangji::query
