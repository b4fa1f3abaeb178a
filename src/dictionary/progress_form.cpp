#include "progress_form.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace fangji::dictionary {

QPoint progressPlacement(const QRect& mainWindow, const QSize& own) {
    return mainWindow.topLeft() +
           QPoint((mainWindow.width() - own.width()) / 2, (mainWindow.height() - own.height()) / 3);
}

ProgressForm::ProgressForm(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_main(mainWindow) {
    setObjectName(QStringLiteral("Frmjdys"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("词典生成"));

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("Labprg"));
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("Labpre"));
    m_percent->setMinimumWidth(48);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgBar"));
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("生成进度"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    auto* row = new QHBoxLayout;
    row->addWidget(m_bar, 1);
    row->addWidget(m_percent);
    layout->addLayout(row);
    resize(420, 90);
}

void ProgressForm::load() {
    const QRect main = m_main != nullptr ? m_main->frameGeometry()
                       : QGuiApplication::primaryScreen() != nullptr
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1024, 768);
    move(progressPlacement(main, size()));
    m_bar->setValue(0);
    show();
    raise();
}

void ProgressForm::setCaption(const QString& caption) {
    m_caption->setText(caption);
}

void ProgressForm::setPercentText(const QString& text) {
    m_percent->setText(text);
}

void ProgressForm::setBar(int value) {
    m_bar->setValue(qBound(0, value, 100));
}

} // namespace fangji::dictionary
