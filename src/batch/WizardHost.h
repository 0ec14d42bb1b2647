// What a window of the wizard may ask of the set of windows around it: the job and its flow, the
// message boxes, the choices the earlier windows hold, the report window as the view of a batch,
// and the main window's preview picture. The form set (app/FormSetUnit) implements it, so a window
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

class WizardHost : public WizardWindows {
public:
    virtual MessageBoxes& Boxes() = 0;
    virtual JobState& Job() = 0;
    virtual WizardFlow& Flow() = 0;

    // The folder window's selected folder, the file list window's entries and the target
    // window's four texts, as they stand now.
    virtual std::string SelectedFolder() const = 0;
    virtual std::vector<std::string> FileEntries() const = 0;
    virtual TargetTexts Targets() const = 0;

    // The report window as the view of a batch that paramsForm starts; the view hides paramsForm
    // when the batch begins.
    virtual std::unique_ptr<BatchView> ReportView(FormId paramsForm) = 0;
    // The main window's sample picture, or null while there is none.
    virtual TJPEGImage* PreviewPicture() = 0;
};

}  // namespace stampwise
