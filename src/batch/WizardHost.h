// What a window of the wizard may ask of the set of windows around it: the job and its flow, the
// message boxes, the choices made so far, the report window as the view of a batch, and the main
// window's preview picture. The form set (app/FormSetUnit) implements it, so a window
// reaches the others through this and never includes the windows above it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/JpegImage.h"
#include "job/JobState.h"
#include "job/MessageBoxes.h"
#include "job/WizardFlow.h"

namespace stampwise {

// What the wizard's windows chose. Each "Дальше" writes its own window's part; the later windows
// and the batch read them here, never from another window's controls.
struct WizardChoices {
    std::string Folder;               // the folder window's selected folder
    std::vector<std::string> Files;   // the file list window's entries
    TargetTexts Targets;              // the target window's four texts
};

class WizardHost : public WizardWindows {
public:
    virtual MessageBoxes& Boxes() = 0;
    virtual JobState& Job() = 0;
    virtual WizardFlow& Flow() = 0;

    virtual WizardChoices& Choices() = 0;

    // The report window as the view of a batch that paramsForm starts; the view hides paramsForm
    // when the batch begins.
    virtual std::unique_ptr<BatchView> ReportView(FormId paramsForm) = 0;
    // The main window's sample picture, or null while there is none.
    virtual TJPEGImage* PreviewPicture() = 0;
};

}  // namespace stampwise
