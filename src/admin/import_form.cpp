#include "import_form.h"

#include "prescription_import.h"

#include "platform/busy.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/result.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace fangji::admin {

QString ImportForm::resultText(int added, int present) {
    return QStringLiteral("导入完成：新增方剂 %1 个，已存在未导入 %2 个。").arg(added).arg(present);
}

ImportForm::ImportForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmLinkDb"));
    setWindowTitle(QStringLiteral("导入数据库"));

    m_chooseFile = new QPushButton(QStringLiteral("文件名称&F"), this);
    m_chooseFile->setObjectName(QStringLiteral("CmdFileName"));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("TxtFile"));
    m_file->setAccessibleName(QStringLiteral("文件名称"));
    m_import = new QPushButton(QStringLiteral("导入数据&L"), this);
    m_import->setObjectName(QStringLiteral("CmdLook"));
    m_clear = new QPushButton(QStringLiteral("清屏&Q"), this);
    m_clear->setObjectName(QStringLiteral("Cmdqcls"));
    m_exit = new QPushButton(QStringLiteral("退出&T"), this);
    m_exit->setObjectName(QStringLiteral("CmdQuit"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("Labdrjg"));
    m_result->setWordWrap(true);

    // The import kinds; only the prescriptions have an import, the others are shown disabled.
    m_importMenu = new QMenu(this);
    m_importMenu->setObjectName(QStringLiteral("pupmenu1"));
    const QList<std::pair<QString, QString>> kinds{
        {QStringLiteral("IeAdress"), QStringLiteral("导入中医药材数据")},
        {QStringLiteral("IeMail"), QStringLiteral("导入中医方剂数据")},
        {QStringLiteral("BwThing"), QStringLiteral("导入中医成药数据")},
        {QStringLiteral("TeleDate"), QStringLiteral("导入中医诊断数据")},
        {QStringLiteral("CatchXy"), QStringLiteral("导入西药数据")},
        {QStringLiteral("LinkHzzl"), QStringLiteral("导入门诊患者资料")},
        {QStringLiteral("LinkZdhz"), QStringLiteral("导入患者诊断资料")},
    };
    for (const auto& [name, caption] : kinds) {
        QAction* action = m_importMenu->addAction(caption);
        action->setObjectName(name);
        if (name == QStringLiteral("IeMail")) {
            connect(action, &QAction::triggered, this, &ImportForm::IeMail_Click);
        } else {
            action->setEnabled(false);
        }
    }

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_chooseFile);
    fileRow->addWidget(m_file, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_import);
    buttons->addWidget(m_clear);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(m_result);
    layout->addLayout(buttons);
    resize(platform::twipsToPixels(7500), platform::twipsToPixels(2200));

    connect(m_chooseFile, &QPushButton::clicked, this, &ImportForm::CmdFileName_Click);
    connect(m_import, &QPushButton::clicked, this, &ImportForm::CmdLook_Click);
    connect(m_clear, &QPushButton::clicked, this, &ImportForm::Cmdqcls_Click);
    connect(m_exit, &QPushButton::clicked, this, &ImportForm::CmdQuit_Click);
    setExitButton(m_exit); // Esc leaves as the button does

    Qpcls();
}

void ImportForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeAt(placement(2, 3));
        platform::doEvents();
    }
}

void ImportForm::closeEvent(QCloseEvent* event) {
    // No leaving while an import runs; the frame's close box otherwise leaves as 退出 does.
    if (m_importing && !isUnloading()) {
        event->ignore();
        return;
    }
    const bool byCloseBox = !isUnloading();
    platform::WorkingWindow::closeEvent(event);
    if (byCloseBox && event->isAccepted()) {
        session().UnlockMainMenus();
    }
}

// Empties the file name and the result line.
void ImportForm::Qpcls() {
    m_file->clear();
    m_result->clear();
    platform::setArrowPointer();
}

// Lets the user pick the database file to import from.
void ImportForm::CmdFileName_Click() {
    const QString chosen =
        platform::prompts().openFile(this, QStringLiteral("查找 mdb 数据库"),
                                     platform::programDir() + QStringLiteral("/"), QStringLiteral("*.mdb|*.mdb"));
    platform::doEvents();
    platform::doEvents();
    if (!chosen.isEmpty()) {
        m_file->setText(chosen);
    }
}

// Shows the menu of the import to run.
void ImportForm::CmdLook_Click() {
    m_importMenu->popup(QCursor::pos());
}

// Clears the window for the next import.
void ImportForm::Cmdqcls_Click() {
    Qpcls();
    m_chooseFile->setFocus();
}

// Leaves the window and gives the main menus back.
void ImportForm::CmdQuit_Click() {
    platform::Session& s = session();
    unload();
    platform::doEvents();
    s.UnlockMainMenus();
}

void ImportForm::setButtonsEnabled(bool enabled) {
    m_import->setEnabled(enabled);
    m_clear->setEnabled(enabled);
    m_exit->setEnabled(enabled);
}

// Imports the prescriptions of the chosen file and reports how many arrived.
void ImportForm::IeMail_Click() {
    const QString source = m_file->text().trimmed();
    if (source.isEmpty() || m_importing) {
        return;
    }
    m_importing = true;
    m_result->clear();
    setButtonsEnabled(false);
    platform::setBusyPointer();
    auto counts = importPrescriptions(platform::databasePath(), source, [] { platform::doEvents(); });
    setButtonsEnabled(true);
    platform::setArrowPointer();
    m_importing = false;
    if (!counts) {
        platform::message(this, store::errorReport(counts.error(), store::ReportLines::Two), platform::Icon::None);
        return;
    }
    m_result->setText(resultText(counts->added, counts->present));
}

} // namespace fangji::admin
