// The main window: the program's first and last window. It starts a resize or a watermark run,
// opens the About window, and ends the program after a question.
#pragma once

#include <QWidget>

class QPushButton;
class QLabel;
class TFormSet;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(TFormSet& forms);

    QLabel* lblClose = nullptr;
    QPushButton* btnResize = nullptr;
    QPushButton* btnWatermark = nullptr;
    QPushButton* btnAbout = nullptr;

    void btnResizeClick();
    void btnWatermarkClick();
    void btnAboutClick();
    void lblCloseClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TFormSet& forms_;
};
