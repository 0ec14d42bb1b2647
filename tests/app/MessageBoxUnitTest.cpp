#include "app/MessageBoxUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "batch/BatchRunner.h"
#include "watermark/WatermarkTexts.h"

namespace stampwise::testing {
namespace {

TEST(QuestionBox, ShowsEachLineBreakOfTheTextAsOne) {
    // A question whose every phrase breaks its line, as the watermark texts do.
    const std::string text = BuildConfirmationText(WatermarkTexts(), "folder", "/home/u/Фото", 12, "",
                                                   "prefix", TargetTexts{"", "", "marked_", ""});
    ASSERT_NE(text.find("\n\r"), std::string::npos);
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->button(QMessageBox::No)->click();
    });
    TQtMessageBoxes boxes;
    EXPECT_FALSE(boxes.Question(text));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 4) << shown.toStdString();
    for (const QString& line : lines) {
        EXPECT_FALSE(line.trimmed().isEmpty()) << shown.toStdString();
        EXPECT_FALSE(line.contains(QLatin1Char('\r'))) << shown.toStdString();
    }
}

}  // namespace
}  // namespace stampwise::testing
