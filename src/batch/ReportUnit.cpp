#include "batch/ReportUnit.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>

#include "batch/PacedBatchView.h"
#include "batch/ReportProgress.h"
#include "batch/ReportToolTip.h"
#include "batch/WizardHost.h"
#include "imaging/PictureMemory.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

constexpr int kIconPx = 16;
constexpr int kDesignWidthPx = 598;
constexpr int kDesignHeightPx = 392;
constexpr int kReportColumnCount = 5;
constexpr int kSourcePathColumn = 0;
constexpr int kOutputPathColumn = 2;

void OpenWithDesktop(const std::string& path) {
    // A failed row may name no file at all; the desktop then simply opens nothing.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

// Draws a path column: a path too long for it loses the middle of its folder part, so the file
// name stays whole and the start of the folder still says where it lies.
class TPathDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
        // The style draws the text inside this rectangle, less a margin on each side.
        const int marginPx = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
        const int widthPx =
            style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget).width() -
            2 * marginPx;
        item.text = ElidePathKeepingName(item.text, item.fontMetrics, widthPx);
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    }
};

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

// While a batch runs, the windows keep painting but take no input except the stop: the stop button,
// Escape in the report window and its close box. A click elsewhere must not start a second batch
// or change this one's inputs. A dialog of the batch (the folder message) is modal, and Qt then
// keeps the input for it alone.
class TBatchInputGate final : public QObject {
public:
    explicit TBatchInputGate(TReportForm& report) : report_(report) {
        QApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            // The report window's close box is a stop (its closeEvent); any other window's close
            // box waits for the end of the batch.
            if (!event->spontaneous() || watched == &report_ || !watched->isWidgetType()) {
                return false;
            }
            event->ignore();
            return true;
        }
        if (!IsUserInput(event->type()) || QApplication::activeModalWidget() != nullptr) {
            return false;
        }
        // The native window hands its input on to the widget it is for, seen here next.
        if (watched->isWindowType() || watched == report_.btnStop) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::KeyPress && widget != nullptr &&
            widget->window() == &report_ &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (report_.btnStop->isEnabled()) report_.btnStop->click();
        }
        return true;
    }

private:
    TReportForm& report_;
};

// The batch runner's view of this window, behind a PacedBatchView: the rows into the list and a
// folder message in a box before its row, painted by the events handled after each run of them,
// so the windows paint once per run and the stop is heard.
class TReportBatchView final : public stampwise::BatchView {
public:
    TReportBatchView(TReportForm& report, stampwise::MessageBoxes& boxes)
        : report_(report), boxes_(boxes) {}

    void AddRow(const stampwise::ReportRow& row, const std::string& folderMessage) override {
        if (!folderMessage.empty()) boxes_.Information(folderMessage);
        report_.AddRow(row);
        hasNewRows_ = true;
    }
    void ShowProgress(int done, int total) override { report_.ShowProgress(done, total); }
    // Everything, so the windows keep painting and the stop button is heard; the report window's
    // gate keeps every other input out until the final message.
    // The list scrolls once per run of rows; the ticks between runs only handle the events.
    void WaitTick() override {
        if (std::exchange(hasNewRows_, false)) report_.ScrollToLastRow();
        QApplication::processEvents();
    }

private:
    TReportForm& report_;
    stampwise::MessageBoxes& boxes_;
    bool hasNewRows_ = false;
};

QIcon LoadRowIcon(const QString& resource) {
    QPixmap pixmap(resource);
    // The artwork is drawn on white; as in an image list, that colour is the background, so a
    // selected row shows its highlight around the mark.
    pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 255, 255), Qt::MaskInColor));
    return QIcon(pixmap);
}

}  // namespace

QString ElidePathKeepingName(const QString& path, const QFontMetrics& metrics, int widthPx) {
    if (metrics.horizontalAdvance(path) <= widthPx) return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    const int folderRoomPx = widthPx - metrics.horizontalAdvance(QLatin1Char('/') + name);
    // Less room than a few letters of folder says nothing: the name alone then, its middle going
    // if even that is too long, so its start and its extension stay.
    if (slash < 0 || folderRoomPx < metrics.horizontalAdvance(QStringLiteral("/ab…"))) {
        return metrics.elidedText(name, Qt::ElideMiddle, widthPx);
    }
    return metrics.elidedText(path.left(slash), Qt::ElideMiddle, folderRoomPx) +
           QLatin1Char('/') + name;
}

TReportForm::TReportForm(stampwise::WizardHost& forms)
    : QWidget(nullptr), OpenInShell(OpenWithDesktop), forms_(forms) {
    SetUpWizardWindow(this, FormId::ReportForm, kDesignWidthPx, kDesignHeightPx);
    // Long paths want room: the user may make the window larger, never smaller than designed.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, false);
    setMinimumSize(kDesignWidthPx, kDesignHeightPx);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    RegisterArtwork();
    okIcon_ = LoadRowIcon(QStringLiteral(":/report_ok.bmp"));
    errorIcon_ = LoadRowIcon(QStringLiteral(":/report_error.bmp"));

    bgReport = MakeBlueGroupBox(this, "bgReport", "Отчет");
    lvReport = new QTreeWidget(bgReport);
    lvReport->setObjectName(QStringLiteral("lvReport"));
    lvReport->setRootIsDecorated(false);
    lvReport->setItemsExpandable(false);
    lvReport->setUniformRowHeights(true);
    lvReport->setSelectionMode(QAbstractItemView::SingleSelection);
    lvReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvReport->setAllColumnsShowFocus(true);
    lvReport->setIconSize(QSize(kIconPx, kIconPx));
    lvReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvReport->setSortingEnabled(false);
    lvReport->header()->setStretchLastSection(false);
    lvReport->header()->setSectionsMovable(false);
    lvReport->setColumnCount(0);
    // A path too long for its column keeps its file name in sight; the tooltip has all of it.
    lvReport->setTextElideMode(Qt::ElideMiddle);
    for (int column : {kSourcePathColumn, kOutputPathColumn}) {
        lvReport->setItemDelegateForColumn(column, new TPathDelegate(lvReport));
    }

    lblProgress = MakeLabel(this, "lblProgress", "");
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setTextVisible(false);
    pbProgress->setRange(0, 1);
    pbProgress->setValue(0);

    btnViewSource = MakePictureButton(this, "btnViewSource", "Просмотреть исходное изображение",
                                      QStyle::SP_FileIcon, 16, /*flat=*/false);
    btnViewResult = MakePictureButton(this, "btnViewResult", "Просмотреть обработанное изображение",
                                      QStyle::SP_FileDialogContentsView, 16, /*flat=*/false);
    btnStop = MakePictureButton(this, "btnStop", "Остановить", QStyle::SP_BrowserStop, 16,
                                /*flat=*/false);
    btnStop->setEnabled(false);
    btnFinished = new QPushButton(QStringLiteral("Закрыть"), this);
    btnFinished->setObjectName(QStringLiteral("btnFinished"));
    LayOut();

    connect(btnViewSource, &QPushButton::clicked, this, &TReportForm::btnViewSourceClick);
    connect(btnViewResult, &QPushButton::clicked, this, &TReportForm::btnViewResultClick);
    connect(btnStop, &QPushButton::clicked, this, &TReportForm::btnStopClick);
    connect(btnFinished, &QPushButton::clicked, this, &TReportForm::btnFinishedClick);
    // Enter closes the report as its default button does; during a batch the gate keeps it out.
    InstallWizardKeys(this, btnFinished);
}

void TReportForm::LayOut() {
    // The designed places at the designed size; what the user adds goes to the list, and the
    // buttons keep to the bottom and the right.
    const int w = width();
    const int h = height();
    bgReport->setGeometry(8, 4, w - 16, h - 100);
    lvReport->setGeometry(8, 20, w - 32, h - 128);
    lblProgress->setGeometry(10, h - 92, 170, 20);
    pbProgress->setGeometry(184, h - 91, w - 192, 18);
    const int viewWidth = (w - 20) / 2;
    btnViewSource->setGeometry(8, h - 66, viewWidth, 30);
    btnViewResult->setGeometry(w - 8 - viewWidth, h - 66, viewWidth, 30);
    const int stopWidth = std::max(100, btnStop->sizeHint().width());
    btnStop->setGeometry(w - 112 - stopWidth, h - 32, stopWidth, 28);
    btnFinished->setGeometry(w - 108, h - 32, 100, 28);
}

void TReportForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

TReportForm::~TReportForm() { FormDestroy(); }

void TReportForm::FormDestroy() { lvReport->clear(); }

QIcon TReportForm::RowIcon(int imageIndex) const {
    return imageIndex == stampwise::kReportImageError ? errorIcon_ : okIcon_;
}

void TReportForm::ClearRows() {
    lvReport->clear();
    lblProgress->clear();
    pbProgress->setRange(0, 1);
    pbProgress->setValue(0);
}

void TReportForm::ClearColumns() { lvReport->setColumnCount(0); }

void TReportForm::AddColumn(const stampwise::ReportColumn& column) {
    const int index = lvReport->columnCount();
    lvReport->setColumnCount(index + 1);
    lvReport->headerItem()->setText(index, QString::fromStdString(column.Caption));
    lvReport->setColumnWidth(index, column.Width);
    // The two path columns share what the others leave, so a wider window shows more of the
    // paths and no column goes out of sight behind a sideways scroll bar.
    if (index == kSourcePathColumn || index == kOutputPathColumn) {
        lvReport->header()->setSectionResizeMode(index, QHeaderView::Stretch);
    }
}

void TReportForm::AddRow(const stampwise::ReportRow& row) {
    auto* item = new QTreeWidgetItem(lvReport);
    const std::string* texts[] = {&row.Caption, &row.SourceSize, &row.OutputPath, &row.NewSize,
                                  &row.Result};
    // The whole paths and, for a failed file, why, wherever the mouse rests on its row.
    const QString tip = QString::fromStdString(stampwise::ReportRowToolTip(
        row, lvReport->headerItem()->text(kSourcePathColumn).toStdString(),
        lvReport->headerItem()->text(kOutputPathColumn).toStdString()));
    for (int column = 0; column < kReportColumnCount; ++column) {
        item->setText(column, QString::fromStdString(*texts[column]));
        item->setToolTip(column, tip);
    }
    item->setIcon(0, RowIcon(row.ImageIndex));
    FitColumnsToRow(item);
}

void TReportForm::ScrollToLastRow() {
    // Once per run of rows: each scroll lays the whole list out again.
    const int count = lvReport->topLevelItemCount();
    if (count > 0) lvReport->scrollToItem(lvReport->topLevelItem(count - 1));
}

void TReportForm::FitColumnsToRow(QTreeWidgetItem* item) {
    // The designed widths were made for a smaller font; a size such as 6000x4000 must still be
    // read whole. Paths are elided instead, in what room is left to them.
    for (int column = 0; column < lvReport->columnCount(); ++column) {
        if (column == kSourcePathColumn || column == kOutputPathColumn) continue;
        const int needed = lvReport->sizeHintForIndex(lvReport->indexFromItem(item, column)).width();
        if (needed > lvReport->columnWidth(column)) lvReport->setColumnWidth(column, needed);
    }
}

void TReportForm::ShowReport() {
    // Through the window set, so the report opens centred like every wizard window.
    forms_.ShowForm(FormId::ReportForm);
}

void TReportForm::ShowProgress(int done, int total) {
    lblProgress->setText(QString::fromStdString(stampwise::ReportProgressText(done, total)));
    // A batch of no files is complete at once rather than stuck at an empty bar.
    pbProgress->setRange(0, total > 0 ? total : 1);
    pbProgress->setValue(total > 0 ? done : 1);
}

std::optional<std::string> TReportForm::SelectedRowText(int column) const {
    const QList<QTreeWidgetItem*> selected = lvReport->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    return selected.first()->text(column).toStdString();
}

void TReportForm::btnViewSourceClick() {
    if (const auto path = SelectedRowText(kSourcePathColumn)) OpenInShell(*path);
}

void TReportForm::btnViewResultClick() {
    if (const auto path = SelectedRowText(kOutputPathColumn)) OpenInShell(*path);
}

void TReportForm::btnStopClick() {
    stop_.request_stop();
    btnStop->setEnabled(false);  // pressed once; the files under way still finish
}

void TReportForm::StopBatch() {
    if (IsBatchRunning() && btnStop->isEnabled()) btnStop->click();
}

void TReportForm::btnFinishedClick() { forms_.Flow().ReportFinishedClicked(); }

void TReportForm::BeginBatch() {
    stop_ = std::stop_source();
    inputGate_ = std::make_unique<TBatchInputGate>(*this);
    btnStop->setEnabled(true);
    // What the gate keeps out looks so: the batch must end, or be stopped, first.
    for (QPushButton* button : {btnViewSource, btnViewResult, btnFinished}) button->setEnabled(false);
}

void TReportForm::EndBatch() {
    inputGate_.reset();
    btnStop->setEnabled(false);
    for (QPushButton* button : {btnViewSource, btnViewResult, btnFinished}) button->setEnabled(true);
}

void TReportForm::closeEvent(QCloseEvent* event) {
    if (IsBatchRunning()) {
        // The window must stay to show the rows of the files under way; closing it means stop.
        event->ignore();
        if (btnStop->isEnabled()) btnStop->click();
        return;
    }
    QWidget::closeEvent(event);
}

void TReportForm::RunBatch(stampwise::JobState& job, stampwise::BatchInputs inputs,
                           const stampwise::BatchOperation& operation, QWidget* paramsWindow,
                           stampwise::MessageBoxes& boxes) {
    const std::string question = stampwise::BuildConfirmationText(
        operation.Texts, job.SourceFilesKind, job.SourceFilesFolder,
        static_cast<int>(job.SourceFiles.size()), operation.OperationPhrase, job.TargetMode,
        inputs.Targets);
    if (!boxes.Question(question)) return;
    // Every file of a folder that cannot take results would fail on it, one by one, after being
    // read: said once per folder, and the parameters window stays for another try.
    const std::vector<std::string> refusals =
        stampwise::TargetRefusals(job.TargetMode, inputs.Targets, job.SourceFiles);
    for (const std::string& refusal : refusals) boxes.Notice(refusal);
    if (!refusals.empty()) return;

    if (paramsWindow != nullptr) paramsWindow->hide();
    ClearRows();
    ClearColumns();
    ShowReport();
    BeginBatch();
    // Ends the batch for the windows also when the runner is left by an exception.
    struct BatchEnd {
        TReportForm& report;
        ~BatchEnd() {
            if (report.IsBatchRunning()) report.EndBatch();
        }
    } batchEnd{*this};
    for (const stampwise::ReportColumn& column : stampwise::ReportColumns(operation.Texts)) {
        AddColumn(column);
    }
    QApplication::processEvents();

    inputs.Stop = stop_.get_token();
    TReportBatchView view(*this, boxes);
    stampwise::PacedBatchView paced(view);
    const stampwise::BatchSummary summary = stampwise::RunBatch(job, inputs, operation, paced);
    paced.Flush();
    // Every picture of the batch is gone: the memory goes back to the system, since a program
    // that keeps pictures' memory for reuse would otherwise hold the batch's peak while it waits.
    stampwise::ReturnPictureMemory();
    EndBatch();
    boxes.Information(summary.FinalMessage);
}
