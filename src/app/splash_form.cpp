#include "splash_form.h"

#include "login_form.h"

#include "admin/firstuse_rules.h"
#include "admin/firstuse_store.h"
#include "admin/password_form.h"
#include "admin/profile_form.h"
#include "platform/busy.h"
#include "platform/clock.h"
#include "platform/data_file.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/schema.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace fangji::app {

namespace {

QFrame* makeLine(const QString& name, QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

SplashForm::SplashForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("禾枢药典之方剂"));
    setFocusPolicy(Qt::StrongFocus);

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setFrameShape(QFrame::Box);

    m_productName = new QLabel(m_frame);
    m_productName->setObjectName(QStringLiteral("lblProductName"));
    QFont productFont(QStringLiteral("楷体_GB2312"), 24);
    productFont.setBold(true);
    m_productName->setFont(productFont);
    m_productName->setAlignment(Qt::AlignCenter);

    m_version = new QLabel(m_frame);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_version->setAlignment(Qt::AlignRight);

    m_profile = new QLabel(QStringLiteral("平台:Windows98/Me/2000"), m_frame);
    m_profile->setObjectName(QStringLiteral("LblYhmc"));
    QFont profileFont(QStringLiteral("宋体"));
    profileFont.setPointSizeF(10.5);
    m_profile->setFont(profileFont);

    auto* inner = new QVBoxLayout(m_frame);
    inner->addWidget(m_productName);
    inner->addWidget(makeLine(QStringLiteral("Line1"), m_frame));
    inner->addWidget(m_version);
    inner->addWidget(makeLine(QStringLiteral("Line2"), m_frame));
    inner->addWidget(m_profile, 1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_frame);
    resize(platform::twipsToPixels(7500), platform::twipsToPixels(4200));

    for (QWidget* w :
         {static_cast<QWidget*>(m_frame), static_cast<QWidget*>(m_productName), static_cast<QWidget*>(m_profile)}) {
        w->installEventFilter(this);
    }
}

void SplashForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

void SplashForm::Form_Load() {
    // Every step runs even when one before it failed; the window shows what it could fill in.
    const QSize main = mainWindowSize();
    const QSize own = parentWidget() ? parentWidget()->size() : size();
    placeAt(QPoint((main.width() - own.width()) / 2, static_cast<int>((main.height() - own.height()) / 3.5)));
    platform::doEvents();

    m_version->setText(
        firstuse::versionText(platform::kVersionMajor, platform::kVersionMinor, platform::kVersionRevision));
    m_productName->setText(platform::kProductName);

    bool profileMissing = false;
    if (auto db = platform::openMainDatabase()) {
        platform::doEvents();
        auto profile = firstuse::loadProfile(*db);
        platform::doEvents();
        if (profile) {
            if (profile->has_value()) {
                m_profile->setText(firstuse::splashProfileText(**profile));
            } else {
                profileMissing = true;
            }
        }
        db->close();
        platform::doEvents();
    }
    if (profileMissing) {
        // Not from inside the show: the splash is closed once it is on screen.
        QMetaObject::invokeMethod(this, &SplashForm::askForProfile, Qt::QueuedConnection);
        return;
    }
    setFocus();
    platform::clock().singleShot(kTimerInterval, this, [this] { closeSplash(); });
}

void SplashForm::askForProfile() {
    if (m_closing) {
        return;
    }
    m_closing = true;
    platform::Session& s = session();
    platform::message(s.mainWindow(), QStringLiteral("请先登录用户资料"), platform::Icon::Information);
    unload();
    s.showWindow(new admin::ProfileForm(s));
}

void SplashForm::keyPressEvent(QKeyEvent* event) {
    event->accept();
    closeSplash();
}

bool SplashForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_frame || watched == m_productName || watched == m_profile)) {
        closeSplash();
        return true;
    }
    return platform::WorkingWindow::eventFilter(watched, event);
}

void SplashForm::closeEvent(QCloseEvent* event) {
    if (isUnloading()) {
        event->accept();
        return;
    }
    // The frame's close box closes the splash as a click does, so the login still follows.
    event->ignore();
    closeSplash();
}

void SplashForm::closeSplash() {
    if (m_closing) {
        return;
    }
    m_closing = true;
    // The splash may be gone once messages have run: only the session is used from here on.
    platform::Session& s = session();
    unload();
    platform::doEvents();
    seekPass(s);
    platform::doEvents();
}

void SplashForm::seekPass(platform::Session& session) {
    auto db = platform::openMainDatabase();
    auto names = db ? firstuse::userNames(*db) : store::Result<QStringList>(db.error());
    if (!names) {
        platform::message(session.mainWindow(), names.error().description, platform::Icon::Exclamation,
                          platform::Buttons::Ok, platform::kAppTitle);
        session.endProgram();
        return;
    }
    db->close();
    if (names->isEmpty()) {
        // No user yet: password maintenance, whose exit then unlocks every top menu.
        session.showWindow(new admin::PasswordForm(session));
        session.setUserLevel(QStringLiteral(" "));
    } else {
        session.showWindow(new LoginForm(session));
    }
    platform::doEvents();
}

} // namespace fangji::app
