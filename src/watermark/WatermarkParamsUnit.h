// The watermark window: the logo with its live preview, the stamp size, the placements, the margin,
// the opacity and the noise filter, and "Дальше", which runs the batch. The preview follows only
// the two scroll bars and the four toggle buttons; the size, the placements and the margin are for
// the batch alone and do not redraw it. The rules behind the preview are WatermarkPreview's.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "imaging/Bitmap.h"
#include "watermark/LogoCompositing.h"
#include "watermark/WatermarkPreview.h"
#include "watermark/WatermarkStep.h"
#include "widgets/PathLabelUnit.h"

namespace stampwise {
class WizardHost;
}
class TSizeRuleGroup;
class TSpinEdit;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;

// The preview's image box: it shows its drawing surface at the top-left, unscaled (the surface is
// the box's own size), and nothing until the first drawing. A click on it is reported to OnClick.
class TPreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewBox(QWidget* parent);

    // Empty until the first drawing; then the box's own size.
    const stampwise::TBitmap& Surface() const { return surface_; }
    void Draw(const stampwise::TBitmap& composite);

    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    stampwise::TBitmap surface_;
};

class TWatermarkParamsForm : public QWidget {
    Q_OBJECT
public:
    explicit TWatermarkParamsForm(stampwise::WizardHost& forms);
    ~TWatermarkParamsForm() override;

    QGroupBox* gbPreview = nullptr;
    TPreviewBox* ImagePreview = nullptr;
    QLabel* lblWarning = nullptr;
    QToolButton* btnBlankBackground = nullptr;
    QToolButton* btnPaintedBackground = nullptr;
    QToolButton* btnZoomInPreview = nullptr;
    QToolButton* btnZoomOutPreview = nullptr;
    TPathLabel* lblLogoPath = nullptr;
    QLabel* lblLogoSize = nullptr;

    TSizeRuleGroup* gbSize = nullptr;
    QRadioButton* rbWidth = nullptr;
    TSpinEdit* seWidth = nullptr;
    QRadioButton* rbHeight = nullptr;
    TSpinEdit* seHeight = nullptr;
    QRadioButton* rbPercents = nullptr;
    TSpinEdit* sePercents = nullptr;

    QGroupBox* gbPosition = nullptr;
    QCheckBox* cbTopLeft = nullptr;
    QCheckBox* cbTopCenter = nullptr;
    QCheckBox* cbTopRight = nullptr;
    QCheckBox* cbMiddle = nullptr;
    QCheckBox* cbBottomLeft = nullptr;
    QCheckBox* cbBottomCenter = nullptr;
    QCheckBox* cbBottomRight = nullptr;
    QLabel* lblMargin = nullptr;
    TSpinEdit* seMargin = nullptr;

    QGroupBox* gbTransparent = nullptr;
    QScrollBar* sbAlpha = nullptr;
    QLabel* lblMinAlfa = nullptr;
    QLabel* lblMaxAlfa = nullptr;

    QGroupBox* gbNoise = nullptr;
    QScrollBar* sbNoiseLevel = nullptr;
    QLabel* lblLow = nullptr;
    QLabel* Label2 = nullptr;

    QPushButton* btnNext = nullptr;

    // The picture-open dialog, opened in startFolder (the current logo's folder; empty before the
    // first logo): the chosen file's full path, or nothing when cancelled. Tests put their own
    // chooser here instead of the modal dialog.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& startFolder)>
        OpenPictureDialog;

    // The trimmed logo; empty until the first logo is loaded.
    const stampwise::TBitmap& CurrentLogo() const { return currentLogo_; }
    // The values one batch takes from the window.
    stampwise::WatermarkSettings Settings() const;
    stampwise::PlacementSet CheckedPlacements() const;
    stampwise::LogoSizeMode CheckedSizeMode() const;
    stampwise::PreviewSettings CurrentPreviewSettings() const;
    // The main window's sample picture, decoded, or null when the program has none.
    const stampwise::TBitmap* SamplePicture();

    void FormShow();
    void rbWidthClick();
    void ImagePreviewClick();
    void sbAlphaChange();
    void btnNextClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPreviewGroup();
    void BuildSizeGroup();
    void BuildPositionGroup();
    void BuildScrollGroups();
    void BuildBottomRow();
    stampwise::WizardHost& forms_;
    stampwise::TBitmap currentLogo_;
    stampwise::TBitmap samplePicture_;
    QButtonGroup* backgroundGroup_ = nullptr;
    QButtonGroup* zoomGroup_ = nullptr;
};
