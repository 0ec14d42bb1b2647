#include "batch/ReportUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TReportForm::TReportForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::ReportForm, 598, 392);
    btnFinished = new QPushButton(QStringLiteral("Закрыть"), this);
    btnFinished->setObjectName(QStringLiteral("btnFinished"));
    btnFinished->setGeometry(500, 356, 88, 28);
    connect(btnFinished, &QPushButton::clicked, this, [this] { forms_.Flow().ReportFinishedClicked(); });
}
