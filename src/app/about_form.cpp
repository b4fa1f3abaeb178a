#include "about_form.h"

#include "main_window.h"

#include "platform/busy.h"
#include "platform/product.h"
#include "platform/session.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace fangji::app {

namespace {
const QString kDescription = QStringLiteral(
    "中医方剂是中医临床用药的精华，历代医家以君臣佐使配伍成方，治法与方药相承，"
    "流传至今的经典方剂凝聚了千百年的临床经验。\n\n"
    "本软件为医生和门诊收集、整理与查询中医方剂而设计：登录方剂的构成、功效、主治、用法、来源与临床应用，"
    "按多项条件组合查询，浏览方剂的具体内容，并可编辑打印，帮助医生在临床中快速找到合适的方剂。");
} // namespace

AboutForm::AboutForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 ") + platform::kProductName);
    setMouseTracking(true);

    m_title = new QLabel(platform::kProductName, this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_version = new QLabel(QStringLiteral("版本 %1.%2%3")
                               .arg(platform::kVersionMajor)
                               .arg(platform::kVersionMinor)
                               .arg(platform::kVersionRevision),
                           this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_description = new QLabel(kDescription, this);
    m_description->setObjectName(QStringLiteral("lblDescription"));
    m_description->setWordWrap(true);
    m_description->setMouseTracking(true);
    m_link = new QLabel(QStringLiteral("察看一下禾枢软件新品"), this);
    m_link->setObjectName(QStringLiteral("Label1"));
    m_link->setMouseTracking(true);
    m_link->installEventFilter(this);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    setLinkHovered(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_version);
    layout->addWidget(m_description, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_link);
    bottom->addStretch();
    bottom->addWidget(m_ok);
    layout->addLayout(bottom);
    resize(platform::twipsToPixels(7200), platform::twipsToPixels(4800));

    connect(m_ok, &QPushButton::clicked, this, &AboutForm::cmdOK_Click);
    setExitButton(m_ok); // Esc leaves as the button does
}

void AboutForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    placeAt(QPoint(placement(2, 1).x(), platform::twipsToPixels(300)));
}

void AboutForm::setLinkHovered(bool hovered) {
    QFont f = m_link->font();
    f.setPointSize(hovered ? 9 : 11);
    f.setUnderline(hovered);
    m_link->setFont(f);
    QPalette p = m_link->palette();
    p.setColor(QPalette::WindowText, hovered ? QColor(Qt::blue) : QColor(Qt::black));
    m_link->setPalette(p);
    m_link->setCursor(hovered ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void AboutForm::mouseMoveEvent(QMouseEvent* event) {
    setLinkHovered(false);
    platform::WorkingWindow::mouseMoveEvent(event);
}

bool AboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_link) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            setLinkHovered(true);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            openWebAddress(this);
            platform::setArrowPointer();
            return true;
        }
    }
    return platform::WorkingWindow::eventFilter(watched, event);
}

void AboutForm::closeEvent(QCloseEvent* event) {
    if (isUnloading()) {
        event->accept();
        return;
    }
    // Closed by its frame (close box, the frame's menu, its key): as 确定.
    event->ignore();
    cmdOK_Click();
}

// Closes the About box.
void AboutForm::cmdOK_Click() {
    unload();
    platform::doEvents();
    session().UnlockMainMenus();
}

} // namespace fangji::app
