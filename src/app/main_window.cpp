#include "main_window.h"

#include "about_form.h"

#include "admin/background_form.h"
#include "admin/backup_form.h"
#include "admin/import_form.h"
#include "admin/password_form.h"
#include "admin/profile_form.h"
#include "admin/stored_picture.h"
#include "dictionary/build_dictionaries.h"
#include "entry/entry_form.h"
#include "platform/busy.h"
#include "platform/desktop.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/working_window.h"
#include "query/query_form.h"
#include "store/result.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QTimer>

namespace fangji::app {

namespace {
// A frame in the document area that draws its own title bar when maximized.
class MaximizedFrameStyle : public QProxyStyle {
public:
    explicit MaximizedFrameStyle(QObject* owner) { setParent(owner); }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Workspace_FillSpaceOnMaximize) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// The five top menus the lock protocol switches, in its order.
const QStringList kTopMenus = {QStringLiteral("ZysjDl"), QStringLiteral("zycxll"), QStringLiteral("zyexit"),
                               QStringLiteral("XtHelp"), QStringLiteral("xtwh")};
} // namespace

void openWebAddress(QWidget* parent) {
    const QString error = platform::desktop().open(QUrl(platform::kWebAddress));
    if (!error.isEmpty()) {
        platform::message(parent, error, platform::Icon::Information);
    }
}

MainWindow::MainWindow() {
    setObjectName(QStringLiteral("MDIFlunz"));
    setWindowTitle(platform::kMainCaption);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(m_mdi);
    buildMenus();
    m_endHandler = [] { QCoreApplication::exit(0); };
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::addItem(QMenu* menu, const QString& name, const QString& caption, void (MainWindow::*slot)()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (slot != nullptr) {
        connect(a, &QAction::triggered, this, slot);
    }
    return a;
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto top = [&](const QString& name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        return m;
    };

    QMenu* entry = top(QStringLiteral("ZysjDl"), QStringLiteral("中医资料登录&D"));
    addItem(entry, QStringLiteral("ZysjDl1"), QStringLiteral("中医方剂登录"), &MainWindow::openEntry);

    QMenu* query = top(QStringLiteral("zycxll"), QStringLiteral("中医方剂查询&F"));
    addItem(query, QStringLiteral("zycxll1"), QStringLiteral("中医方剂查询"), &MainWindow::openQuery);

    QMenu* maint = top(QStringLiteral("xtwh"), QStringLiteral("系统维护&W"));
    addItem(maint, QStringLiteral("xtwh1"), QStringLiteral("系统密码维护"), &MainWindow::openPassword);
    addItem(maint, QStringLiteral("cc"), QStringLiteral("数据备份/恢复"), &MainWindow::openBackup);
    maint->addSeparator()->setObjectName(QStringLiteral("XtLine0"));
    addItem(maint, QStringLiteral("YhzlDL"), QStringLiteral("用户资料登录"), &MainWindow::openProfile);
    QAction* import =
        addItem(maint, QStringLiteral("DateSj"), QStringLiteral("导入禾枢中医数据"), &MainWindow::openImport);
    import->setVisible(false);
    import->setEnabled(false);
    maint->addSeparator()->setObjectName(QStringLiteral("Xline3"));
    QAction* params = addItem(maint, QStringLiteral("XtCssd"), QStringLiteral("系统参数设定"), nullptr);
    params->setVisible(false);
    params->setEnabled(false);
    addItem(maint, QStringLiteral("Xpict"), QStringLiteral("更换系统背景"), &MainWindow::openBackground);

    QMenu* help = top(QStringLiteral("XtHelp"), QStringLiteral("系统帮助&H"));
    addItem(help, QStringLiteral("xtxx"), QStringLiteral("关于禾枢中医门诊系统...."), &MainWindow::openAbout);
    addItem(help, QStringLiteral("linkie"), QStringLiteral("浏览禾枢中医软件"), &MainWindow::openWebsite);

    // A top-level command without items.
    QAction* exit = bar->addAction(QStringLiteral("退出系统&Q"));
    exit->setObjectName(QStringLiteral("zyexit"));
    connect(exit, &QAction::triggered, this, &MainWindow::exitCommand);
}

QAction* MainWindow::menuAction(const QString& name) const {
    const auto actions = findChildren<QAction*>(name);
    return actions.isEmpty() ? nullptr : actions.first();
}

void MainWindow::LockMainMenus() {
    for (const QString& name : kTopMenus) {
        menuAction(name)->setEnabled(false);
    }
    // A disabled menu still claims its access key (Alt+D, Alt+H, Alt+Q …), which then
    // only moves the focus to a working window's button of the same letter. With every
    // menu locked the bar itself is switched off, so the buttons' keys press them.
    menuBar()->setEnabled(false);
}

void MainWindow::UnlockMainMenus() {
    // The bar first: switching it on switches its menus on with it.
    menuBar()->setEnabled(true);
    const bool full = m_userLevel != QStringLiteral("000");
    for (const QString& name : kTopMenus) {
        const bool restrictedOk = name == QStringLiteral("zyexit") || name == QStringLiteral("xtwh");
        menuAction(name)->setEnabled(full || restrictedOk);
    }
}

void MainWindow::showWindow(QWidget* window) {
    // A window that set its own size keeps it inside its frame (a frame otherwise takes the size hint).
    const bool sized = window->testAttribute(Qt::WA_Resized);
    // At least the window's least size: the one it set, else the one its layout asks.
    QSize least = window->minimumSizeHint();
    if (window->minimumWidth() > 0) {
        least.setWidth(window->minimumWidth());
    }
    if (window->minimumHeight() > 0) {
        least.setHeight(window->minimumHeight());
    }
    const QSize wanted = window->size().expandedTo(least);
    Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // A window that can be resized can be maximized in the document area too.
    if (auto* working = qobject_cast<platform::WorkingWindow*>(window); working && working->isResizable()) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    QMdiSubWindow* frame = m_mdi->addSubWindow(window, flags);
    if (flags.testFlag(Qt::WindowMaximizeButtonHint)) {
        // Maximized, the frame keeps its own title bar with the restore and close buttons:
        // merged into the menu bar they would be switched off with it while the menus are locked.
        frame->setStyle(new MaximizedFrameStyle(frame));
    }
    if (sized) {
        // The frame's margins are its border and title bar.
        const QMargins margins = frame->contentsMargins();
        frame->resize(wanted + QSize(margins.left() + margins.right(), margins.top() + margins.bottom()));
    }
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setObjectName(window->objectName() + QStringLiteral("Frame"));
    window->show();
    frame->show();
    frame->raise();
    m_mdi->setActiveSubWindow(frame);
}

QWidget* MainWindow::findWindow(const QString& objectName) const {
    for (QMdiSubWindow* frame : m_mdi->subWindowList()) {
        if (frame->isVisible() && frame->widget() && frame->widget()->objectName() == objectName) {
            return frame->widget();
        }
    }
    return nullptr;
}

void MainWindow::setBackgroundPicture(const QImage& picture) {
    m_background = picture;
    m_mdi->setBackground(picture.isNull() ? palette().brush(QPalette::Dark) : QBrush(QPixmap::fromImage(picture)));
    m_mdi->viewport()->update();
}

void MainWindow::endProgram() {
    m_ending = true;
    if (m_endHandler) {
        m_endHandler();
    }
}

void MainWindow::loadBackground() {
    // FrmPict: the stored picture goes onto the window while it loads.
    setBackgroundPicture(admin::readStoredPicture());
    platform::doEvents();
}

void MainWindow::openWorkingWindow(const std::function<QWidget*()>& make) {
    platform::WorkingWindow::releaseUnloaded();
    platform::doEvents();
    platform::setBusyPointer();
    LockMainMenus();
    showWindow(make());
    // The window has loaded and shows: the pointer is the arrow again, whatever the load did.
    platform::setArrowPointer();
}

void MainWindow::openEntry() {
    openWorkingWindow([this] { return new entry::EntryForm(*this); });
}

void MainWindow::openQuery() {
    platform::WorkingWindow::releaseUnloaded();
    platform::doEvents();
    platform::setBusyPointer();
    LockMainMenus();
    const store::Status built = dictionary::BuildDictionaries(this);
    platform::doEvents();
    if (!built) {
        // The query window would open on broken dictionaries: report and give the menus back.
        platform::setArrowPointer();
        platform::message(this, store::errorReport(built.error(), store::ReportLines::Two),
                          platform::Icon::Information);
        UnlockMainMenus();
        return;
    }
    showWindow(new query::QueryForm(*this));
}

void MainWindow::openPassword() {
    openWorkingWindow([this] { return new admin::PasswordForm(*this); });
}
void MainWindow::openBackup() {
    openWorkingWindow([this] { return new admin::BackupForm(*this); });
}
void MainWindow::openProfile() {
    openWorkingWindow([this] { return new admin::ProfileForm(*this); });
}
void MainWindow::openImport() {
    openWorkingWindow([this] { return new admin::ImportForm(*this); });
}
void MainWindow::openBackground() {
    openWorkingWindow([this] { return new admin::BackgroundForm(*this); });
}

void MainWindow::openAbout() {
    openWorkingWindow([this] { return new AboutForm(*this); });
}

void MainWindow::openWebsite() {
    openWebAddress(this);
    platform::doEvents();
    platform::setArrowPointer();
    platform::doEvents();
}

void MainWindow::exitCommand() {
    platform::doEvents();
    const platform::Answer answer = platform::message(this, QStringLiteral("退出禾枢中医门诊系统吗?"),
                                                      platform::Icon::Question, platform::Buttons::YesNo);
    if (answer != platform::Answer::No) {
        platform::doEvents();
        endProgram();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program ends only through an explicit end; every close request is refused.
    if (m_ending) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && windowState() != Qt::WindowMaximized && !m_ending) {
        setWindowState(Qt::WindowMaximized);
        platform::doEvents();
    }
}

} // namespace fangji::app
