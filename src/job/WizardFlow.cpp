// The wizard's transitions. Each handler first assigns the job state, then hides its own window,
// then shows the next one; the source windows move on only when ReadSourceFiles succeeds.
#include "job/WizardFlow.h"

#include "job/SourceFiles.h"

namespace stampwise {

const char* FormInstanceName(FormId id) {
    switch (id) {
    case FormId::MainForm: return "MainForm";
    case FormId::FilesSelectQueryForm: return "FilesSelectQueryForm";
    case FormId::SelectFolderForm: return "SelectFolderForm";
    case FormId::ResizeParamsForm: return "ResizeParamsForm";
    case FormId::SelectTargetForm: return "SelectTargetForm";
    case FormId::ReportForm: return "ReportForm";
    case FormId::WatermarkParamsForm: return "WatermarkParamsForm";
    case FormId::AboutForm: return "AboutForm";
    case FormId::SelectFilesForm: return "SelectFilesForm";
    }
    return "";
}

const char* FormCaption(FormId id) {
    switch (id) {
    case FormId::MainForm: return "";
    case FormId::FilesSelectQueryForm: return "Выбор файлов";
    case FormId::SelectFolderForm: return "Выбор каталога с файлами";
    case FormId::ResizeParamsForm: return "Изменение размера файлов";
    case FormId::SelectTargetForm: return "Выбор способа сохранения результатов";
    case FormId::ReportForm: return "Отчет";
    case FormId::WatermarkParamsForm: return "Наложение логотипа";
    case FormId::AboutForm: return "О программе";
    case FormId::SelectFilesForm: return "Формирование списка файлов";
    }
    return "";
}

void WizardFlow::ResizeClicked() {
    job_.Operation = keyword::kResize;
    windows_.ShowForm(FormId::FilesSelectQueryForm);
    windows_.ClearFilesList();
}

void WizardFlow::WatermarkClicked() {
    job_.Operation = keyword::kWatermark;
    windows_.ShowForm(FormId::FilesSelectQueryForm);
    windows_.ClearFilesList();
}

void WizardFlow::AboutClicked() { windows_.ShowForm(FormId::AboutForm); }

bool WizardFlow::CloseClicked() { return boxes_.Question(kCloseProgramQuestion); }

void WizardFlow::SelectFolderClicked() {
    job_.SourceKind = keyword::kFolder;
    windows_.HideForm(FormId::FilesSelectQueryForm);
    windows_.ShowForm(FormId::SelectFolderForm);
}

void WizardFlow::SelectFilesClicked() {
    job_.SourceKind = keyword::kFiles;
    windows_.HideForm(FormId::FilesSelectQueryForm);
    windows_.ShowForm(FormId::SelectFilesForm);
}

bool WizardFlow::NextFromSource(FormId from, const std::string& selectedFolder,
                                const std::vector<std::string>& listEntries) {
    const SourceFilesResult result = ReadSourceFiles(job_, selectedFolder, listEntries);
    if (!result.Ok) {
        if (!result.Notice.empty()) boxes_.Notice(result.Notice);
        return false;
    }
    if (from == FormId::SelectFilesForm) job_.SourceKind = keyword::kFiles;
    windows_.JobChanged();
    windows_.HideForm(from);
    windows_.ShowForm(FormId::SelectTargetForm);
    return true;
}

bool WizardFlow::FolderNextClicked(const std::string& selectedFolder,
                                   const std::vector<std::string>& listEntries) {
    return NextFromSource(FormId::SelectFolderForm, selectedFolder, listEntries);
}

bool WizardFlow::FilesNextClicked(const std::string& selectedFolder,
                                  const std::vector<std::string>& listEntries) {
    return NextFromSource(FormId::SelectFilesForm, selectedFolder, listEntries);
}

void WizardFlow::TargetNextClicked(const std::string& targetMode) {
    windows_.HideForm(FormId::SelectTargetForm);
    job_.TargetMode = targetMode;
    windows_.JobChanged();
    if (job_.Operation == keyword::kResize) windows_.ShowForm(FormId::ResizeParamsForm);
    if (job_.Operation == keyword::kWatermark) windows_.ShowForm(FormId::WatermarkParamsForm);
}

void WizardFlow::ReportFinishedClicked() { windows_.HideForm(FormId::ReportForm); }

void WizardFlow::AboutCloseClicked() { windows_.HideForm(FormId::AboutForm); }

}  // namespace stampwise
