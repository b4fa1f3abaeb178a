#include "password_form.h"

#include "firstuse_rules.h"
#include "firstuse_store.h"

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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace fangji::admin {

namespace {

QLineEdit* makePasswordBox(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(firstuse::kPasswordMaxLength);
    return e;
}

void selectAll(QLineEdit* e) {
    e->setSelection(0, static_cast<int>(e->text().size()));
    e->setFocus();
}

} // namespace

PasswordForm::PasswordForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("Frmmmwh"));
    setWindowTitle(QStringLiteral("系统密码维护"));

    m_name = new QComboBox(this);
    m_name->setObjectName(QStringLiteral("Cboyhmc"));
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert);
    // Names stored by earlier versions can be far longer than the box: the window keeps its width.
    m_name->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_name->setMinimumContentsLength(12);
    m_name->lineEdit()->setObjectName(QStringLiteral("CboyhmcText"));
    m_name->lineEdit()->setMaxLength(firstuse::kUserNameMaxLength);
    m_password = makePasswordBox(QStringLiteral("TxtNpas"), this);
    m_confirmation = makePasswordBox(QStringLiteral("TxtPasn"), this);
    m_save = platform::makeButton(this, QStringLiteral("CmdSave"), QStringLiteral("保存/修改"));
    m_clear = platform::makeButton(this, QStringLiteral("Cmdqcls"), QStringLiteral("清屏&Q"));
    m_exit = platform::makeButton(this, QStringLiteral("Cmdexit"), QStringLiteral("退出&E"));
    m_help = platform::makeButton(this, QStringLiteral("CmdHelp"), QStringLiteral("帮助&H"));
    m_help->setVisible(false);

    auto* nameLabel = new QLabel(QStringLiteral("用户姓名："), this);
    auto* passwordLabel = new QLabel(QStringLiteral("新密码"), this);
    auto* confirmationLabel = new QLabel(QStringLiteral("校验码"), this);
    nameLabel->setBuddy(m_name);
    passwordLabel->setBuddy(m_password);
    confirmationLabel->setBuddy(m_confirmation);

    auto* grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(m_save, 0, 2);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->addWidget(m_clear, 1, 2);
    grid->addWidget(confirmationLabel, 2, 0);
    grid->addWidget(m_confirmation, 2, 1);
    grid->addWidget(m_exit, 2, 2);
    grid->setColumnStretch(1, 1);
    resize(platform::twipsToPixels(6000), platform::twipsToPixels(2400));

    // A blank cannot be typed; Enter checks the box and moves on.
    auto* keys = new platform::KeyFlow(this);
    const auto enterIn = [this](QObject* field) {
        platform::KeyFlow::Rule rule;
        rule.onEnter = [this, field] {
            enterPressed(field);
            return true;
        };
        return rule;
    };
    keys->add(m_name->lineEdit(), enterIn(m_name));
    keys->add(m_name, enterIn(m_name));
    keys->add(m_password, enterIn(m_password));
    keys->add(m_confirmation, enterIn(m_confirmation));
    connect(m_save, &QPushButton::clicked, this, &PasswordForm::CmdSave_Click);
    connect(m_clear, &QPushButton::clicked, this, &PasswordForm::Cmdqcls_Click);
    connect(m_exit, &QPushButton::clicked, this, &PasswordForm::Cmdexit_Click);
    setExitButton(m_exit); // Esc leaves as the button does

    // Load: the list is bound to 密码表, then the inputs are cleared.
    platform::doEvents();
    Qpcls();
}

void PasswordForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeAt(placement(2, 4));
        m_name->setFocus();
    }
    platform::setArrowPointer();
}

bool PasswordForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        platform::setArrowPointer();
    }
    return platform::WorkingWindow::event(event);
}

void PasswordForm::closeEvent(QCloseEvent* event) {
    if (isUnloading()) {
        event->accept();
        return;
    }
    // The frame's close box leaves the window as its exit button does, with the same check.
    event->ignore();
    Cmdexit_Click();
}

void PasswordForm::refreshNames() {
    m_name->clear();
    auto db = platform::openMainDatabase();
    if (!db) {
        return; // the list stays empty, as a data control without its file shows nothing
    }
    auto names = firstuse::passwordListNames(*db);
    if (names) {
        m_name->addItems(*names);
    }
}

// Empties the name and both password boxes.
void PasswordForm::Qpcls() {
    m_password->clear();
    m_confirmation->clear();
    refreshNames();
    m_name->setCurrentIndex(-1);
    m_name->setEditText(QString());
}

void PasswordForm::enterPressed(QObject* field) {
    if (field == m_name) {
        if (m_name->currentText().size() > 1) {
            selectAll(m_password);
        }
        return;
    }
    auto* box = static_cast<QLineEdit*>(field);
    if (box->text().trimmed().size() > 3) {
        if (box == m_password) {
            selectAll(m_confirmation);
        } else {
            m_save->setFocus();
        }
        return;
    }
    platform::message(this, QStringLiteral("系统密码至少需要输入4位字符"), platform::Icon::Information);
    box->setSelection(0, 4);
    box->setFocus();
}

bool PasswordForm::SrqkJy() {
    m_inputCheck = InputCheck::Refused;
    m_password->setText(m_password->text().trimmed());
    m_confirmation->setText(m_confirmation->text().trimmed());
    m_name->setEditText(m_name->currentText().trimmed());

    const firstuse::PasswordInputProblem problem =
        firstuse::checkPasswordInput(m_name->currentText(), m_password->text(), m_confirmation->text());
    const QString text = firstuse::passwordInputMessage(problem);
    switch (problem) {
    case firstuse::PasswordInputProblem::None:
        m_inputCheck = InputCheck::Passed;
        break;
    case firstuse::PasswordInputProblem::ShortName:
        platform::message(this, text, platform::Icon::Information);
        m_name->lineEdit()->selectAll();
        m_name->setFocus();
        break;
    case firstuse::PasswordInputProblem::ShortPassword:
        platform::message(this, text, platform::Icon::Information);
        selectAll(m_password);
        break;
    case firstuse::PasswordInputProblem::ShortConfirmation:
        platform::message(this, text, platform::Icon::Information);
        selectAll(m_confirmation);
        break;
    case firstuse::PasswordInputProblem::Mismatch:
        platform::message(this, text, platform::Icon::None, platform::Buttons::Ok, platform::kAppTitle);
        m_password->clear();
        m_confirmation->clear();
        m_password->setFocus();
        break;
    }
    return m_inputCheck == InputCheck::Passed;
}

// Saves the typed user and password once the input check passes.
void PasswordForm::CmdSave_Click() {
    if (!SrqkJy()) {
        return;
    }
    auto db = platform::openMainDatabase();
    store::Status saved = db ? firstuse::savePassword(*db, m_name->currentText(), m_password->text()) : db.status();
    platform::doEvents();
    if (!saved) {
        // The previous row is still in place: nothing was lost.
        platform::message(this, saved.error().description, platform::Icon::Information);
        platform::setArrowPointer();
        return;
    }
    db->close();
    Qpcls();
    m_name->setFocus();
    platform::doEvents();
    platform::setArrowPointer();
}

// Clears the boxes for the next entry.
void PasswordForm::Cmdqcls_Click() {
    Qpcls();
    m_name->setFocus();
}

// Leaves the window and gives the main menus back.
void PasswordForm::Cmdexit_Click() {
    // Any failure to read the count counts as an empty table.
    int count = 0;
    if (auto db = platform::openMainDatabase()) {
        auto n = firstuse::passwordCount(*db);
        count = n ? *n : 0;
    }
    platform::doEvents();
    if (count == 0) {
        platform::message(this, QStringLiteral("密码表内容不完整，系统不能退出"), platform::Icon::Information);
        return;
    }
    platform::Session& s = session();
    QWidget* parent = s.mainWindow();
    unload();
    platform::doEvents();
    if (s.UserLevel() == QStringLiteral("000")) {
        platform::message(parent, QStringLiteral("请以新的用户名称和密码重新登录系统"), platform::Icon::Information);
    }
    s.UnlockMainMenus();
}

} // namespace fangji::admin
