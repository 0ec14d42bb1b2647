// The order of the wizard's windows. Each window's handler calls one method here; the flow sets
// the job state and tells a WizardWindows which windows to show and hide. Nothing here knows the
// toolkit, so a whole run can be driven by tests with a fake window set.
#pragma once

#include <string>
#include <vector>

#include "job/JobState.h"
#include "job/MessageBoxes.h"

namespace stampwise {

// The nine windows, in the order they are created at start-up.
enum class FormId {
    MainForm,
    FilesSelectQueryForm,
    SelectFolderForm,
    ResizeParamsForm,
    SelectTargetForm,
    ReportForm,
    WatermarkParamsForm,
    AboutForm,
    SelectFilesForm,
};
inline constexpr FormId kFormCreationOrder[] = {
    FormId::MainForm,       FormId::FilesSelectQueryForm, FormId::SelectFolderForm,
    FormId::ResizeParamsForm, FormId::SelectTargetForm,   FormId::ReportForm,
    FormId::WatermarkParamsForm, FormId::AboutForm,       FormId::SelectFilesForm,
};
// The instance name ("SelectTargetForm"), which is also the window's objectName.
const char* FormInstanceName(FormId id);
// The window's caption ("" for the main window, which has no title bar).
const char* FormCaption(FormId id);

inline constexpr const char* kApplicationTitle = "VM-Stampwise";
inline constexpr const char* kCloseProgramQuestion = "Закрыть программу?";

class WizardWindows {
public:
    virtual ~WizardWindows() = default;
    virtual void ShowForm(FormId id) = 0;
    virtual void HideForm(FormId id) = 0;
    // Empties the file list window's list of chosen files.
    virtual void ClearFilesList() = 0;
    // The job's confirmed source or its target mode has changed: a window that shows a summary of
    // them, open from an earlier step, says it anew.
    virtual void JobChanged() {}
};

class WizardFlow {
public:
    WizardFlow(JobState& job, WizardWindows& windows, MessageBoxes& boxes)
        : job_(job), windows_(windows), boxes_(boxes) {}

    JobState& Job() { return job_; }

    // Main window.
    void ResizeClicked();
    void WatermarkClicked();
    void AboutClicked();
    // True when the user answered Yes: the caller then closes the main window.
    bool CloseClicked();

    // Source question window.
    void SelectFolderClicked();
    void SelectFilesClicked();

    // Folder window and file list window: ReadSourceFiles with the controls' values; on success the
    // window is hidden and the target window shown, else the notice is shown and nothing moves.
    bool FolderNextClicked(const std::string& selectedFolder,
                           const std::vector<std::string>& listEntries);
    bool FilesNextClicked(const std::string& selectedFolder,
                          const std::vector<std::string>& listEntries);

    // Target window, with the keyword of its selected option.
    void TargetNextClicked(const std::string& targetMode);

    // Report and About windows.
    void ReportFinishedClicked();
    void AboutCloseClicked();

private:
    bool NextFromSource(FormId from, const std::string& selectedFolder,
                        const std::vector<std::string>& listEntries);

    JobState& job_;
    WizardWindows& windows_;
    MessageBoxes& boxes_;
};

}  // namespace stampwise
