#pragma once

#include "platform/working_window.h"

class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QRadioButton;

namespace fangji::store {
struct DbError;
}

namespace fangji::admin {

// 数据备份及数据恢复 (`Frmcopy`): copies the database to a chosen file (backup) or
// a chosen backup over the database (restore).
class BackupForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit BackupForm(platform::Session& session, QWidget* parent = nullptr);

    // Seconds the window pauses after a copy, with the animation running.
    static constexpr int kPauseMs = 5000;
    // The message a restore of a file that is not a database of this system gets.
    static const QString kNotOurDatabase;

    // The pause after a copy: both buttons hidden while events run for five seconds,
    // then the animation stops and the buttons come back.
    void waitment(QPushButton* copyButton, QPushButton* exitButton, QLabel* animation);

    void Optsave_Click();
    void Optcove_Click();
    void CmdPath_Click();
    void Cmdcopy_Click();
    void Cmdexit_Click();

    // Whether a copy or its pause is under way.
    bool isCopying() const { return m_copying; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void chooseMode(const QString& copyCaption);
    void startAnimation();
    void showButtons(bool shown);
    void reportCopyError(const store::DbError& error);

    QRadioButton* m_backupMode = nullptr;
    QRadioButton* m_restoreMode = nullptr;
    QPushButton* m_choosePath = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_exit = nullptr;
    QLabel* m_animation = nullptr;
    QMovie* m_movie = nullptr;
    bool m_placed = false;
    bool m_copying = false;
};

} // namespace fangji::admin
