// Start-up: the application title, the menu entry's id and icon, the nine windows in their order,
// the event loop with only the main window shown. Closing the main window ends the loop; then the windows are destroyed.
//
// SIGINT, SIGTERM and SIGHUP end the program too: a batch under way starts no new file and
// finishes the ones it started (so no temporary file is left behind), any dialog then open is
// dismissed, and the program exits with 128 + the signal's number.
#include <unistd.h>

#include <memory>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>

#include "app/FormSetUnit.h"
#include "app/MainUnit.h"
#include "app/MessageBoxUnit.h"
#include "app/RussianQtTextsUnit.h"
#include "platform/InterruptSignals.h"
#include "imaging/PictureMemory.h"

int main(int argc, char* argv[]) {
    stampwise::KeepPictureMemoryForReuse();
    stampwise::InstallInterruptHandlers();
    QApplication app(argc, argv);
    SetApplicationTitle();
    SetDesktopIdentity();

    QTranslator qtTranslations;
    InstallRussianQtTexts(qtTranslations);

    TQtMessageBoxes boxes;
    TFormSet forms(boxes);
    forms.ShowForm(stampwise::FormId::MainForm);

    // Dialogs run loops of their own, and the batch's last message comes after its last file:
    // keep dismissing whatever is modal until the main loop has ended.
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else {
                modal->close();
            }
        }
        QApplication::quit();
    });
    const int wakeFd = stampwise::InterruptWakeDescriptor();
    std::unique_ptr<QSocketNotifier> wake;
    if (wakeFd >= 0) {
        wake = std::make_unique<QSocketNotifier>(wakeFd, QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&] {
            char bytes[16];
            [[maybe_unused]] const ssize_t drained = ::read(wakeFd, bytes, sizeof bytes);
            // A batch under way hears it while it waits for a file, as it hears its stop button.
            forms.StopBatch();
            closer.start();
            QApplication::quit();
        });
    }

    const int status = QApplication::exec();
    const int signal = stampwise::InterruptSignal();
    return signal != 0 ? stampwise::InterruptedExitStatus(signal) : status;
}
