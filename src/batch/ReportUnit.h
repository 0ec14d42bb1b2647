// The report window: one row per source file of the last batch, filled while the batch runs, with
// buttons that open the selected row's source or result in the desktop's viewer.
//
// TReportBatchView is the batch runner's view of the windows: its question and messages go through
// the message boxes, its rows into this window's list, and it hides the parameters window that
// started the batch.
#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "job/MessageBoxes.h"
#include "batch/BatchRunner.h"

class QFontMetrics;
namespace stampwise {
class WizardHost;
}
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TReportForm : public QWidget {
    Q_OBJECT
public:
    explicit TReportForm(stampwise::WizardHost& forms);
    ~TReportForm() override;

    QGroupBox* bgReport = nullptr;
    QTreeWidget* lvReport = nullptr;
    QLabel* lblProgress = nullptr;
    QProgressBar* pbProgress = nullptr;
    QPushButton* btnViewSource = nullptr;
    QPushButton* btnViewResult = nullptr;
    QPushButton* btnFinished = nullptr;

    // The shell's "open" on a file; its outcome is ignored. Tests record the paths instead.
    std::function<void(const std::string& path)> OpenInShell;

    // The list operations the batch needs.
    void ClearRows();
    void ClearColumns();
    void AddColumn(const stampwise::ReportColumn& column);
    void AddRow(const stampwise::ReportRow& row);
    void RepaintList();
    void ShowProgress(int done, int total);
    void ShowReport();

    // Image 0: success, image 1: failure.
    QIcon RowIcon(int imageIndex) const;

    void btnViewSourceClick();
    void btnViewResultClick();
    void btnFinishedClick();
    void FormDestroy();

private:
    // The selected row's text in column, or nothing when no row is selected.
    std::optional<std::string> SelectedRowText(int column) const;
    // Widens every column but the two path columns to this row's text where it does not fit.
    void FitColumnsToRow(QTreeWidgetItem* item);
    void FitWindowToColumns();
    static constexpr int kWindowWidthPx = 598;
    static constexpr int kListWidthPx = 566;

    stampwise::WizardHost& forms_;
    QIcon okIcon_;
    QIcon errorIcon_;
};

// path as a path column shows it in widthPx: whole when it fits, else with the middle of its folder
// part elided and the file name whole, or only the name (elided in its middle) when the name
// alone leaves no room for the folder.
QString ElidePathKeepingName(const QString& path, const QFontMetrics& metrics, int widthPx);

class TReportBatchView final : public stampwise::BatchView {
public:
    TReportBatchView(TReportForm& report, stampwise::MessageBoxes& boxes, QWidget* paramsWindow)
        : report_(report), boxes_(boxes), paramsWindow_(paramsWindow) {}

    bool AskQuestion(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void HideParamsWindow() override;
    void ClearReportRows() override;
    void ClearReportColumns() override;
    void AddReportColumn(const stampwise::ReportColumn& column) override;
    void AddReportRow(const stampwise::ReportRow& row) override;
    void RepaintReport() override;
    void ShowReport() override;
    void ProcessPendingEvents() override;
    void WaitTick() override;
    void ReportProgress(int done, int total) override;
    void PicturesReleased() override;

private:
    TReportForm& report_;
    stampwise::MessageBoxes& boxes_;
    QWidget* paramsWindow_;
};
