// The report window: one row per source file of the last batch, filled while the batch runs, with
// buttons that open the selected row's source or result in the desktop's viewer, and a button that
// stops a running batch (so does Escape, or closing the window, while it runs). The user may resize
// it; the path columns take the room.
//
// RunBatch is the windows' side of a batch: the question and the messages go through the message
// boxes, the rows into this window's list, and the parameters window that started the batch hides.
// While the batch runs the windows take no input but the stop.
#pragma once

#include <QIcon>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "batch/BatchRunner.h"
#include "job/MessageBoxes.h"

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

    // Asks the question about job (its files and the source they were confirmed from) in boxes;
    // on Yes (and a target that can take the results) hides paramsWindow, sets the report up, runs
    // the batch with this window's stop button as its stop, and ends with the final message. On No
    // nothing changes; a refused target is said in a notice and the parameters window stays.
    void RunBatch(stampwise::JobState& job, stampwise::BatchInputs inputs,
                  const stampwise::BatchOperation& operation, QWidget* paramsWindow,
                  stampwise::MessageBoxes& boxes);
    // Stops the running batch as the stop button does (the program's signals come here too);
    // nothing when no batch runs.
    void StopBatch();

    // The list operations the batch needs.
    void ClearRows();
    void ClearColumns();
    void AddColumn(const stampwise::ReportColumn& column);
    // A row at the end of the list; painted with the next events, and brought into sight by
    // ScrollToLastRow.
    void AddRow(const stampwise::ReportRow& row);
    void ScrollToLastRow();
    void ShowProgress(int done, int total);
    void ShowReport();

    bool IsBatchRunning() const { return inputGate_ != nullptr; }
    // Whether the running batch was asked to stop, and its stop as a token; safe from any thread.
    bool IsStopRequested() const { return stop_.stop_requested(); }
    std::stop_token StopToken() const { return stop_.get_token(); }

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
    // A batch begins: the stop button is enabled and the windows take no other input until
    // EndBatch (a dialog of the batch keeps its own).
    void BeginBatch();
    void EndBatch();

    stampwise::WizardHost& forms_;
    QIcon okIcon_;
    QIcon errorIcon_;
    std::unique_ptr<QObject> inputGate_;  // while a batch runs
    std::stop_source stop_;               // the running batch's, made afresh for each
};

// path as a path column shows it in widthPx: whole when it fits, else with the middle of its folder
// part elided and the file name whole, or only the name (elided in its middle) when the name
// alone leaves no room for the folder.
QString ElidePathKeepingName(const QString& path, const QFontMetrics& metrics, int widthPx);
