#include "app/AboutUnit.h"

#include <algorithm>

#include <QBitmap>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include "app/FormSetUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

constexpr int kClientWidth = 439;
constexpr int kClientHeight = 318;

// The maker's addresses, under the top-level domain reserved for examples, so that no real site or
// mailbox is named.
const char* const kWebSite = "www.velmora.example";
const char* const kSupportAddress = "help@velmora.example";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

QFont LinkFont(bool underlined) {
    QFont font;
    font.setBold(true);
    font.setUnderline(underlined);
    return font;
}

QLabel* MakeLink(QWidget* parent, const char* name, const char* address, QRect geometry) {
    QLabel* link = MakeLabel(parent, name, QString::fromUtf8(address), geometry);
    link->setFont(LinkFont(false));
    QPalette blue = link->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(blue);
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);
    return link;
}

QPixmap ResourcePicture(const QString& name) {
    QPixmap picture;
    picture.load(name, "BMP");
    return picture;
}

}  // namespace

TAboutForm::TAboutForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::AboutForm, kClientWidth, kClientHeight);
    // A tool window: a small title bar with only a close box.
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool);
    // White behind the pictures, so the maker's logo (drawn on white) sits on its own colour.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    LogoImg = MakeLabel(this, "LogoImg", QString(), {0, 0, 107, 317});
    LogoImg->setPixmap(ResourcePicture(QStringLiteral(":/about_side.bmp")));
    LogoImg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblProgName = MakeLabel(this, "lblProgName", QStringLiteral("Velmora Stampwise"), {124, 16, 300, 30});
    QFont nameFont(QStringLiteral("Tahoma"));
    nameFont.setBold(true);
    nameFont.setPixelSize(21);
    lblProgName->setFont(nameFont);
    lblProgName->setAttribute(Qt::WA_TranslucentBackground);

    lblVersion = MakeLabel(this, "lblVersion", QStringLiteral("Версия: " STAMPWISE_VERSION), {124, 50, 200, 18});
    QFont versionFont;
    versionFont.setBold(true);
    versionFont.setUnderline(true);
    lblVersion->setFont(versionFont);

    VMLogoImg = MakeLabel(this, "VMLogoImg", QString(), {(kClientWidth - 150) / 2 + 53, 94, 150, 71});
    QPixmap logo = ResourcePicture(QStringLiteral(":/about_logo.bmp"));
    if (!logo.isNull()) logo.setMask(logo.createMaskFromColor(Qt::white));
    VMLogoImg->setPixmap(logo);

    lblSiteCaption = MakeLabel(this, "lblSiteCaption", QStringLiteral("Официальный сайт:"), {124, 190, 0, 18});
    lblSupportCaption = MakeLabel(this, "lblSupportCaption", QStringLiteral("Служба поддержки:"), {124, 212, 0, 18});
    // The links start in one column just right of the wider caption, whatever font the desktop
    // gives the captions.
    lblSiteCaption->adjustSize();
    lblSupportCaption->adjustSize();
    const int linkLeft = 124 + std::max(lblSiteCaption->width(), lblSupportCaption->width()) + 6;
    lblWebSite = MakeLink(this, "lblWebSite", kWebSite, {linkLeft, 190, kClientWidth - 4 - linkLeft, 18});
    lblSupport = MakeLink(this, "lblSupport", kSupportAddress, {linkLeft, 212, kClientWidth - 4 - linkLeft, 18});
    lblWebSite->installEventFilter(this);
    lblSupport->installEventFilter(this);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(116, 262, 315, 2);

    btnClose = new QPushButton(QStringLiteral("OK"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setFlat(true);
    btnClose->setGeometry(344, 276, 80, 28);
    connect(btnClose, &QPushButton::clicked, this, &TAboutForm::btnCloseClick);
    InstallWizardKeys(this, btnClose);
}

void TAboutForm::btnCloseClick() { forms_.Flow().AboutCloseClicked(); }

void TAboutForm::lblWebSiteClick() { OpenLink(QStringLiteral("http://") + lblWebSite->text()); }

void TAboutForm::lblSupportClick() { OpenLink(QStringLiteral("mailto:") + lblSupport->text()); }

void TAboutForm::lblWebSiteMouseMove(QLabel* link) { link->setFont(LinkFont(true)); }

void TAboutForm::lblWebSiteMouseLeave(QLabel* link) { link->setFont(LinkFont(false)); }

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    auto* link = qobject_cast<QLabel*>(watched);
    if (link == nullptr || (link != lblWebSite && link != lblSupport)) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        lblWebSiteMouseMove(link);
        break;
    case QEvent::Leave:
        lblWebSiteMouseLeave(link);
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && link->rect().contains(mouse->position().toPoint())) {
            if (link == lblWebSite) lblWebSiteClick();
            else lblSupportClick();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void OpenLink(const QString& link) { QDesktopServices::openUrl(QUrl(link)); }
