#include "app/MessageBoxUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "app/RussianQtTextsUnit.h"

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

// Qt's Russian words, loaded whatever the locale (the tests run under any LANG, C.UTF-8 too).
class RussianQtTexts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallRussianQtTexts(translator)); }
    void TearDown() override { QCoreApplication::removeTranslator(&translator); }

    // Opens a box through show, reads the texts of its buttons and closes it with the last one.
    static QStringList ButtonTextsOf(const std::function<void()>& show) {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons()) texts.append(button->text().remove(u'&'));
            texts.sort();
            box->buttons().last()->click();
        });
        show();
        return texts;
    }

    QTranslator translator;
};

TEST_F(RussianQtTexts, AQuestionAnswersYesOrNoInRussian) {
    TQtMessageBoxes boxes;
    EXPECT_EQ(ButtonTextsOf([&] { boxes.Question("Закрыть программу?"); }),
              (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
}

TEST_F(RussianQtTexts, TheInformationDialogKeepsItsOwnWords) {
    TQtMessageBoxes boxes;
    EXPECT_EQ(ButtonTextsOf([&] { boxes.Information("Ошибка"); }),
              (QStringList{QStringLiteral("Cancel"), QStringLiteral("OK")}));
}

}  // namespace
}  // namespace stampwise::testing
