#include "resize/ResizeParamsUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TResizeParamsForm::TResizeParamsForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::ResizeParamsForm, 371, 290);
}
