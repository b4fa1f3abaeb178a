#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace fangji::dictionary {

struct ProgressStep;

// Where the progress window goes: left at (main width - own width) / 2 and top at
// (main height - own height) / 3, measured from the main window's top-left corner.
QPoint progressPlacement(const QRect& mainWindow, const QSize& own);

// Frmjdys: the small topmost window that shows the phase and the percentage while
// the dictionaries are generated.
class ProgressForm : public QWidget {
    Q_OBJECT
public:
    // mainWindow (may be null: then the screen) is what the window centres itself over.
    explicit ProgressForm(QWidget* mainWindow);

    // Places the window, sets the bar to 0 and shows it above every other window.
    void load();
    void setCaption(const QString& caption);
    void setPercentText(const QString& text);
    void setBar(int value);

    QProgressBar* bar() const { return m_bar; }
    QLabel* captionLabel() const { return m_caption; }
    QLabel* percentLabel() const { return m_percent; }

private:
    QWidget* m_main;
    QProgressBar* m_bar;
    QLabel* m_caption;
    QLabel* m_percent;
};

} // namespace fangji::dictionary
