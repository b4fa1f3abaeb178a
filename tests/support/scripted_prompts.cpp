#include "scripted_prompts.h"

namespace fangji::testing {

namespace {
QString iconName(platform::Icon icon) {
    switch (icon) {
    case platform::Icon::None:
        return QStringLiteral("none");
    case platform::Icon::Information:
        return QStringLiteral("information");
    case platform::Icon::Exclamation:
        return QStringLiteral("exclamation");
    case platform::Icon::Question:
        return QStringLiteral("question");
    }
    return {};
}
} // namespace

ScriptedPrompts::ScriptedPrompts() {
    platform::setPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    platform::setPrompts(nullptr);
}

void ScriptedPrompts::clear() {
    m_queue.clear();
    m_failures.clear();
    m_shown.clear();
}

ScriptedPrompts& ScriptedPrompts::expectMessage(const QString& text, platform::Icon icon, platform::Buttons buttons,
                                                platform::Answer answer, const QString& title) {
    m_queue.append({Expected::Message, text, icon, buttons, answer, title});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectOpenFile(const QString& path) {
    m_queue.append({Expected::Open, path, platform::Icon::None, platform::Buttons::Ok, platform::Answer::Ok, {}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::expectSaveFile(const QString& path) {
    m_queue.append({Expected::Save, path, platform::Icon::None, platform::Buttons::Ok, platform::Answer::Ok, {}});
    return *this;
}

platform::Answer ScriptedPrompts::message(QWidget*, const QString& text, platform::Icon icon, platform::Buttons buttons,
                                          const QString& title) {
    m_shown << text;
    const platform::Answer fallback = buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
    if (m_queue.isEmpty() || m_queue.first().kind != Expected::Message) {
        m_failures << QStringLiteral("unexpected message: \"%1\" (%2)").arg(text, iconName(icon));
        return fallback;
    }
    const Expected e = m_queue.takeFirst();
    if (e.text != text || e.icon != icon || e.buttons != buttons || e.title != title) {
        m_failures << QStringLiteral("message \"%1\" (%2, title \"%3\") where \"%4\" (%5, title \"%6\") was expected")
                          .arg(text, iconName(icon), title, e.text, iconName(e.icon), e.title);
        if (e.buttons != buttons) {
            m_failures << QStringLiteral("  buttons differ for \"%1\"").arg(text);
        }
    }
    return e.answer;
}

QString ScriptedPrompts::openFile(QWidget*, const QString& title, const QString& folder, const QString& filter) {
    m_lastDialogTitle = title;
    m_lastDialogFilter = filter;
    m_lastDialogFolder = folder;
    if (m_queue.isEmpty() || m_queue.first().kind != Expected::Open) {
        m_failures << QStringLiteral("unexpected open dialog \"%1\"").arg(title);
        return {};
    }
    return m_queue.takeFirst().text;
}

QString ScriptedPrompts::saveFile(QWidget*, const QString& title, const QString& folder, const QString& filter) {
    m_lastDialogTitle = title;
    m_lastDialogFilter = filter;
    m_lastDialogFolder = folder;
    if (m_queue.isEmpty() || m_queue.first().kind != Expected::Save) {
        m_failures << QStringLiteral("unexpected save dialog \"%1\"").arg(title);
        return {};
    }
    return m_queue.takeFirst().text;
}

QStringList ScriptedPrompts::problems() const {
    QStringList out = m_failures;
    for (const Expected& e : m_queue) {
        out << QStringLiteral("expected prompt never came: \"%1\"").arg(e.text);
    }
    return out;
}

} // namespace fangji::testing
