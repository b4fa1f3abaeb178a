#include "backup_form.h"

#include "backup_restore.h"

#include "store/backup.h"

#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/kept_size.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/result.h"
#include "store/schema.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace fangji::admin {

const QString BackupForm::kNotOurDatabase = QStringLiteral("所选文件不是本系统的数据库，不能恢复。");

namespace {

// Database files first; every file second, so that a copy saved under another name
// can still be chosen.
const QString kDatabaseFilter = QStringLiteral("数据库文件(*.mdb)|*.mdb|所有文件(*)|*");

// The folder the file dialog starts in: drive D: where there is one.
QString startFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\");
#else
    return QDir::homePath();
#endif
}

} // namespace

BackupForm::BackupForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmcopy"));
    setWindowTitle(QStringLiteral("数据备份及数据恢复"));

    m_backupMode = new QRadioButton(QStringLiteral("备份数据"), this);
    m_backupMode->setObjectName(QStringLiteral("Optsave"));
    m_restoreMode = new QRadioButton(QStringLiteral("恢复数据"), this);
    m_restoreMode->setObjectName(QStringLiteral("Optcove"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_backupMode);
    group->addButton(m_restoreMode);
    m_backupMode->setChecked(true);

    m_choosePath = new QPushButton(QStringLiteral("选择名称及路径"), this);
    m_choosePath->setObjectName(QStringLiteral("CmdPath"));
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("Txtpath"));
    m_path->setAccessibleName(QStringLiteral("文件路径"));
    m_copy = new QPushButton(QStringLiteral("保存数据&B"), this);
    m_copy->setObjectName(QStringLiteral("Cmdcopy"));
    m_exit = new QPushButton(QStringLiteral("退出&T"), this);
    m_exit->setObjectName(QStringLiteral("Cmdexit"));

    m_animation = new QLabel(this);
    m_animation->setObjectName(QStringLiteral("Aniplay"));
    m_animation->setAlignment(Qt::AlignCenter);
    m_animation->setAccessibleName(QStringLiteral("正在复制"));
    m_movie = new QMovie(this);
    m_animation->setMovie(m_movie);

    auto* modes = new QHBoxLayout;
    modes->addWidget(m_backupMode);
    modes->addWidget(m_restoreMode);
    modes->addStretch();
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_choosePath);
    pathRow->addWidget(m_path, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_animation, 1);
    buttons->addStretch();
    buttons->addWidget(m_copy);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modes);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    // Resizable, least at the size it opens at; the path box takes the width it grows by.
    ensurePolished(); // the layout's least size with the window's own fonts and style
    keepSize(platform::kBackupWindowKey,
             QSize(platform::twipsToPixels(7500), platform::twipsToPixels(2400)).expandedTo(minimumSizeHint()));

    connect(m_backupMode, &QRadioButton::clicked, this, &BackupForm::Optsave_Click);
    connect(m_restoreMode, &QRadioButton::clicked, this, &BackupForm::Optcove_Click);
    connect(m_choosePath, &QPushButton::clicked, this, &BackupForm::CmdPath_Click);
    connect(m_copy, &QPushButton::clicked, this, &BackupForm::Cmdcopy_Click);
    connect(m_exit, &QPushButton::clicked, this, &BackupForm::Cmdexit_Click);
    // Esc leaves as 退出 does (not while a copy hides it).
    setExitButton(m_exit);

    m_animation->hide();
    m_path->clear();
}

void BackupForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    // Form_Load: animation hidden, normal pointer, empty path.
    platform::setArrowPointer();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->availableGeometry().height() : mainWindowSize().height();
    const int ownHeight = parentWidget() ? parentWidget()->height() : height();
    placeAt(QPoint(placement(2, 3).x(), (screenHeight - ownHeight) / 3));
}

void BackupForm::closeEvent(QCloseEvent* event) {
    // No leaving while a copy runs; the frame's close box otherwise leaves as 退出 does.
    if (m_copying && !isUnloading()) {
        event->ignore();
        return;
    }
    const bool byCloseBox = !isUnloading();
    platform::WorkingWindow::closeEvent(event);
    if (byCloseBox && event->isAccepted()) {
        session().UnlockMainMenus();
    }
}

void BackupForm::chooseMode(const QString& copyCaption) {
    m_path->clear();
    m_choosePath->setText(QStringLiteral("选择名称及路径"));
    m_copy->setText(copyCaption);
    m_path->selectAll();
    m_path->setFocus();
}

// Backup mode: the path is emptied and the copy button reads 数据备份.
void BackupForm::Optsave_Click() {
    chooseMode(QStringLiteral("数据备份"));
}

// Restore mode: the path is emptied and the copy button reads 数据恢复.
void BackupForm::Optcove_Click() {
    chooseMode(QStringLiteral("数据恢复"));
}

// Lets the user pick the backup file (save dialog) or the file to restore from (open dialog).
void BackupForm::CmdPath_Click() {
    platform::doEvents();
    const bool backup = m_backupMode->isChecked();
    QString chosen;
    if (backup) {
        // A name is proposed: the file and the day of the copy.
        const QString proposed =
            QDir(startFolder())
                .filePath(QStringLiteral("vizi-%1.mdb").arg(platform::clock().now().date().toString(Qt::ISODate)));
        chosen = platform::prompts().saveFile(this, QString(), proposed, kDatabaseFilter).trimmed();
        // A name typed without an extension is a database file, so restore finds it.
        if (!chosen.isEmpty() && QFileInfo(chosen).suffix().isEmpty()) {
            chosen += QStringLiteral(".mdb");
        }
    } else {
        chosen = platform::prompts().openFile(this, QString(), startFolder(), kDatabaseFilter);
    }
    m_path->setText(chosen.trimmed());
    m_copy->setFocus();
}

void BackupForm::showButtons(bool shown) {
    m_copy->setVisible(shown);
    m_exit->setVisible(shown);
}

void BackupForm::startAnimation() {
    m_animation->show();
    m_movie->stop();
    m_movie->setFileName(platform::shippedFile(QStringLiteral("working.gif")));
    m_movie->start();
}

void BackupForm::reportCopyError(const store::DbError& error) {
    m_movie->stop();
    // A file in use, or a copy onto its own source, is a plain refusal: nothing was changed.
    if (error.number == store::kErrorInUse || error.number == store::kErrorSameFile) {
        platform::message(this, error.description, platform::Icon::Exclamation);
    } else {
        platform::message(this, store::errorReport(error, store::ReportLines::Two), platform::Icon::None);
    }
    m_animation->hide();
    showButtons(true);
    m_copying = false;
}

// Runs the backup or the restore with the chosen file, the animation playing meanwhile.
void BackupForm::Cmdcopy_Click() {
    const QString path = m_path->text().trimmed();
    if (path.isEmpty()) {
        platform::message(this, QStringLiteral("选择要备份或恢复的文件"), platform::Icon::None);
        m_choosePath->setFocus();
        return;
    }
    platform::doEvents();
    m_copying = true;
    showButtons(false);

    const QString database = platform::databasePath();
    if (m_backupMode->isChecked()) {
        if (!QFileInfo::exists(database)) {
            platform::message(this, QStringLiteral("系统数据丢失，不能备份。"), platform::Icon::Information);
            platform::doEvents();
            showButtons(true);
            m_copying = false;
            return;
        }
        startAnimation();
        if (store::Status s = backupDatabaseFile(database, path); !s) {
            reportCopyError(s.error());
            return;
        }
    } else {
        // Only a database of this system may replace the database; anything else is refused untouched.
        if (!checkSystemDatabase(path, store::kMainConnect)) {
            platform::message(this, kNotOurDatabase, platform::Icon::Exclamation);
            showButtons(true);
            m_copying = false;
            return;
        }
        startAnimation();
        if (store::Status s = restoreDatabaseFile(path, database); !s) {
            reportCopyError(s.error());
            return;
        }
    }
    waitment(m_copy, m_exit, m_animation);
    m_path->clear();

    platform::doEvents();
    m_animation->hide();
    showButtons(true);
    m_copying = false;
}

void BackupForm::waitment(QPushButton* copyButton, QPushButton* exitButton, QLabel* animation) {
    copyButton->hide();
    exitButton->hide();
    platform::waitProcessingEvents(kPauseMs);
    if (QMovie* movie = animation->movie()) {
        movie->stop();
    }
    platform::doEvents();
    copyButton->show();
    exitButton->show();
}

// Leaves the window and gives the main menus back.
void BackupForm::Cmdexit_Click() {
    platform::Session& s = session();
    platform::doEvents();
    unload();
    platform::doEvents();
    s.UnlockMainMenus();
}

} // namespace fangji::admin
