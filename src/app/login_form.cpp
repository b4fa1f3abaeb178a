#include "login_form.h"

#include "admin/firstuse_rules.h"
#include "admin/firstuse_store.h"
#include "platform/busy.h"
#include "platform/data_file.h"
#include "platform/key_flow.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/prompts.h"
#include "platform/session.h"
#include "store/schema.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace fangji::app {

namespace {
const QString kLoginTitle = QStringLiteral("登录");
} // namespace

LoginForm::LoginForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("系统用户登录"));

    m_user = new QComboBox(this);
    m_user->setObjectName(QStringLiteral("Cboyhmc"));
    m_user->setEditable(false); // a name is picked, not typed
    // However long a stored name is, the window keeps its width.
    m_user->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_user->setMinimumContentsLength(12);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("Txtpass"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(firstuse::kPasswordMaxLength);
    m_ok = platform::makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("确定"));
    m_cancel = platform::makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("取消"));

    auto* userLabel = new QLabel(QStringLiteral("用户名"), this);
    userLabel->setBuddy(m_user);
    auto* passwordLabel = new QLabel(QStringLiteral("密码:"), this);
    passwordLabel->setBuddy(m_password);

    auto* grid = new QGridLayout;
    grid->addWidget(userLabel, 0, 0);
    grid->addWidget(m_user, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(platform::twipsToPixels(5400), platform::twipsToPixels(2200));

    auto* keys = new platform::KeyFlow(this);
    platform::KeyFlow::Rule fromUser;
    fromUser.target = m_password;
    fromUser.arrival = platform::KeyFlow::Arrival::SelectAll;
    fromUser.discardBlank = false;
    keys->add(m_user, fromUser);
    platform::KeyFlow::Rule fromPassword; // a blank cannot be typed
    fromPassword.onEnter = [this] {
        if (m_password->text().trimmed().size() <= 3) {
            platform::message(this, QStringLiteral("请输入四位字符以上密码"), platform::Icon::Information);
            m_password->setSelection(0, 3);
            m_password->setFocus();
        } else {
            m_ok->setFocus();
        }
        return true;
    };
    keys->add(m_password, fromPassword);
    connect(m_ok, &QPushButton::clicked, this, &LoginForm::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &LoginForm::cmdCancel_Click);

    // Load.
    m_password->clear();
    platform::doEvents();
    seekusename();
}

void LoginForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    const QSize own = parentWidget() ? parentWidget()->size() : size();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : mainWindowSize().height();
    placeAt(QPoint((mainWindowSize().width() - own.width()) / 2, (screenHeight - own.height()) / 3));
    m_user->setFocus();
}

void LoginForm::fail(const QString& description) {
    if (m_done) {
        return;
    }
    m_done = true;
    platform::Session& s = session();
    platform::setArrowPointer();
    platform::message(s.mainWindow(), description, platform::Icon::Exclamation, platform::Buttons::Ok,
                      platform::kAppTitle);
    unload();
    s.endProgram();
}

void LoginForm::seekusename() {
    auto db = platform::openMainDatabase();
    auto names = db ? firstuse::userNames(*db) : store::Result<QStringList>(db.error());
    if (!names) {
        fail(names.error().description);
        return;
    }
    db->close();
    m_user->clear();
    m_user->addItems(*names);
    // Nothing is picked until the user picks a name.
    m_user->setCurrentIndex(-1);
    platform::doEvents();
}

bool LoginForm::seekpassword() {
    m_passwordCheck = PasswordCheck::NoMatch;
    m_password->setText(m_password->text().trimmed());
    auto db = platform::openMainDatabase();
    // The pair is bound, never joined into a statement.
    auto matched = db ? firstuse::checkLogin(*db, m_user->currentText().trimmed(), m_password->text())
                      : store::Result<bool>(db.error());
    if (!matched) {
        fail(matched.error().description);
        return false;
    }
    if (*matched) {
        m_passwordCheck = PasswordCheck::Matched;
    }
    return true;
}

// Checks the typed name and password and lets the user in, or counts a failed attempt.
void LoginForm::cmdOK_Click() {
    if (m_done) {
        return;
    }
    if (m_password->text().size() < 4) {
        platform::message(this, QStringLiteral("请输入四位以上密码"), platform::Icon::Information);
        return;
    }
    ++m_loginAttempts;
    if (!seekpassword()) {
        return;
    }
    platform::Session& s = session();
    switch (firstuse::judgeLogin(m_passwordCheck == PasswordCheck::Matched, m_loginAttempts)) {
    case firstuse::LoginVerdict::Admit:
        m_done = true;
        unload();
        platform::doEvents();
        platform::doEvents();
        s.UnlockMainMenus();
        platform::doEvents();
        break;
    case firstuse::LoginVerdict::Refuse:
        m_done = true;
        platform::doEvents();
        platform::message(s.mainWindow(), QStringLiteral("非法用户，你无权使用本系统！"), platform::Icon::Information,
                          platform::Buttons::Ok, kLoginTitle);
        unload();
        s.endProgram();
        break;
    case firstuse::LoginVerdict::Retry:
        platform::message(this, QStringLiteral("无效的密码，再试一次！"), platform::Icon::None, platform::Buttons::Ok,
                          kLoginTitle);
        m_password->selectAll();
        m_password->setFocus();
        break;
    }
}

// Gives up the login, which ends the program.
void LoginForm::cmdCancel_Click() {
    if (m_done) {
        return;
    }
    m_done = true;
    platform::Session& s = session();
    unload();
    platform::doEvents();
    s.endProgram();
}

void LoginForm::closeEvent(QCloseEvent* event) {
    if (isUnloading()) {
        event->accept();
        return;
    }
    // The frame's close box gives up, as 取消 does.
    event->ignore();
    cmdCancel_Click();
}

} // namespace fangji::app
