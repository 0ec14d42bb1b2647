// The About window: the program's name and version, two pictures, and the maker's web site and
// support address as links that the desktop opens in the user's browser or mail program.
#pragma once

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class TFormSet;

class TAboutForm : public QWidget {
    Q_OBJECT
public:
    explicit TAboutForm(TFormSet& forms);

    QLabel* LogoImg = nullptr;
    QLabel* lblProgName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* VMLogoImg = nullptr;
    QLabel* lblSiteCaption = nullptr;
    QLabel* lblWebSite = nullptr;
    QLabel* lblSupportCaption = nullptr;
    QLabel* lblSupport = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* btnClose = nullptr;

    void btnCloseClick();
    void lblWebSiteClick();
    void lblSupportClick();
    // Shared by both links: underlined while the mouse is over the link, bold at all times.
    void lblWebSiteMouseMove(QLabel* link);
    void lblWebSiteMouseLeave(QLabel* link);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFormSet& forms_;
};

// Hands a link to the desktop, which opens it with the user's default program. Nothing is reported
// when no program takes it.
void OpenLink(const QString& link);
