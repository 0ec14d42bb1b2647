// What a window of the wizard may ask of the set of windows around it: the job and its flow, the
// message boxes, what the source and target windows hold now, the start of a batch, and the main
// window's preview picture. The form set (app/FormSetUnit) implements it, so a window reaches the
// others through this and never includes the windows above it.
#pragma once

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

    // What the source and target windows hold, read from their controls at the moment it is
    // needed. Nothing keeps a copy: the windows stay open across runs, and a window of an earlier
    // run must see what a later run left in them, as the user sees it.
    // The folder selected in the folder window's tree, or empty: what a source window's "Дальше"
    // lists. Once listed, the job holds the source it came from (SourceFilesKind,
    // SourceFilesFolder), and the question and the summaries name that.
    virtual std::string SelectedSourceFolder() const = 0;
    // The file list window's entries, in list order.
    virtual std::vector<std::string> FileListEntries() const = 0;
    // The target window's four fields, exactly as they stand.
    virtual TargetTexts TargetFieldTexts() const = 0;

    // Starts a batch of operation over the job from the parameters window paramsForm, with what
    // the source and target windows hold now: the question, then the report window in its place
    // while the files run, then the final message (TReportForm::RunBatch).
    virtual void StartBatch(FormId paramsForm, const BatchOperation& operation) = 0;
    // The main window's sample picture, or null while there is none.
    virtual TJPEGImage* PreviewPicture() = 0;
};

}  // namespace stampwise
