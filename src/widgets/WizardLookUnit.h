// The few looks the wizard windows share: blue captions of group boxes and labels, the "Дальше"
// button with its arrow on the right, and flat picture buttons. Each builder names the control,
// so tests and the other windows find it by its objectName.
#pragma once

#include <QStyle>

#include "job/WizardFlow.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

QGroupBox* MakeBlueGroupBox(QWidget* parent, const char* name, const char* caption);
// The blue title alone, for a group box class of its own.
void MakeBlue(QGroupBox* box);
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption);
void MakeBlue(QLabel* label);
// "Дальше" with a forward arrow on the right of its text.
QPushButton* MakeNextButton(QWidget* parent);
// A push button with a picture of iconPx square, flat or raised.
QPushButton* MakePictureButton(QWidget* parent, const char* name, const char* caption,
                               QStyle::StandardPixmap picture, int iconPx, bool flat);
// Makes the pictures the artwork generator drew (":/…") loadable. They are compiled into the
// static window library, whose resources are linked in only when something names them.
void RegisterArtwork();
// Places a top-level window in the centre of the screen it is on.
void CenterOnScreen(QWidget* window);
// Sets up a wizard window: caption, objectName, fixed size and a title bar with only a close box.
void SetUpWizardWindow(QWidget* window, stampwise::FormId id, int clientWidth, int clientHeight);
// The keys of a wizard window: Enter presses enterButton (its "Дальше" or OK; none when null) unless
// the focus is on another push button, which it then presses; Escape closes the window. Keys that a
// control of the window uses itself (Enter in an open editor, Escape in a completer) stay its own.
void InstallWizardKeys(QWidget* window, QAbstractButton* enterButton);
