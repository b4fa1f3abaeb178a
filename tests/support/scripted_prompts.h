#pragma once

#include "platform/prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fangji::testing {

// Prompts for tests: a queue of expected message boxes and dialogs with their
// answers. An unexpected prompt, or one that differs from the expectation,
// is recorded as a failure; so is an expected prompt that never came.
class ScriptedPrompts final : public platform::Prompts {
public:
    ScriptedPrompts();
    ~ScriptedPrompts() override;

    // Expects a message box with exactly this text, icon, buttons and title.
    ScriptedPrompts& expectMessage(const QString& text, platform::Icon icon = platform::Icon::Information,
                                   platform::Buttons buttons = platform::Buttons::Ok,
                                   platform::Answer answer = platform::Answer::Ok, const QString& title = QString());
    // Expects a file dialog (open or save) and answers it with path.
    ScriptedPrompts& expectOpenFile(const QString& path);
    ScriptedPrompts& expectSaveFile(const QString& path);

    platform::Answer message(QWidget* parent, const QString& text, platform::Icon icon, platform::Buttons buttons,
                             const QString& title) override;
    QString openFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) override;

    // Failures so far (unexpected or mismatched prompts), plus the prompts still expected.
    QStringList problems() const;
    bool allSeen() const { return m_queue.isEmpty(); }
    // Every message text shown so far, in order.
    const QStringList& shown() const { return m_shown; }
    // Title and filter of the last file dialog.
    QString lastDialogTitle() const { return m_lastDialogTitle; }
    QString lastDialogFilter() const { return m_lastDialogFilter; }
    QString lastDialogFolder() const { return m_lastDialogFolder; }
    void clear();

private:
    struct Expected {
        enum Kind { Message, Open, Save } kind;
        QString text;
        platform::Icon icon;
        platform::Buttons buttons;
        platform::Answer answer;
        QString title;
    };
    QList<Expected> m_queue;
    QStringList m_failures;
    QStringList m_shown;
    QString m_lastDialogTitle;
    QString m_lastDialogFilter;
    QString m_lastDialogFolder;
};

} // namespace fangji::testing

// Fails the current test when the scripted prompts saw anything unexpected or missed one.
#define FANGJI_VERIFY_PROMPTS(p)                                                                                       \
    do {                                                                                                               \
        const QStringList _problems = (p).problems();                                                                  \
        QVERIFY2(_problems.isEmpty(), qPrintable(_problems.join(QStringLiteral("\n"))));                               \
    } while (false)
