// Qt's own words (the Yes and No of a question, the file dialogs' "Open", "Look in:", "Cancel")
// in Russian, whatever the user's locale: every other text of the program is Russian, and a
// window half in English under LANG=C reads as broken. The information dialog names its words
// itself and keeps them (MessageBoxUnit).
#pragma once

class QTranslator;

// Loads Qt's Russian translation (qtbase_ru, from Qt's translations folder; the Debian package
// depends on the package that ships it) into translator and installs it. False when it is not
// installed: Qt's words then stay English.
bool InstallRussianQtTexts(QTranslator& translator);
