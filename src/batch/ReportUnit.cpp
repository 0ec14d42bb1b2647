#include "batch/ReportUnit.h"

#include <algorithm>

#include <QApplication>
#include <QBitmap>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QUrl>

#include "batch/ReportProgress.h"
#include "batch/ReportToolTip.h"
#include "batch/WizardHost.h"
#include "imaging/PictureMemory.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

constexpr int kIconPx = 16;
constexpr int kReportColumnCount = 5;
constexpr int kSourcePathColumn = 0;
constexpr int kOutputPathColumn = 2;

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

QIcon LoadRowIcon(const QString& resource, QPixmap (*draw)()) {
    QPixmap pixmap(resource);
    if (pixmap.isNull()) return QIcon(draw());
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

// The artwork lives in the static window library, whose resources are linked in only when
// something names them.
static void LoadArtworkResources() { Q_INIT_RESOURCE(resources); }

TReportForm::TReportForm(stampwise::WizardHost& forms)
    : QWidget(nullptr), OpenInShell(OpenWithDesktop), forms_(forms) {
    SetUpWizardWindow(this, FormId::ReportForm, kWindowWidthPx, 392);
    LoadArtworkResources();
    okIcon_ = LoadRowIcon(QStringLiteral(":/report_ok.bmp"), DrawCheckMark);
    errorIcon_ = LoadRowIcon(QStringLiteral(":/report_error.bmp"), DrawExclamationMark);

    bgReport = MakeBlueGroupBox(this, "bgReport", "Отчет");
    bgReport->setGeometry(8, 4, 582, 292);
    lvReport = new QTreeWidget(bgReport);
    lvReport->setObjectName(QStringLiteral("lvReport"));
    lvReport->setGeometry(8, 20, kListWidthPx, 264);
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

void TReportForm::ClearColumns() {
    lvReport->setColumnCount(0);
    FitWindowToColumns();
}

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
    lvReport->scrollToItem(item);
}

void TReportForm::FitColumnsToRow(QTreeWidgetItem* item) {
    // The designed widths were made for a smaller font; a size such as 6000x4000 must still be
    // read whole. Paths are elided instead, so the two path columns keep their widths.
    for (int column = 0; column < lvReport->columnCount(); ++column) {
        if (column == kSourcePathColumn || column == kOutputPathColumn) continue;
        const int needed = lvReport->sizeHintForIndex(lvReport->indexFromItem(item, column)).width();
        if (needed > lvReport->columnWidth(column)) lvReport->setColumnWidth(column, needed);
    }
    FitWindowToColumns();
}

void TReportForm::FitWindowToColumns() {
    // Widened size columns must not push the last one out of sight behind a sideways scroll bar:
    // the window grows by what the columns need beyond the designed list, room for the vertical
    // scroll bar included, and goes back to its designed width when they fit again.
    const int neededPx = lvReport->header()->length() + 2 * lvReport->frameWidth() +
                         lvReport->verticalScrollBar()->sizeHint().width();
    const int growPx = std::max(0, neededPx - kListWidthPx);
    if (width() == kWindowWidthPx + growPx) return;
    setFixedWidth(kWindowWidthPx + growPx);
    bgReport->resize(kWindowWidthPx - 16 + growPx, bgReport->height());
    lvReport->resize(kListWidthPx + growPx, lvReport->height());
    pbProgress->resize(406 + growPx, pbProgress->height());
    btnFinished->move(490 + growPx, btnFinished->y());
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
    if (const auto path = SelectedRowText(kSourcePathColumn)) OpenInShell(*path);
}

void TReportForm::btnViewResultClick() {
    if (const auto path = SelectedRowText(kOutputPathColumn)) OpenInShell(*path);
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
