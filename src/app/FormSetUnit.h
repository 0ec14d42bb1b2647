// The nine windows of the program, created once at start-up in their fixed order and kept until the
// end. The set is the WizardHost through which windows reach each other (they share the job and its
// flow, and read each other's controls through it) and how the wizard's flow shows and hides them.
#pragma once

#include <memory>

#include "batch/WizardHost.h"

class QWidget;
class TMainForm;
enum class PulseTicks;
class TFilesSelectQueryForm;
class TSelectFolderForm;
class TResizeParamsForm;
class TSelectTargetForm;
class TReportForm;
class TWatermarkParamsForm;
class TAboutForm;
class TSelectFilesForm;

class TFormSet final : public stampwise::WizardHost {
public:
    // Creates the nine windows in the order of kFormCreationOrder; only the main window is to be
    // shown by the caller. The main window's pulse ticks by its own timer unless told otherwise.
    explicit TFormSet(stampwise::MessageBoxes& boxes);
    TFormSet(stampwise::MessageBoxes& boxes, PulseTicks pulseTicks);
    ~TFormSet() override;
    TFormSet(const TFormSet&) = delete;
    TFormSet& operator=(const TFormSet&) = delete;

    stampwise::MessageBoxes& Boxes() override { return boxes_; }
    stampwise::JobState& Job() override { return job_; }
    stampwise::WizardFlow& Flow() override { return flow_; }

    QWidget* Form(stampwise::FormId id) const;

    void ShowForm(stampwise::FormId id) override;
    void HideForm(stampwise::FormId id) override;
    void ClearFilesList() override;
    void JobChanged() override;

    std::string SelectedSourceFolder() const override;
    std::vector<std::string> FileListEntries() const override;
    stampwise::TargetTexts TargetFieldTexts() const override;
    void StartBatch(stampwise::FormId paramsForm, const stampwise::BatchOperation& operation) override;
    // Stops a batch under way as its stop button does: the program's signals end a run so.
    void StopBatch();
    stampwise::TJPEGImage* PreviewPicture() override;

    // A window with its own type, for the program's start-up, its tests and its screenshots; the
    // windows themselves reach each other only through WizardHost. T must be the class of id.
    template <typename T>
    T* Window(stampwise::FormId id) const {
        return static_cast<T*>(Form(id));
    }

private:
    TMainForm* MainForm = nullptr;
    TFilesSelectQueryForm* FilesSelectQueryForm = nullptr;
    TSelectFolderForm* SelectFolderForm = nullptr;
    TResizeParamsForm* ResizeParamsForm = nullptr;
    TSelectTargetForm* SelectTargetForm = nullptr;
    TReportForm* ReportForm = nullptr;
    TWatermarkParamsForm* WatermarkParamsForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TSelectFilesForm* SelectFilesForm = nullptr;
    stampwise::MessageBoxes& boxes_;
    // Owned by the main window in the program's design; kept here beside it so that it outlives
    // every window that reads it.
    stampwise::JobState job_;
    stampwise::WizardFlow flow_;
};

// Names the program "VM-Stampwise" for the window system (its class, its task-bar entry) while
// every window's caption stays exactly its own: Qt would otherwise append the name to each one.
void SetApplicationTitle();
// Ties the running windows to the installed menu entry (the desktop file's id) and gives them the
// icon the entry shows, drawn by the artwork generator at every size the desktop asks for.
void SetDesktopIdentity();
