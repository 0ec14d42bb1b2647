#include "batch/ReportUnit.h"

#include <QApplication>
#include <QBitmap>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

#include "batch/ReportProgress.h"
#include "batch/WizardHost.h"
#include "imaging/PictureMemory.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

constexpr int kIconPx = 16;

void OpenWithDesktop(const std::string& path) {
    // A failed row may name no file at all; the desktop then simply opens nothing.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

// The two row images, drawn here when the program's artwork does not provide them.
QPixmap DrawCheckMark() {
    QPixmap pixmap(kIconPx, kIconPx);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0, 150, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    QPainterPath tick;
    tick.moveTo(2.5, 8.5);
    tick.lineTo(6.5, 12.5);
    tick.lineTo(13.5, 3.5);
    painter.drawPath(tick);
    return pixmap;
}

QPixmap DrawExclamationMark() {
    QPixmap pixmap(kIconPx, kIconPx);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(210, 0, 0));
    painter.drawRoundedRect(QRectF(6, 1.5, 4, 9), 1.5, 1.5);
    painter.drawEllipse(QRectF(6, 11.5, 4, 4));
    return pixmap;
}

QIcon LoadRowIcon(const QString& resource, QPixmap (*draw)()) {
    QPixmap pixmap(resource);
    if (pixmap.isNull()) return QIcon(draw());
    // The artwork is drawn on white; as in an image list, that colour is the background, so a
    // selected row shows its highlight around the mark.
    pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 255, 255), Qt::MaskInColor));
    return QIcon(pixmap);
}

}  // namespace

// The artwork lives in the static window library, whose resources are linked in only when
// something names them.
static void LoadArtworkResources() { Q_INIT_RESOURCE(resources); }

TReportForm::TReportForm(stampwise::WizardHost& forms)
    : QWidget(nullptr), OpenInShell(OpenWithDesktop), forms_(forms) {
    SetUpWizardWindow(this, FormId::ReportForm, 598, 392);
    LoadArtworkResources();
    okIcon_ = LoadRowIcon(QStringLiteral(":/report_ok.bmp"), DrawCheckMark);
    errorIcon_ = LoadRowIcon(QStringLiteral(":/report_error.bmp"), DrawExclamationMark);

    bgReport = MakeBlueGroupBox(this, "bgReport", "Отчет");
    bgReport->setGeometry(8, 4, 582, 292);
    lvReport = new QTreeWidget(bgReport);
    lvReport->setObjectName(QStringLiteral("lvReport"));
    lvReport->setGeometry(8, 20, 566, 264);
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

    lblProgress = MakeLabel(this, "lblProgress", "");
    lblProgress->setGeometry(10, 300, 170, 20);
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setGeometry(184, 301, 406, 18);
    pbProgress->setTextVisible(false);
    pbProgress->setRange(0, 1);
    pbProgress->setValue(0);

    btnViewSource = MakePictureButton(this, "btnViewSource", "Просмотреть исходное изображение",
                                      QStyle::SP_FileIcon, 16, /*flat=*/false);
    btnViewSource->setGeometry(8, 326, 289, 30);
    btnViewResult = MakePictureButton(this, "btnViewResult", "Просмотреть обработанное изображение",
                                      QStyle::SP_FileDialogContentsView, 16, /*flat=*/false);
    btnViewResult->setGeometry(301, 326, 289, 30);
    btnFinished = new QPushButton(QStringLiteral("Закрыть"), this);
    btnFinished->setObjectName(QStringLiteral("btnFinished"));
    btnFinished->setGeometry(490, 360, 100, 28);

    connect(btnViewSource, &QPushButton::clicked, this, &TReportForm::btnViewSourceClick);
    connect(btnViewResult, &QPushButton::clicked, this, &TReportForm::btnViewResultClick);
    connect(btnFinished, &QPushButton::clicked, this, &TReportForm::btnFinishedClick);
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
}

void TReportForm::AddRow(const stampwise::ReportRow& row) {
    auto* item = new QTreeWidgetItem(lvReport);
    const std::string* texts[] = {&row.Caption, &row.SourceSize, &row.OutputPath, &row.NewSize,
                                  &row.Result};
    for (int column = 0; column < 5; ++column) {
        item->setText(column, QString::fromStdString(*texts[column]));
        // Why a file failed, wherever the mouse rests on its row; the columns stay as they are.
        if (!row.ErrorText.empty()) item->setToolTip(column, QString::fromStdString(row.ErrorText));
    }
    item->setIcon(0, RowIcon(row.ImageIndex));
    lvReport->scrollToItem(item);
}

void TReportForm::ShowReport() {
    // Through the window set, so the report opens centred like every wizard window.
    forms_.ShowForm(FormId::ReportForm);
}

void TReportForm::RepaintList() { lvReport->viewport()->repaint(); }

void TReportForm::ShowProgress(int done, int total) {
    lblProgress->setText(QString::fromStdString(stampwise::ReportProgressText(done, total)));
    // A batch of no files is complete at once rather than stuck at an empty bar.
    pbProgress->setRange(0, total > 0 ? total : 1);
    pbProgress->setValue(total > 0 ? done : 1);
    lblProgress->repaint();
    pbProgress->repaint();
}

std::optional<std::string> TReportForm::SelectedRowText(int column) const {
    const QList<QTreeWidgetItem*> selected = lvReport->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    return selected.first()->text(column).toStdString();
}

void TReportForm::btnViewSourceClick() {
    if (const auto path = SelectedRowText(0)) OpenInShell(*path);
}

void TReportForm::btnViewResultClick() {
    if (const auto path = SelectedRowText(2)) OpenInShell(*path);
}

void TReportForm::btnFinishedClick() { forms_.Flow().ReportFinishedClicked(); }

bool TReportBatchView::AskQuestion(const std::string& text) { return boxes_.Question(text); }

void TReportBatchView::ShowInformation(const std::string& text) { boxes_.Information(text); }

void TReportBatchView::HideParamsWindow() {
    if (paramsWindow_ != nullptr) paramsWindow_->hide();
}

void TReportBatchView::ClearReportRows() { report_.ClearRows(); }

void TReportBatchView::ClearReportColumns() { report_.ClearColumns(); }

void TReportBatchView::AddReportColumn(const stampwise::ReportColumn& column) {
    report_.AddColumn(column);
}

void TReportBatchView::AddReportRow(const stampwise::ReportRow& row) { report_.AddRow(row); }

void TReportBatchView::RepaintReport() { report_.RepaintList(); }

void TReportBatchView::ShowReport() { report_.ShowReport(); }

void TReportBatchView::ProcessPendingEvents() { QApplication::processEvents(); }

void TReportBatchView::WaitTick() {
    // The windows keep painting while files are worked on, but take no input until the final
    // message: a click now must not start a second batch or change this one's inputs.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TReportBatchView::ReportProgress(int done, int total) { report_.ShowProgress(done, total); }

void TReportBatchView::PicturesReleased() { stampwise::ReturnPictureMemory(); }
