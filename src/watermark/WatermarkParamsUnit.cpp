#include "watermark/WatermarkParamsUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TWatermarkParamsForm::TWatermarkParamsForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::WatermarkParamsForm, 560, 520);
}
