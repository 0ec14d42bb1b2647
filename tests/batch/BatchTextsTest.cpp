// The texts of a batch: the confirmation question, the report columns and the final message.
#include <gtest/gtest.h>

#include <string>

#include "batch/BatchRunner.h"
#include "resize/ResizeRule.h"
#include "watermark/WatermarkTexts.h"

namespace stampwise {
namespace {

const TargetTexts kTargets{"/out", "Resized", "resized_", "_resized"};

std::string SourcePhrase(const OperationTexts& operation, const std::string& kind) {
    return BuildConfirmationText(operation, kind, "/home/u/Фото", 12, "", "", kTargets);
}

std::string TargetPhrase(const OperationTexts& operation, const std::string& mode) {
    return BuildConfirmationText(operation, "", "", 0, "", mode, kTargets);
}

TEST(BuildConfirmationText, SourcePhrases) {
    EXPECT_EQ(SourcePhrase(ResizeTexts(), "folder"),
              "Вы действительно хотите преобразовать картинки \n\rв папке [/home/u/Фото] с "
              "расширением jpg (всего 12),\n\r");
    EXPECT_EQ(SourcePhrase(ResizeTexts(), "files"),
              "Вы действительно хотите преобразовать выбранные 12 файла(ов),\n\r");
    EXPECT_EQ(SourcePhrase(WatermarkTexts(), "folder"),
              "Вы действительно хотите поместить логотип на \n\rкартинки в папке [/home/u/Фото] с "
              "расширением jpg (всего 12)\n\r");
    EXPECT_EQ(SourcePhrase(WatermarkTexts(), "files"),
              "Вы действительно хотите поместить логотип на \n\rвыбранные картинки (всего 12 "
              "файла(ов))\n\r");
}

TEST(BuildConfirmationText, LineBreakIsLineFeedThenCarriageReturn) {
    const std::string text = SourcePhrase(ResizeTexts(), "files");
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text[text.size() - 2], '\x0A');
    EXPECT_EQ(text[text.size() - 1], '\x0D');
}

TEST(BuildConfirmationText, ResizeTargetPhrasesBeginWithASpace) {
    EXPECT_EQ(TargetPhrase(ResizeTexts(), "folder"), " и сохранить в папку [/out]?");
    EXPECT_EQ(TargetPhrase(ResizeTexts(), "subfolder"), " и сохранить в подкаталог [Resized]?");
    EXPECT_EQ(TargetPhrase(ResizeTexts(), "prefix"), " и сохранить в ту же папку с префиксом resized_?");
    EXPECT_EQ(TargetPhrase(ResizeTexts(), "suffix"), " и сохранить в ту же папку с суффиксом _resized?");
}

TEST(BuildConfirmationText, WatermarkTargetPhrases) {
    EXPECT_EQ(TargetPhrase(WatermarkTexts(), "folder"), "и сохранить результаты в папку \n\r[/out]?");
    EXPECT_EQ(TargetPhrase(WatermarkTexts(), "subfolder"),
              "и сохранить результаты в подкаталог [Resized]?");
    EXPECT_EQ(TargetPhrase(WatermarkTexts(), "prefix"),
              "и сохранить результаты в ту же папку \n\rс добавлением к названиям файлов спереди "
              "слова resized_?");
    EXPECT_EQ(TargetPhrase(WatermarkTexts(), "suffix"),
              "и сохранить результаты в ту же папку \n\rс добавлением к названиям файлов сзади "
              "слова _resized?");
}

TEST(BuildConfirmationText, JoinsTheThreePhrasesWithNothingBetween) {
    const std::string text =
        BuildConfirmationText(ResizeTexts(), "folder", "/home/u/Фото", 12,
                              ResizeOperationPhrase(ResizeMode::Width, "800"), "subfolder", kTargets);
    EXPECT_EQ(text,
              "Вы действительно хотите преобразовать картинки \n\rв папке [/home/u/Фото] с "
              "расширением jpg (всего 12),\n\rчтобы их ширина стала 800 пикс., и сохранить в "
              "подкаталог [Resized]?");
}

TEST(BuildConfirmationText, KeywordsAreComparedExactly) {
    EXPECT_EQ(BuildConfirmationText(ResizeTexts(), "Folder", "/x", 1, "", "FOLDER", kTargets), "");
}

TEST(ReportColumns, FiveColumnsWithTheOperationsThirdCaption) {
    const std::vector<ReportColumn> resize = ReportColumns(ResizeTexts());
    ASSERT_EQ(resize.size(), 5u);
    const char* captions[] = {"Исходный файл", "Размер", "Преобразованный файл", "Размер",
                              "Результат"};
    const int widths[] = {180, 60, 180, 60, 70};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(resize[i].Caption, captions[i]) << i;
        EXPECT_EQ(resize[i].Width, widths[i]) << i;
    }
    EXPECT_EQ(ReportColumns(WatermarkTexts())[2].Caption, "Обработанный файл");
}

TEST(FinalMessage, SuccessTextOnlyWhenNothingFailed) {
    EXPECT_EQ(FinalMessage(ResizeTexts(), 0, 3), "Размеры картинок удачно изменены!");
    EXPECT_EQ(FinalMessage(ResizeTexts(), 0, 0), "Размеры картинок удачно изменены!");
    EXPECT_EQ(FinalMessage(WatermarkTexts(), 0, 2), "Логотипы удачно нанесены на картинки!");
}

TEST(FinalMessage, CountsTheFailures) {
    EXPECT_EQ(FinalMessage(ResizeTexts(), 2, 15), "Размеры изменены не у всех картинок: ошибок 2 из 15.");
    EXPECT_EQ(FinalMessage(WatermarkTexts(), 3, 3),
              "Логотипы нанесены не на все картинки: ошибок 3 из 3.");
}

}  // namespace
}  // namespace stampwise
