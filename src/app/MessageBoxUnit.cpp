#include "app/MessageBoxUnit.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "app/MessageLines.h"

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(stampwise::SingleLineBreaks(text));
}

}  // namespace

void TQtMessageBoxes::Notice(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Stampwise"), ToQt(text), QMessageBox::Ok);
    box.exec();
}

bool TQtMessageBoxes::Question(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Stampwise"), ToQt(text),
                    QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TQtMessageBoxes::Information(const std::string& text) {
    // The toolkit's own words on this dialog stay as they are in every locale.
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), ToQt(text));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
