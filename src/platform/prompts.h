#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace fangji::platform {

enum class Icon { None, Information, Exclamation, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Every message box and file dialog of the system goes through this interface,
// so that tests can script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual Answer message(QWidget* parent, const QString& text, Icon icon, Buttons buttons, const QString& title) = 0;
    // File dialogs return the chosen path, or an empty string when cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) = 0;
};

// The installed prompts (real dialogs unless a test installed its own).
Prompts& prompts();
// Installs p (not owned); nullptr restores the real dialogs.
void setPrompts(Prompts* p);

// Shorthands.
Answer message(QWidget* parent, const QString& text, Icon icon = Icon::Information, Buttons buttons = Buttons::Ok,
               const QString& title = QString());
bool ask(QWidget* parent, const QString& text); // Yes/No, question icon, empty title; true on Yes

// The message box the installed dialogs show, made but not yet shown.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& text, Icon icon, Buttons buttons,
                                            const QString& title);

// Converts the system's filter form "描述|*.a;*.b" (pairs joined by "|") to Qt's.
QString qtFilter(const QString& filter);

} // namespace fangji::platform
