// Start-up: the application title, the menu entry's id and icon, the nine windows in their order,
// the event loop with only the main window shown. Closing the main window ends the loop; then the windows are destroyed.
#include <QApplication>
#include <QTranslator>

#include "app/FormSetUnit.h"
#include "app/MainUnit.h"
#include "app/MessageBoxUnit.h"
#include "imaging/PictureMemory.h"

int main(int argc, char* argv[]) {
    stampwise::KeepPictureMemoryForReuse();
    QApplication app(argc, argv);
    SetApplicationTitle();
    SetDesktopIdentity();

    QTranslator qtTranslations;
    InstallQtTranslations(qtTranslations);

    TQtMessageBoxes boxes;
    TFormSet forms(boxes);
    forms.ShowForm(stampwise::FormId::MainForm);
    return QApplication::exec();
}
