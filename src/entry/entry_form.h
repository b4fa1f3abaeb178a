#pragma once

#include "entry_text.h"

#include "platform/working_window.h"
#include "store/database.h"
#include "store/result.h"

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;

namespace fangji::entry {

class MemoBox;

// 方剂登录 (`Frmfjdl`): enters, edits, deletes, looks up and prints one
// prescription at a time in eight boxes, beside the list of stored names.
class EntryForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit EntryForm(platform::Session& session, QWidget* parent = nullptr);

    // The outcome of the last validation (the window's description keeps it as jybl:
    // 1 a required box was blank, 0 all present).
    enum class InputCheck { Refused, Passed };
    InputCheck inputCheck() const { return m_inputCheck; }

    // Empties the boxes and shows every prescription with the count.
    void Qpcls();
    // Validates the boxes and sets inputCheck().
    void SrnrJy();

    // The record source the name list shows.
    QString recordSource() const { return m_recordSource; }

    // Button handlers.
    // Save, edit and delete: runs one write under the busy pointer and clears the window
    // when it changed a row. The write's outcome, or nothing after an error (reported).
    std::optional<bool> writeRow(const std::function<store::Result<bool>(store::Database&)>& write);
    void CmdSave_Click();
    void Cmdedit_Click();
    void Cmddele_Click();
    void Cmdqcls_Click();
    void Cmdseek_Click();
    void Cmdprnt_Click();
    void CmdQuit_Click();
    // Loads the prescription named by the list's row.
    void ListFjmc_Click(int row);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void layOut(const std::array<QLabel*, 8>& labels, QLabel* caption);
    QString boxText(int position) const;
    void setBoxText(int position, const QString& text);
    void trimBox(int position);
    void focusBox(int position, bool selectAll);
    EntryRecord boxTexts() const;
    void fillBoxes(const EntryRecord& record);
    // Reads the record source into the list; the list stays as it was on failure.
    store::Status refreshList(const QString& recordSource);
    void reportError(const store::DbError& error);
    bool enterIn(int position);
    // Asks before a composition with forbidden pairs of herbs is written; false: the user said
    // No, nothing is to be written and the composition box has the focus.
    bool confirmIncompatibilities();
    void lookupName();

    std::array<QWidget*, 8> m_boxes{};
    QLineEdit* m_name = nullptr;
    QLineEdit* m_source = nullptr;
    QListView* m_list = nullptr;
    QStringListModel* m_names = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_seek = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_quit = nullptr;
    QString m_recordSource;
    InputCheck m_inputCheck = InputCheck::Passed;
    bool m_loaded = false;
    bool m_menusGiven = false;
};

} // namespace fangji::entry
