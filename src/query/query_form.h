#pragma once

#include "platform/working_window.h"
#include "query_statement.h"
#include "query_store.h"
#include "result_export.h"

#include <array>
#include <memory>

class QAction;
class QBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class QTabWidget;
class QTableView;
class QTimer;

namespace fangji::platform {
class KeyFlow;
}

namespace fangji::query {

class ResultModel;

// 方剂查询浏览 (`FrmFjfd`): fourteen criteria over the prescriptions, the result
// grid, the detail page of one prescription, and the grid's saved column widths.
class QueryForm : public platform::WorkingWindow {
    Q_OBJECT
public:
    explicit QueryForm(platform::Session& session, QWidget* parent = nullptr);
    ~QueryForm() override;

    // 查询: trims the criteria, stores the statement as "000" and lists its rows;
    // nothing found clears the window.
    void Cmdseek_Click();
    // 清屏.
    void Cmdqcls_Click();
    // Clears the criteria and the detail page, reloads the lists, shows the full listing.
    void Qpcls();
    // Empties the eight detail boxes.
    void QpcFj();
    // The full listing in the sort list's order.
    void MsfgridAdd();
    // Fills the grid from the stored query "000"; errors go to the caller.
    store::Status msfgridfjcx();
    // The detail page of a grid row (0 is the first data row).
    void MSFGrid_Click(int row);
    // 返回首页.
    void CmdCkba_Click();
    // 退出: saves the widths, closes the window, gives the menus back.
    void Cmdexit_Click();
    // The sort list's entry was chosen: the query runs again with the same criteria.
    void CboFjpx_Click();
    void CmdHelp_Click();
    // 导出为 CSV… and 导出为 Excel…: the rows of the grid's result, all eight texts, into a
    // file the user names, with a progress window that can stop it.
    void exportResult(ExportFormat format);
    void ReadColW();
    void WriteColW();

    // The grid's column widths in twips, as they would be saved.
    ColumnWidths columnWidths() const;
    void setColumnWidths(const ColumnWidths& twips);
    const ResultModel& resultModel() const { return *m_model; }
    Criteria criteria() const;
    // A listing or query result whose first rows are shown and whose rest is still being
    // read between events; finishFill reads the rest at once.
    bool isFilling() const { return m_fill != nullptr; }
    void finishFill();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    // Each returns the page's layout.
    QBoxLayout* buildQueryPage(QWidget* page);
    QBoxLayout* buildDetailPage(QWidget* page);
    // The composition box with the line of forbidden pairs below it.
    QBoxLayout* withWarningLine(QWidget* composition);
    void wireKeys();
    void reloadLists();
    void showDetailFor(const QString& name);
    void showError(const store::DbError& error);
    // Puts a new listing or query result into the grid, shown from its first row.
    void showRows(GridRows rows);
    // Shows the rows of reader: the first slice now (nothing when it has no content, and
    // then false), the rest a slice at a time between events.
    store::Result<bool> startFill(store::Database db, const QString& nameOrSql = kScratchQuery);
    // The folder an export file is proposed in.
    QString exportFolder() const;
    void fillSlice();
    // Ends the reading of the rows still to come (a new listing, a write to the file).
    void cancelFill();

    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_source = nullptr;
    std::array<QLineEdit*, 3> m_herbs{};
    std::array<QComboBox*, 3> m_effects{};
    std::array<QComboBox*, 3> m_indications{};
    std::array<QComboBox*, 3> m_clinical{};
    QComboBox* m_sort = nullptr;
    QPushButton* m_seek = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_help = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_link = nullptr;
    QPushButton* m_export = nullptr;
    QMenu* m_exportMenu = nullptr;
    QAction* m_exportCsv = nullptr;
    QAction* m_exportXlsx = nullptr;
    // The statement whose rows the grid shows (the export runs it again).
    QString m_listing;
    QTableView* m_grid = nullptr;
    ResultModel* m_model = nullptr;
    // Detail boxes by position of the prescription's texts (名称 … 临床).
    std::array<QWidget*, 8> m_detail{};
    // Under the composition: its forbidden pairs of herbs (十八反, 十九畏), empty when none.
    QLabel* m_warning = nullptr;
    QStringListModel* m_effectsList = nullptr;
    QStringListModel* m_indicationsList = nullptr;
    QStringListModel* m_sourcesList = nullptr;
    QStringListModel* m_clinicalList = nullptr;
    platform::KeyFlow* m_keys = nullptr;
    // The widths as read, so that a column nobody resized is saved exactly as it was.
    ColumnWidths m_readTwips = kDefaultColumnWidths;
    bool m_placed = false;
    // The listing being read, and the timer that reads its next slice.
    std::unique_ptr<GridReader> m_fill;
    QTimer* m_fillTimer = nullptr;
};

} // namespace fangji::query
