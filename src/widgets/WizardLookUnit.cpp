#include "widgets/WizardLookUnit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QPointer>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace {

const QColor kCaptionBlue(0, 0, 255);

// Sees the key presses that no control of the window took: Qt hands an ignored key on to the
// parent widgets, up to the window.
class TWizardKeys final : public QObject {
public:
    TWizardKeys(QWidget* window, QAbstractButton* enterButton)
        : QObject(window), window_(window), enterButton_(enterButton) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~(Qt::KeypadModifier)) return false;
        if (key->key() == Qt::Key_Escape) {
            window_->close();
            return true;
        }
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        auto* focused = qobject_cast<QPushButton*>(window_->focusWidget());
        QAbstractButton* button = focused != nullptr ? focused : enterButton_.data();
        if (button == nullptr || !button->isEnabled() || !button->isVisible()) return false;
        button->click();
        return true;
    }

private:
    QWidget* window_;
    QPointer<QAbstractButton> enterButton_;
};

}  // namespace

QGroupBox* MakeBlueGroupBox(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    MakeBlue(box);
    return box;
}

void MakeBlue(QGroupBox* box) {
    // Only the title: a rule for the whole box would pass the colour on to every control in it.
    box->setStyleSheet(QStringLiteral("QGroupBox::title { color: #0000ff; }"));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

void MakeBlue(QLabel* label) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, kCaptionBlue);
    label->setPalette(colours);
}

QPushButton* MakeNextButton(QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("Дальше"), parent);
    button->setObjectName(QStringLiteral("btnNext"));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_ArrowRight));
    // A right-to-left button draws its icon after the text.
    button->setLayoutDirection(Qt::RightToLeft);
    return button;
}

QPushButton* MakePictureButton(QWidget* parent, const char* name, const char* caption,
                               QStyle::StandardPixmap picture, int iconPx, bool flat) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    QIcon icon = parent->style()->standardIcon(picture);
    // A style may have some pictures only in a smaller size, which a button shows smaller than its
    // neighbours' pictures: such a one is scaled up to the size asked for.
    const QPixmap largest = icon.pixmap(iconPx, iconPx);
    if (!largest.isNull() && largest.deviceIndependentSize().width() < iconPx) {
        icon = QIcon(largest.scaled(iconPx, iconPx, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    button->setIcon(icon);
    button->setIconSize(QSize(iconPx, iconPx));
    button->setFlat(flat);
    return button;
}

// Outside any namespace, as Qt's resource registration requires; registering twice is harmless.
void RegisterArtwork() { Q_INIT_RESOURCE(resources); }

void CenterOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The client area is centred, not the frame: the frame's size is known only while the window
    // manager frames the window, so a frame-based place moved by the title bar's height from one
    // showing to the next. Placed by its client area (setGeometry, not move) the window asks the
    // window manager for the same place every time.
    const QSize size = window->size();
    window->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void SetUpWizardWindow(QWidget* window, stampwise::FormId id, int clientWidth, int clientHeight) {
    window->setObjectName(QString::fromLatin1(stampwise::FormInstanceName(id)));
    window->setWindowTitle(QString::fromUtf8(stampwise::FormCaption(id)));
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint);
    window->setFixedSize(clientWidth, clientHeight);
}

void InstallWizardKeys(QWidget* window, QAbstractButton* enterButton) {
    window->installEventFilter(new TWizardKeys(window, enterButton));
}
