// The nine windows of the program, created once at start-up in their fixed order and kept until the
// end. The set is how windows reach each other (the batch reads the target window's fields, the
// target window compares the folder window's selection) and how the wizard's flow shows and hides
// them.
#pragma once

#include <memory>

#include "app/JobState.h"
#include "app/MessageBoxes.h"
#include "app/WizardFlow.h"

class QTranslator;
class QWidget;
class TMainForm;
class TFilesSelectQueryForm;
class TSelectFolderForm;
class TResizeParamsForm;
class TSelectTargetForm;
class TReportForm;
class TWatermarkParamsForm;
class TAboutForm;
class TSelectFilesForm;

class TFormSet final : public stampwise::WizardWindows {
public:
    // Creates the nine windows in the order of kFormCreationOrder; only the main window is to be
    // shown by the caller.
    explicit TFormSet(stampwise::MessageBoxes& boxes);
    ~TFormSet() override;
    TFormSet(const TFormSet&) = delete;
    TFormSet& operator=(const TFormSet&) = delete;

    stampwise::MessageBoxes& Boxes() { return boxes_; }
    stampwise::JobState& Job() { return job_; }
    stampwise::WizardFlow& Flow() { return flow_; }

    QWidget* Form(stampwise::FormId id) const;

    void ShowForm(stampwise::FormId id) override;
    void HideForm(stampwise::FormId id) override;
    void ClearFilesList() override;

    TMainForm* MainForm = nullptr;
    TFilesSelectQueryForm* FilesSelectQueryForm = nullptr;
    TSelectFolderForm* SelectFolderForm = nullptr;
    TResizeParamsForm* ResizeParamsForm = nullptr;
    TSelectTargetForm* SelectTargetForm = nullptr;
    TReportForm* ReportForm = nullptr;
    TWatermarkParamsForm* WatermarkParamsForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TSelectFilesForm* SelectFilesForm = nullptr;

private:
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
// Loads Qt's own translations for the system locale into translator and installs it, when they
// are installed, so the standard Yes and No read in the user's language.
void InstallQtTranslations(QTranslator& translator);
// Places a top-level window in the centre of the screen it is on.
void CenterOnScreen(QWidget* window);
// Sets up a wizard window: caption, objectName, fixed size and a title bar with only a close box.
void SetUpWizardWindow(QWidget* window, stampwise::FormId id, int clientWidth, int clientHeight);
