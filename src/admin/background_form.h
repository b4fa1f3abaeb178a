#pragma once

#include "platform/working_window.h"

#include <QImage>

class QLabel;
class QPushButton;
class QTimer;

namespace fangji::admin {

// 更换系统背景画面 (`FrmJczl`): previews a bitmap or JPEG file and stores it as the
// main window's background picture.
class BackgroundForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit BackgroundForm(platform::Session& session, QWidget* parent = nullptr);

    // The dialog's filter for picture files.
    static const QString kPictureFilter;
    // Shown after a file's name when the file is empty or missing.
    static const QString kEmptyFileSuffix;
    // Shown in the preview when the chosen file is not a picture.
    static const QString kNotAPicture;

    void CmdLoad_Click();
    void CmdOext_Click();

    // The file chosen in this window, empty until one is chosen.
    QString chosenFile() const { return m_chosen; }
    // The picture the preview shows (null when none), decoded at most at the box's size.
    QImage preview() const { return m_preview; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rescalePreview();
    QTimer* m_rescale = nullptr;
    // The size the preview box shows a picture at.
    QSize previewSize() const;
    void showPicture(const QImage& picture);

    QLabel* m_picture = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_exit = nullptr;
    QString m_chosen;
    QImage m_preview;
    bool m_chosenIsPicture = false;
    bool m_placed = false;
};

} // namespace fangji::admin
