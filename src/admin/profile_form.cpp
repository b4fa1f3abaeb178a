#include "profile_form.h"

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
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace fangji::admin {

namespace {
const std::array<const char16_t*, 4> kFieldNames = {u"TxtMzmc", u"TxtMzdz", u"TxtTele", u"TxtYhxm"};
const std::array<const char16_t*, 4> kLabels = {u"门诊名称", u"门诊地址", u"联系电话", u"用户姓名"};
} // namespace

ProfileForm::ProfileForm(platform::Session& session, QWidget* parent) : platform::WorkingWindow(session, parent) {
    setObjectName(QStringLiteral("FrmYhzl"));
    setWindowTitle(QStringLiteral("用户资料登录"));

    auto* grid = new QGridLayout(this);
    auto* keys = new platform::KeyFlow(this);
    for (int i = 0; i < firstuse::Profile::kFieldCount; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QString::fromUtf16(kFieldNames[i]));
        auto* label = new QLabel(QString::fromUtf16(kLabels[i]), this);
        label->setBuddy(field);
        grid->addWidget(label, i, 0);
        grid->addWidget(field, i, 1);
        m_fields[i] = field;
        platform::KeyFlow::Rule rule;
        rule.onEnter = [this, i] {
            enterPressed(i);
            return true;
        };
        keys->add(field, rule); // a blank cannot be typed
    }
    m_save = platform::makeButton(this, QStringLiteral("CmdSave"), QStringLiteral("保存退出"));
    grid->addWidget(m_save, firstuse::Profile::kFieldCount, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    resize(platform::twipsToPixels(7200), platform::twipsToPixels(3600));

    connect(m_save, &QPushButton::clicked, this, &ProfileForm::CmdSave_Click);

    Qpcls();
    platform::setArrowPointer();
}

void ProfileForm::showEvent(QShowEvent* event) {
    platform::WorkingWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeAt(placement(2, 4));
        m_fields[0]->setFocus();
    }
    platform::setArrowPointer();
}

void ProfileForm::closeEvent(QCloseEvent* event) {
    // The window is left by saving: its frame's close box saves and leaves as 保存退出 does
    // (or shows what is missing and stays).
    if (isUnloading()) {
        event->accept();
        return;
    }
    event->ignore();
    CmdSave_Click();
}

// Empties the profile boxes.
void ProfileForm::Qpcls() {
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
    auto db = platform::openMainDatabase();
    platform::doEvents();
    auto profile = db ? firstuse::loadProfile(*db) : store::Result<std::optional<firstuse::Profile>>(db.error());
    if (!profile) {
        // The fields stay empty; a save writes a complete row again.
        platform::message(this, store::errorReport(profile.error(), store::ReportLines::Two),
                          platform::Icon::Exclamation);
    } else if (profile->has_value()) {
        for (int i = 0; i < firstuse::Profile::kFieldCount; ++i) {
            m_fields[i]->setText((*profile)->field(i));
        }
    }
    platform::setArrowPointer();
}

void ProfileForm::selectShort(int field) {
    m_fields[field]->setSelection(0, firstuse::profileFieldRules()[field].minLength);
    m_fields[field]->setFocus();
}

void ProfileForm::enterPressed(int field) {
    const firstuse::ProfileFieldRule& rule = firstuse::profileFieldRules()[field];
    // As typed: blanks around the text count here; the save check trims them.
    if (m_fields[field]->text().size() >= rule.minLength) {
        if (field + 1 < firstuse::Profile::kFieldCount) {
            QLineEdit* next = m_fields[field + 1];
            next->setSelection(0, static_cast<int>(next->text().size()));
            next->setFocus();
        } else {
            m_save->setFocus();
        }
        return;
    }
    platform::message(this, rule.enterWarning, platform::Icon::Exclamation);
    selectShort(field);
}

// Saves the user and clinic profile.
void ProfileForm::CmdSave_Click() {
    firstuse::Profile profile;
    for (int i = 0; i < firstuse::Profile::kFieldCount; ++i) {
        m_fields[i]->setText(m_fields[i]->text().trimmed());
        profile.field(i) = m_fields[i]->text();
    }
    const int shortField = firstuse::firstShortProfileField(profile);
    if (shortField >= 0) {
        platform::message(this, firstuse::profileFieldRules()[shortField].saveWarning, platform::Icon::Exclamation);
        selectShort(shortField);
        return;
    }
    if (!platform::ask(this, QStringLiteral("保存或修改已经输入的内容吗"))) {
        return;
    }
    auto db = platform::openMainDatabase();
    platform::doEvents();
    const store::Status saved = db ? firstuse::saveProfile(*db, profile) : db.status();
    if (!saved) {
        // The previous profile is still in place; the window stays open with its content.
        platform::setArrowPointer();
        platform::message(this, store::errorReport(saved.error(), store::ReportLines::Two),
                          platform::Icon::Exclamation);
        return;
    }
    db->close();
    platform::Session& s = session();
    unload();
    platform::doEvents();
    s.UnlockMainMenus();
    platform::doEvents();
}

} // namespace fangji::admin
