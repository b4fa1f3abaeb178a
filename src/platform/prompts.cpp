#include "prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace fangji::platform {

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& text, Icon icon, Buttons buttons,
                                            const QString& title) {
    auto box = std::make_unique<QMessageBox>(parent);
    // A window with an empty title shows the application's name ("fangji") instead; a
    // single space shows nothing, as the message boxes without a title should.
    box->setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
    box->setText(text);
    switch (icon) {
    case Icon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box->button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    return box;
}

namespace {

class DialogPrompts final : public Prompts {
public:
    Answer message(QWidget* parent, const QString& text, Icon icon, Buttons buttons, const QString& title) override {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(parent, text, icon, buttons, title);
        const int r = box->exec();
        if (buttons == Buttons::Ok) {
            return Answer::Ok;
        }
        return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }

    QString openFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, title, folder, qtFilter(filter));
    }

    QString saveFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, title, folder, qtFilter(filter));
    }
};

DialogPrompts& dialogPrompts() {
    static DialogPrompts p;
    return p;
}

Prompts* g_prompts = nullptr;

} // namespace

Prompts& prompts() {
    return g_prompts ? *g_prompts : dialogPrompts();
}

void setPrompts(Prompts* p) {
    g_prompts = p;
}

Answer message(QWidget* parent, const QString& text, Icon icon, Buttons buttons, const QString& title) {
    return prompts().message(parent, text, icon, buttons, title);
}

bool ask(QWidget* parent, const QString& text) {
    return prompts().message(parent, text, Icon::Question, Buttons::YesNo, QString()) == Answer::Yes;
}

QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        // The dialog shows the patterns itself: a description that names them already
        // ("数据库文件(*.mdb)") loses its own copy, so they show once.
        QString description = parts[i];
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
        out << description + QStringLiteral(" (") + patterns + u')';
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace fangji::platform
