#include "app/MainUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TMainForm::TMainForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    setObjectName(QStringLiteral("MainForm"));
    setFixedSize(400, 500);

    btnResize = new QPushButton(QStringLiteral("Изменение размеров картинок"), this);
    btnResize->setObjectName(QStringLiteral("btnResize"));
    btnResize->setGeometry(80, 296, 241, 22);
    btnWatermark = new QPushButton(QStringLiteral("Наложение логотипов"), this);
    btnWatermark->setObjectName(QStringLiteral("btnWatermark"));
    btnWatermark->setGeometry(104, 336, 193, 22);
    btnAbout = new QPushButton(QStringLiteral("О программе"), this);
    btnAbout->setObjectName(QStringLiteral("btnAbout"));
    btnAbout->setGeometry(128, 376, 145, 22);
    lblClose = new QLabel(QStringLiteral("Х"), this);
    lblClose->setObjectName(QStringLiteral("lblClose"));
    lblClose->setGeometry(360, 72, 13, 22);

    connect(btnResize, &QPushButton::clicked, this, &TMainForm::btnResizeClick);
    connect(btnWatermark, &QPushButton::clicked, this, &TMainForm::btnWatermarkClick);
    connect(btnAbout, &QPushButton::clicked, this, &TMainForm::btnAboutClick);
}

void TMainForm::btnResizeClick() { forms_.Flow().ResizeClicked(); }
void TMainForm::btnWatermarkClick() { forms_.Flow().WatermarkClicked(); }
void TMainForm::btnAboutClick() { forms_.Flow().AboutClicked(); }

void TMainForm::lblCloseClick() {
    if (forms_.Flow().CloseClicked()) close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever other windows are open.
    event->accept();
    QApplication::quit();
}
