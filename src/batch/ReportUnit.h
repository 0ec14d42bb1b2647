// The report window: one row per source file of the last batch, filled while the batch runs, with
// buttons that open the selected row's source or result in the desktop's viewer, and a button that
// stops a running batch (so does Escape, or closing the window, while it runs). The user may resize
// it; the path columns take the room.
//
// TReportBatchView is the batch runner's view of the windows: its question and messages go through
// the message boxes, its rows into this window's list, and it hides the parameters window that
// started the batch. While the batch runs the windows take no input but the stop.
#pragma once

#include <QIcon>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "job/MessageBoxes.h"
#include "batch/BatchRunner.h"

class QCloseEvent;
class QFontMetrics;
class QResizeEvent;
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
    QPushButton* btnStop = nullptr;
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

    // A batch begins: the stop button is enabled and the windows take no other input until
    // EndBatch (a dialog of the batch keeps its own).
    void BeginBatch();
    void EndBatch();
    bool IsBatchRunning() const { return inputGate_ != nullptr; }
    // Whether the stop button was pressed in the running batch; safe from any thread.
    bool IsStopRequested() const { return isStopRequested_; }

    // Image 0: success, image 1: failure.
    QIcon RowIcon(int imageIndex) const;

    void btnViewSourceClick();
    void btnViewResultClick();
    void btnStopClick();
    void btnFinishedClick();
    void FormDestroy();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The selected row's text in column, or nothing when no row is selected.
    std::optional<std::string> SelectedRowText(int column) const;
    void LayOut();
    // Widens every column but the two path columns to this row's text where it does not fit.
    void FitColumnsToRow(QTreeWidgetItem* item);

    stampwise::WizardHost& forms_;
    QIcon okIcon_;
    QIcon errorIcon_;
    std::unique_ptr<QObject> inputGate_;  // while a batch runs
    std::atomic<bool> isStopRequested_{false};
};

// path as a path column shows it in widthPx: whole when it fits, else with the middle of its folder
// part elided and the file name whole, or only the name (elided in its middle) when the name
// alone leaves no room for the folder.
QString ElidePathKeepingName(const QString& path, const QFontMetrics& metrics, int widthPx);

class TReportBatchView final : public stampwise::BatchView {
public:
    TReportBatchView(TReportForm& report, stampwise::MessageBoxes& boxes, QWidget* paramsWindow)
        : report_(report), boxes_(boxes), paramsWindow_(paramsWindow) {}
    // Ends the batch for the window also when the runner was left by an exception.
    ~TReportBatchView() override;
    TReportBatchView(const TReportBatchView&) = delete;
    TReportBatchView& operator=(const TReportBatchView&) = delete;

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
    void ShowNotice(const std::string& text) override;
    bool StopRequested() const override;

private:
    TReportForm& report_;
    stampwise::MessageBoxes& boxes_;
    QWidget* paramsWindow_;
};
