#include "background_form.h"

#include "picture_store.h"
#include "stored_picture.h"

#include "platform/busy.h"
#include "platform/kept_size.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/result.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace fangji::admin {

const QString BackgroundForm::kPictureFilter = QStringLiteral("图片文件(*.bmp,*.jpg)|*.jpg;*.bmp");
const QString BackgroundForm::kEmptyFileSuffix = QStringLiteral("无 内 容 或 不 存 在 !");
const QString BackgroundForm::kNotAPicture = QStringLiteral("无法显示所选文件：它不是可读的图片。");

namespace {

QString startFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\");
#else
    return QDir::homePath();
#endif
}

} // namespace

BackgroundForm::BackgroundForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmJczl"));
    setWindowTitle(QStringLiteral("更换系统背景画面"));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("ImageXt"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setWordWrap(true);
    m_picture->setMinimumSize(platform::twipsToPixels(6000), platform::twipsToPixels(4500));
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setAccessibleName(QStringLiteral("背景画面"));
    m_choose = new QPushButton(QStringLiteral("选择图片(&L)"), this);
    m_choose->setObjectName(QStringLiteral("CmdLoad"));
    m_exit = new QPushButton(QStringLiteral("确定退出(&O)"), this);
    m_exit->setObjectName(QStringLiteral("CmdOext"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_choose);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addLayout(buttons);

    connect(m_choose, &QPushButton::clicked, this, &BackgroundForm::CmdLoad_Click);
    connect(m_exit, &QPushButton::clicked, this, &BackgroundForm::CmdOext_Click);

    // Resizable, least at the size its layout asks: the picture box takes what it grows by,
    // and the preview is decoded again at the box's new size once the resizing has paused.
    ensurePolished(); // the layout's least size with the window's own fonts and style
    keepSize(platform::kBackgroundWindowKey, sizeHint().expandedTo(minimumSizeHint()));
    m_rescale = new QTimer(this);
    m_rescale->setSingleShot(true);
    m_rescale->setInterval(150);
    connect(m_rescale, &QTimer::timeout, this, &BackgroundForm::rescalePreview);
    // Esc leaves as the close box does, storing nothing.
    addShortcut(QKeySequence(Qt::Key_Escape), [this] { closeByFrame(); });

    // Form_Load: the stored picture in the box, normal pointer.
    m_preview = readStoredPicture(platform::databasePath(), previewSize());
    showPicture(m_preview);
}

void BackgroundForm::resizeEvent(QResizeEvent* event) {
    platform::WorkingWindow::resizeEvent(event);
    if (isVisible()) {
        m_rescale->start();
    }
}

void BackgroundForm::rescalePreview() {
    if (m_chosen.isEmpty()) {
        m_preview = readStoredPicture(platform::databasePath(), previewSize());
    } else if (m_chosenIsPicture) {
        m_preview = readPictureFile(m_chosen, previewSize());
    } else {
        return; // the box tells that the file is no picture
    }
    showPicture(m_preview);
}

void BackgroundForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeAt(QPoint(placement(2, 1).x(), 0));
        // Form_Load ends with the normal pointer.
        platform::setArrowPointer();
    }
}

void BackgroundForm::closeEvent(QCloseEvent* event) {
    // The frame's close box leaves without storing anything, giving the menus back.
    const bool byCloseBox = !isUnloading();
    platform::WorkingWindow::closeEvent(event);
    if (byCloseBox && event->isAccepted()) {
        session().UnlockMainMenus();
    }
}

QSize BackgroundForm::previewSize() const {
    return m_picture->size().expandedTo(m_picture->minimumSize());
}

void BackgroundForm::showPicture(const QImage& picture) {
    if (picture.isNull()) {
        m_picture->setPixmap(QPixmap());
        return;
    }
    const QSize box = previewSize();
    QPixmap pixmap = QPixmap::fromImage(picture);
    if (pixmap.width() > box.width() || pixmap.height() > box.height()) {
        pixmap = pixmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    m_picture->setPixmap(pixmap);
}

// Lets the user choose a picture, shows it, and keeps it as the main window's background.
void BackgroundForm::CmdLoad_Click() {
    const QString chosen = platform::prompts().openFile(this, QString(), startFolder(), kPictureFilter);
    if (chosen.isEmpty()) {
        // A cancelled dialog leaves the choice and the preview as they were.
        return;
    }
    m_chosen = chosen;
    // The preview is decoded at the box's size: a large photograph needs no full-size copy to be shown.
    platform::setBusyPointer();
    const QImage picture = readPictureFile(chosen, previewSize());
    platform::setArrowPointer();
    m_chosenIsPicture = !picture.isNull();
    m_preview = picture;
    if (m_chosenIsPicture) {
        showPicture(picture);
    } else {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(kNotAPicture + QStringLiteral("\n") + QDir::toNativeSeparators(chosen));
    }
}

// Leaves the window and gives the main menus back.
void BackgroundForm::CmdOext_Click() {
    // A chosen file that is not a picture is not stored; an empty or missing one is
    // reported by the store step itself.
    QString toStore = m_chosen;
    if (!toStore.isEmpty() && !m_chosenIsPicture) {
        const QFileInfo info(toStore);
        if (info.exists() && info.size() > 0) {
            toStore.clear();
        }
    }
    // Storing a large file takes a moment: the pointer says so.
    platform::setBusyPointer();
    auto saved = saveBackgroundPicture(platform::databasePath(), toStore);
    platform::setArrowPointer();
    if (!saved) {
        platform::message(this, store::errorReport(saved.error(), store::ReportLines::Two),
                          platform::Icon::Information);
        return;
    }
    if (saved->emptyFile) {
        platform::message(this, m_chosen + kEmptyFileSuffix, platform::Icon::None, platform::Buttons::Ok,
                          platform::kAppTitle);
    }

    // The main window shows what is now stored, repainted at once.
    platform::setBusyPointer();
    session().setBackgroundPicture(readStoredPicture());
    platform::doEvents();
    platform::doEvents();
    platform::setArrowPointer();

    platform::Session& s = session();
    unload();
    platform::doEvents();
    s.UnlockMainMenus();
}

} // namespace fangji::admin
