#include "app/AboutUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TAboutForm::TAboutForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::AboutForm, 439, 318);
    btnClose = new QPushButton(QStringLiteral("OK"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(344, 282, 80, 26);
    connect(btnClose, &QPushButton::clicked, this, [this] { forms_.Flow().AboutCloseClicked(); });
}
