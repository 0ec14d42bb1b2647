// The windowed batch, scripted for bench/run: the program's own windows, created and shown as at
// its start-up on a real display (Xvfb), driven through the file list route as a user would, a
// resize to a fixed width into one folder, the question answered Yes. It times the same work as
//   stampwise-batch resize --width WIDTH --to-folder OUT --files-from LIST
// and writes the same files.
//
//   stampwise-window-batch WIDTH OUT LIST
//
// LIST holds one source path per line. Prints the batch's wall seconds (from the Yes to the final
// message) and the CPU seconds the windows' thread took meanwhile; exits with 1 when the batch did
// not run to its success message.
#include <time.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QTimer>
#include <QTranslator>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/FormSetUnit.h"
#include "app/RussianQtTextsUnit.h"
#include "imaging/PictureMemory.h"
#include "job/MessageBoxes.h"
#include "resize/ResizeParamsUnit.h"
#include "widgets/SpinEditUnit.h"
#include "wizard/SelectFilesUnit.h"
#include "wizard/SelectTargetUnit.h"

namespace {

using stampwise::FormId;

class TYesBoxes final : public stampwise::MessageBoxes {
public:
    void Notice(const std::string& text) override { Unexpected = text; }
    bool Question(const std::string&) override {
        started = std::chrono::steady_clock::now();
        threadCpuStart = ThreadCpuSeconds();
        return true;
    }
    void Information(const std::string& text) override {
        Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        ThreadCpu = ThreadCpuSeconds() - threadCpuStart;
        Final = text;
    }

    static double ThreadCpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }

    std::string Unexpected;
    std::string Final;
    double Seconds = 0;
    double ThreadCpu = 0;

private:
    std::chrono::steady_clock::time_point started;
    double threadCpuStart = 0;
};

void Click(TFormSet& forms, FormId form, const char* name) {
    forms.Form(form)->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

}  // namespace

int main(int argc, char* argv[]) {
    stampwise::KeepPictureMemoryForReuse();
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s WIDTH OUT LIST\n", argv[0]);
        return 2;
    }
    SetApplicationTitle();
    QTranslator qtTranslations;
    InstallRussianQtTexts(qtTranslations);
    TYesBoxes boxes;
    TFormSet forms(boxes);
    forms.ShowForm(FormId::MainForm);

    const QString width = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    std::ifstream list(argv[3]);
    QStringList files;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty()) files << QString::fromStdString(line);
    }

    QTimer::singleShot(0, [&] {
        Click(forms, FormId::MainForm, "btnResize");
        Click(forms, FormId::FilesSelectQueryForm, "btnSelectFiles");
        forms.Window<TSelectFilesForm>(FormId::SelectFilesForm)->FilesList->addItems(files);
        Click(forms, FormId::SelectFilesForm, "btnNext");
        auto* target = forms.Window<TSelectTargetForm>(FormId::SelectTargetForm);
        target->rbFolder->click();
        target->edTargetFolder->setText(out);
        Click(forms, FormId::SelectTargetForm, "btnNext");
        auto* resize = forms.Window<TResizeParamsForm>(FormId::ResizeParamsForm);
        resize->rbWidth->click();
        resize->seWidth->SetText(width.toStdString());
        resize->btnNext->click();  // the batch, to its final message
        QApplication::quit();
    });
    QApplication::exec();

    if (!boxes.Unexpected.empty() || boxes.Final != "Размеры картинок удачно изменены!") {
        std::fprintf(stderr, "%s%s\n", boxes.Unexpected.c_str(), boxes.Final.c_str());
        return 1;
    }
    std::printf("%.2f %.2f\n", boxes.Seconds, boxes.ThreadCpu);
    return 0;
}
