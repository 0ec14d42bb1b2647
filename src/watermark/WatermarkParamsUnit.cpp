#include "watermark/WatermarkParamsUnit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "batch/WizardHost.h"
#include "imaging/JpegImage.h"
#include "widgets/PathLabelUnit.h"
#include "widgets/SizeRuleGroupUnit.h"
#include "widgets/SpinEditUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;
using stampwise::LogoPlacement;
using stampwise::LogoSizeMode;
using stampwise::TBitmap;

namespace {

constexpr int kSizeSpinStep = 10;
constexpr int kMarginSpinStep = 1;
constexpr int kMinSpinWidthPx = 56;
constexpr int kToggleButtonPx = 28;
constexpr int kToggleGlyphPx = 20;
// The logo's own size is typed in pixels; the third rule scales it.
const TSizeRuleGroup::Lines kSizeRuleLines = {{
    {"rbWidth", "seWidth", "Задать ширину", 26, "пикс.", 100},
    {"rbHeight", "seHeight", "Задать высоту", 26, "пикс.", 100},
    {"rbPercents", "sePercents", "Задать масштаб", 19, "(%)", 100},
}};
// While no picture has been drawn the box shows this, so that the yellow invitation reads well.
const QColor kBlankPreviewColour(64, 64, 64);

QLabel* MakeBoldLabel(QWidget* parent, const char* name) {
    QLabel* label = MakeLabel(parent, name, "");
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QScrollBar* MakeScrollBar(QWidget* parent, const char* name, int minimum, int maximum, int value) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    bar->setValue(value);
    return bar;
}

// glyph names one of the artwork's pictures for these buttons.
QToolButton* MakeToggleButton(QWidget* parent, const char* name, const char* hint,
                              const char* glyph) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(hint));
    button->setCheckable(true);
    button->setAutoRaise(true);  // flat until pointed at or down
    button->setIcon(QIcon(QString::fromLatin1(glyph)));
    button->setIconSize(QSize(kToggleGlyphPx, kToggleGlyphPx));
    return button;
}

std::optional<std::string> RunOpenPictureDialog(QWidget* parent, const std::string& startFolder) {
    QFileDialog dialog(parent);
    if (!startFolder.empty()) dialog.setDirectory(QString::fromStdString(startFolder));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, true);
    QStringList filters;
    for (const std::string& filter : stampwise::LogoDialogFilters()) {
        filters.push_back(QString::fromStdString(filter));
    }
    dialog.setNameFilters(filters);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TPreviewBox::TPreviewBox(QWidget* parent) : QWidget(parent) {}

void TPreviewBox::Draw(const TBitmap& composite) {
    stampwise::DrawPreviewOnSurface(surface_, composite);
    update();
}

void TPreviewBox::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    if (surface_.Empty()) {
        painter.fillRect(rect(), kBlankPreviewColour);
        return;
    }
    // The surface is the box's own size, so the proportional display shows it unscaled.
    QImage shown(surface_.Width(), surface_.Height(), QImage::Format_RGB888);
    for (int y = 0; y < surface_.Height(); ++y) {
        std::memcpy(shown.scanLine(y), surface_.ScanLine(y), surface_.RowBytes());
    }
    painter.drawImage(QPoint(0, 0), shown);
}

void TPreviewBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnClick) OnClick();
    QWidget::mousePressEvent(event);
}

// ---------------------------------------------------------------------------------------------

TWatermarkParamsForm::TWatermarkParamsForm(stampwise::WizardHost& forms)
    : QWidget(nullptr), forms_(forms) {
    OpenPictureDialog = RunOpenPictureDialog;
    RegisterArtwork();
    SetUpWizardWindow(this, FormId::WatermarkParamsForm, 560, 442);

    BuildPreviewGroup();
    BuildSizeGroup();
    BuildScrollGroups();
    BuildPositionGroup();
    BuildBottomRow();

    ImagePreview->OnClick = [this] { ImagePreviewClick(); };
    lblWarning->installEventFilter(this);
    connect(sbAlpha, &QScrollBar::valueChanged, this, [this] { sbAlphaChange(); });
    connect(sbNoiseLevel, &QScrollBar::valueChanged, this, [this] { sbAlphaChange(); });
    for (QToolButton* button :
         {btnBlankBackground, btnPaintedBackground, btnZoomInPreview, btnZoomOutPreview}) {
        connect(button, &QToolButton::clicked, this, [this] { sbAlphaChange(); });
    }
    connect(btnNext, &QPushButton::clicked, this, &TWatermarkParamsForm::btnNextClick);
    InstallWizardKeys(this, btnNext);
}

TWatermarkParamsForm::~TWatermarkParamsForm() = default;

void TWatermarkParamsForm::BuildPreviewGroup() {
    gbPreview = MakeBlueGroupBox(this, "gbPreview", "Логотип");
    gbPreview->setGeometry(8, 4, 220, 240);

    ImagePreview = new TPreviewBox(gbPreview);
    ImagePreview->setObjectName(QStringLiteral("ImagePreview"));
    ImagePreview->setGeometry(10, 22, stampwise::kPreviewBoxWidth, stampwise::kPreviewBoxHeight);
    ImagePreview->setCursor(Qt::PointingHandCursor);

    lblWarning = MakeLabel(gbPreview, "lblWarning", stampwise::kLoadLogoHint);
    lblWarning->setGeometry(ImagePreview->geometry().adjusted(16, 16, -16, -16));
    lblWarning->setWordWrap(true);
    lblWarning->setAlignment(Qt::AlignCenter);
    lblWarning->setCursor(Qt::PointingHandCursor);
    QFont bold = lblWarning->font();
    bold.setBold(true);
    lblWarning->setFont(bold);
    QPalette yellow = lblWarning->palette();
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
    lblWarning->setPalette(yellow);

    const int buttonsTop = 22 + stampwise::kPreviewBoxHeight + 20;
    btnBlankBackground = MakeToggleButton(gbPreview, "btnBlankBackground",
                                          "Посмотреть на двухцветном фоне",
                                          ":/preview_two_colour.png");
    btnPaintedBackground = MakeToggleButton(gbPreview, "btnPaintedBackground",
                                            "Просмотр на фоне картинки", ":/preview_painted.png");
    btnZoomInPreview = MakeToggleButton(gbPreview, "btnZoomInPreview",
                                        "Логотип в натуральную величину",
                                        ":/preview_full_size.png");
    btnZoomOutPreview = MakeToggleButton(gbPreview, "btnZoomOutPreview", "Уменьшенный логотип",
                                         ":/preview_reduced.png");
    btnBlankBackground->setGeometry(10, buttonsTop, kToggleButtonPx, kToggleButtonPx);
    btnPaintedBackground->setGeometry(10 + kToggleButtonPx + 2, buttonsTop, kToggleButtonPx,
                                      kToggleButtonPx);
    btnZoomInPreview->setGeometry(210 - 2 * kToggleButtonPx - 2, buttonsTop, kToggleButtonPx,
                                  kToggleButtonPx);
    btnZoomOutPreview->setGeometry(210 - kToggleButtonPx, buttonsTop, kToggleButtonPx,
                                   kToggleButtonPx);

    // Exclusive groups: pressing the button that is already down keeps it down.
    backgroundGroup_ = new QButtonGroup(this);
    backgroundGroup_->setExclusive(true);
    backgroundGroup_->addButton(btnBlankBackground);
    backgroundGroup_->addButton(btnPaintedBackground);
    btnPaintedBackground->setChecked(true);
    zoomGroup_ = new QButtonGroup(this);
    zoomGroup_->setExclusive(true);
    zoomGroup_->addButton(btnZoomInPreview);
    zoomGroup_->addButton(btnZoomOutPreview);
    btnZoomOutPreview->setChecked(true);
}

void TWatermarkParamsForm::BuildSizeGroup() {
    gbSize = new TSizeRuleGroup(this, "gbSize", "Размеры логотипа", kSizeRuleLines,
                                {300, kSizeSpinStep, kMinSpinWidthPx});
    gbSize->setGeometry(236, 4, 316, 104);

    rbWidth = gbSize->Radio(0);
    rbHeight = gbSize->Radio(1);
    rbPercents = gbSize->Radio(2);
    seWidth = gbSize->Spin(0);
    seHeight = gbSize->Spin(1);
    sePercents = gbSize->Spin(2);
}

void TWatermarkParamsForm::BuildScrollGroups() {
    gbTransparent = MakeBlueGroupBox(this, "gbTransparent", "Прозрачность");
    gbTransparent->setGeometry(236, 112, 316, 64);
    // The left end is the most transparent stamp, the right end the most solid.
    sbAlpha = MakeScrollBar(gbTransparent, "sbAlpha", 50, 254, 100);
    sbAlpha->setGeometry(10, 20, 296, 18);
    lblMinAlfa = MakeLabel(gbTransparent, "lblMinAlfa", "Прозрачное");
    lblMinAlfa->setGeometry(10, 40, 140, 18);
    lblMaxAlfa = MakeLabel(gbTransparent, "lblMaxAlfa", "Сплошное");
    lblMaxAlfa->setGeometry(166, 40, 140, 18);
    lblMaxAlfa->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    gbNoise = MakeBlueGroupBox(this, "gbNoise", "Фильтрация шумов");
    gbNoise->setGeometry(236, 180, 316, 64);
    sbNoiseLevel = MakeScrollBar(gbNoise, "sbNoiseLevel", 0, 255, 10);
    sbNoiseLevel->setGeometry(10, 20, 296, 18);
    lblLow = MakeLabel(gbNoise, "lblLow", "Слабая");
    lblLow->setGeometry(10, 40, 140, 18);
    Label2 = MakeLabel(gbNoise, "Label2", "Сильная");
    Label2->setGeometry(166, 40, 140, 18);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TWatermarkParamsForm::BuildPositionGroup() {
    gbPosition = MakeBlueGroupBox(this, "gbPosition", "Размещение на картинке");
    gbPosition->setGeometry(8, 250, 544, 140);

    // Laid out as the placements lie on a picture: three on top, one in the middle, three below.
    struct Box {
        QCheckBox** box;
        const char* name;
        const char* caption;
        int column;
        int row;
    };
    const Box boxes[] = {
        {&cbTopLeft, "cbTopLeft", "Вверху слева", 0, 0},
        {&cbTopCenter, "cbTopCenter", "Вверху по центру", 1, 0},
        {&cbTopRight, "cbTopRight", "Вверху справа", 2, 0},
        {&cbMiddle, "cbMiddle", "В середине картинки", 1, 1},
        {&cbBottomLeft, "cbBottomLeft", "Внизу слева", 0, 2},
        {&cbBottomCenter, "cbBottomCenter", "Внизу по центру", 1, 2},
        {&cbBottomRight, "cbBottomRight", "Внизу справа", 2, 2},
    };
    for (const Box& box : boxes) {
        auto* check = new QCheckBox(QString::fromUtf8(box.caption), gbPosition);
        check->setObjectName(QString::fromLatin1(box.name));
        check->setGeometry(12 + box.column * 178, 22 + box.row * 28, 172, 22);
        *box.box = check;
    }

    const char* marginText = "Отступ от края";
    lblMargin = MakeLabel(gbPosition, "lblMargin", "");
    lblMargin->setText(GapCaption(marginText, 19, "пикс."));
    // On a line of its own under the boxes: the margin is measured from every edge alike.
    const int marginTop = 22 + 3 * 28;
    lblMargin->setGeometry(12, marginTop, 260, 22);
    seMargin = MakeSpinEdit(gbPosition, "seMargin", kMarginSpinStep, 10);
    // The margin's field looks like the size fields above it.
    std::vector<SpinInGap> spins(gbSize->SpinsInGaps().begin(), gbSize->SpinsInGaps().end());
    spins.push_back({seMargin, GapRect(lblMargin, 0, marginText, 19, marginTop)});
    PlaceInGaps(spins, kMinSpinWidthPx);
}

void TWatermarkParamsForm::BuildBottomRow() {
    // The logo's path and size share the row of "Дальше": until a logo is loaded they are empty,
    // and lines of their own would stand as an empty band across the window.
    constexpr int kRowTop = 398;
    // A long path is cut in its middle, whole in the tooltip: the row is shorter than the window.
    lblLogoPath = new TPathLabel(this);
    lblLogoPath->setObjectName(QStringLiteral("lblLogoPath"));
    QFont bold = lblLogoPath->font();
    bold.setBold(true);
    lblLogoPath->setFont(bold);
    lblLogoPath->setGeometry(8, kRowTop, 436, 18);
    lblLogoSize = MakeBoldLabel(this, "lblLogoSize");
    lblLogoSize->setGeometry(8, kRowTop + 18, 436, 18);

    btnNext = MakeNextButton(this);
    btnNext->setGeometry(452, kRowTop + 4, 100, 28);
}

void TWatermarkParamsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

bool TWatermarkParamsForm::eventFilter(QObject* watched, QEvent* event) {
    // The invitation covers the preview box, so a click on it is a click on the box.
    if (watched == lblWarning && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ImagePreviewClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TWatermarkParamsForm::FormShow() { rbWidthClick(); }

void TWatermarkParamsForm::rbWidthClick() { gbSize->ApplyEnabling(); }

void TWatermarkParamsForm::ImagePreviewClick() {
    if (!OpenPictureDialog) return;
    // Where the current logo came from: a changed logo is most often its neighbour.
    const QString current = lblLogoPath->text();
    const std::string startFolder =
        current.isEmpty() ? std::string() : QFileInfo(current).absolutePath().toStdString();
    const std::optional<std::string> path = OpenPictureDialog(this, startFolder);
    if (!path) return;

    stampwise::LogoLoad load = stampwise::LoadLogoFile(*path);
    if (load.Result != stampwise::LogoLoad::Outcome::Loaded) {
        // The logo, its labels and the preview stay as they were.
        forms_.Boxes().Notice(load.Message);
        return;
    }
    currentLogo_ = std::move(load.Logo);
    lblLogoSize->setText(QString::fromStdString(
        stampwise::LogoSizeText(currentLogo_.Width(), currentLogo_.Height())));
    seWidth->SetValue(currentLogo_.Width());
    seHeight->SetValue(currentLogo_.Height());
    sbAlphaChange();
    lblWarning->hide();
    ImagePreview->setToolTip(QString::fromUtf8(stampwise::kChangeLogoHint));
    lblLogoPath->SetPath(QString::fromStdString(*path));
}

const TBitmap* TWatermarkParamsForm::SamplePicture() {
    stampwise::TJPEGImage* jpeg = forms_.PreviewPicture();
    if (jpeg == nullptr) return nullptr;
    samplePicture_.AssignJpeg(*jpeg);  // decoded once by the picture itself, shared from then on
    return &samplePicture_;
}

stampwise::PreviewSettings TWatermarkParamsForm::CurrentPreviewSettings() const {
    stampwise::PreviewSettings settings;
    settings.Background = btnPaintedBackground->isChecked() ? stampwise::PreviewBackground::Painted
                                                            : stampwise::PreviewBackground::TwoColour;
    settings.Zoom = btnZoomOutPreview->isChecked() ? stampwise::PreviewZoom::Reduced
                                                   : stampwise::PreviewZoom::FullSize;
    settings.Opacity = sbAlpha->value();
    settings.NoiseLevel = sbNoiseLevel->value();
    return settings;
}

void TWatermarkParamsForm::sbAlphaChange() {
    if (currentLogo_.Empty()) return;
    try {
        ImagePreview->Draw(
            stampwise::ComposePreview(currentLogo_, SamplePicture(), CurrentPreviewSettings()));
    } catch (const std::exception& error) {
        // A sample picture that cannot be decoded, or no memory for the composite: the box keeps
        // what it showed.
        forms_.Boxes().Notice(error.what());
        return;
    }
    sbAlpha->setToolTip(QString::fromStdString(stampwise::TransparencyHint(sbAlpha->value())));
}

LogoSizeMode TWatermarkParamsForm::CheckedSizeMode() const {
    if (rbHeight->isChecked()) return LogoSizeMode::Height;
    if (rbPercents->isChecked()) return LogoSizeMode::Percent;
    return LogoSizeMode::Width;
}

stampwise::PlacementSet TWatermarkParamsForm::CheckedPlacements() const {
    const std::pair<const QCheckBox*, LogoPlacement> boxes[] = {
        {cbTopLeft, LogoPlacement::TopLeft},       {cbTopCenter, LogoPlacement::TopCenter},
        {cbTopRight, LogoPlacement::TopRight},     {cbMiddle, LogoPlacement::Middle},
        {cbBottomLeft, LogoPlacement::BottomLeft}, {cbBottomCenter, LogoPlacement::BottomCenter},
        {cbBottomRight, LogoPlacement::BottomRight},
    };
    stampwise::PlacementSet placements;
    for (const auto& [box, placement] : boxes) {
        if (box->isChecked()) placements.insert(placement);
    }
    return placements;
}

stampwise::WatermarkSettings TWatermarkParamsForm::Settings() const {
    stampwise::WatermarkSettings settings;
    settings.Logo = currentLogo_;
    settings.SizeMode = CheckedSizeMode();
    settings.SizeValue = gbSize->CheckedSpinEdit()->Value();
    settings.Placements = CheckedPlacements();
    settings.MarginPx = seMargin->Value();
    settings.Opacity = sbAlpha->value();
    settings.NoiseLevel = sbNoiseLevel->value();
    return settings;
}

void TWatermarkParamsForm::btnNextClick() {
    if (!stampwise::RunWatermarkChecks(lblLogoPath->text().toStdString(), CheckedPlacements(),
                                       forms_.Boxes())) {
        return;
    }
    forms_.StartBatch(FormId::WatermarkParamsForm, stampwise::MakeWatermarkOperation(Settings()));
}
