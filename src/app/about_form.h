#pragma once

#include "platform/working_window.h"

class QLabel;
class QPushButton;

namespace fangji::app {

// frmAbout: product name, version, description and a link to the product's web address.
class AboutForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit AboutForm(platform::Session& session, QWidget* parent = nullptr);

    // Label1's two looks: hovered (9 pt, underlined, blue, hand) and normal (11 pt, black, arrow).
    void setLinkHovered(bool hovered);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOK_Click();

    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_link = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace fangji::app
