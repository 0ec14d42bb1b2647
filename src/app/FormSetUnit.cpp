#include "app/FormSetUnit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QString>
#include <QWidget>

#include "app/AboutUnit.h"
#include "app/MainUnit.h"
#include "batch/ReportUnit.h"
#include "resize/ResizeParamsUnit.h"
#include "watermark/WatermarkParamsUnit.h"
#include "wizard/FilesSelectQueryUnit.h"
#include "wizard/SelectFilesUnit.h"
#include "wizard/SelectFolderUnit.h"
#include "wizard/SelectTargetUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

TFormSet::TFormSet(stampwise::MessageBoxes& boxes) : TFormSet(boxes, PulseTicks::FromTimer) {}

TFormSet::TFormSet(stampwise::MessageBoxes& boxes, PulseTicks pulseTicks)
    : boxes_(boxes), flow_(job_, *this, boxes) {
    for (FormId id : stampwise::kFormCreationOrder) {
        switch (id) {
        case FormId::MainForm: MainForm = new TMainForm(*this, pulseTicks); break;
        case FormId::FilesSelectQueryForm: FilesSelectQueryForm = new TFilesSelectQueryForm(*this); break;
        case FormId::SelectFolderForm: SelectFolderForm = new TSelectFolderForm(*this); break;
        case FormId::ResizeParamsForm: ResizeParamsForm = new TResizeParamsForm(*this); break;
        case FormId::SelectTargetForm: SelectTargetForm = new TSelectTargetForm(*this); break;
        case FormId::ReportForm: ReportForm = new TReportForm(*this); break;
        case FormId::WatermarkParamsForm: WatermarkParamsForm = new TWatermarkParamsForm(*this); break;
        case FormId::AboutForm: AboutForm = new TAboutForm(*this); break;
        case FormId::SelectFilesForm: SelectFilesForm = new TSelectFilesForm(*this); break;
        }
    }
}

TFormSet::~TFormSet() {
    // In the reverse order of creation, so that no window outlives one it reads.
    delete SelectFilesForm;
    delete AboutForm;
    delete WatermarkParamsForm;
    delete ReportForm;
    delete SelectTargetForm;
    delete ResizeParamsForm;
    delete SelectFolderForm;
    delete FilesSelectQueryForm;
    delete MainForm;
}

QWidget* TFormSet::Form(FormId id) const {
    switch (id) {
    case FormId::MainForm: return static_cast<QWidget*>(MainForm);
    case FormId::FilesSelectQueryForm: return static_cast<QWidget*>(FilesSelectQueryForm);
    case FormId::SelectFolderForm: return static_cast<QWidget*>(SelectFolderForm);
    case FormId::ResizeParamsForm: return static_cast<QWidget*>(ResizeParamsForm);
    case FormId::SelectTargetForm: return static_cast<QWidget*>(SelectTargetForm);
    case FormId::ReportForm: return static_cast<QWidget*>(ReportForm);
    case FormId::WatermarkParamsForm: return static_cast<QWidget*>(WatermarkParamsForm);
    case FormId::AboutForm: return static_cast<QWidget*>(AboutForm);
    case FormId::SelectFilesForm: return static_cast<QWidget*>(SelectFilesForm);
    }
    return nullptr;
}

void TFormSet::ShowForm(FormId id) {
    QWidget* window = Form(id);
    if (!window->isVisible()) CenterOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
}

void TFormSet::HideForm(FormId id) { Form(id)->hide(); }

void TFormSet::ClearFilesList() { SelectFilesForm->ClearFilesList(); }

void TFormSet::JobChanged() { ResizeParamsForm->rbWidthClick(); }

std::string TFormSet::SelectedSourceFolder() const { return SelectFolderForm->SelectedFolder(); }

std::vector<std::string> TFormSet::FileListEntries() const { return SelectFilesForm->Entries(); }

stampwise::TargetTexts TFormSet::TargetFieldTexts() const { return SelectTargetForm->Targets(); }

void TFormSet::StartBatch(FormId paramsForm, const stampwise::BatchOperation& operation) {
    stampwise::BatchInputs inputs;
    inputs.Targets = TargetFieldTexts();
    ReportForm->RunBatch(job_, inputs, operation, Form(paramsForm), boxes_);
}

void TFormSet::StopBatch() { ReportForm->StopBatch(); }

stampwise::TJPEGImage* TFormSet::PreviewPicture() {
    return MainForm != nullptr ? MainForm->PreviewPicture() : nullptr;
}

void SetApplicationTitle() {
    QGuiApplication::setApplicationName(QString::fromUtf8(stampwise::kApplicationTitle));
    QGuiApplication::setApplicationDisplayName(QStringLiteral(""));
}

void SetDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QStringLiteral(STAMPWISE_APP_ID));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icon_%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
}

