#include "batch/TargetCheck.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

namespace stampwise {
namespace {

// Folders as the system would answer for them; every other one can take files.
FolderAccessProbe Answers(std::map<std::string, int> answers, std::vector<std::string>* asked) {
    return [answers = std::move(answers), asked](const std::string& folder) {
        asked->push_back(folder);
        const auto it = answers.find(folder);
        return it == answers.end() ? 0 : it->second;
    };
}

TEST(TargetRefusals, OneNoticePerFolderThatCannotTakeTheResultsWithWhy) {
    const TargetTexts targets{"/out", "Small", "s_", "_s"};
    const std::vector<std::string> sources = {"/ro/a.jpg", "/ok/b.jpg", "/ro/c.jpg", "/mine/d.jpg",
                                              "/card/e.jpg", "/made/f.jpg"};
    const std::map<std::string, int> answers = {
        {"/out", EROFS}, {"/ro", EACCES}, {"/mine/Small", ENOENT}, {"/card", EROFS},
        {"/card/Small", ENOENT}, {"/made/Small", EACCES}};
    struct Case {
        const char* mode;
        std::vector<std::string> refusals;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {"folder", {"Нельзя сохранить файлы в каталог /out: файловая система только для чтения"}, {"/out"}},
        {"prefix",
         {"Нельзя сохранить файлы в каталог /ro: нет прав на запись",
          "Нельзя сохранить файлы в каталог /card: файловая система только для чтения"},
         {"/ro", "/ok", "/mine", "/card", "/made"}},
        // A missing subfolder is made in the source's folder; one that is there must take files.
        {"subfolder",
         {"Невозможно создать каталог /card/Small: файловая система только для чтения",
          "Нельзя сохранить файлы в каталог /made/Small: нет прав на запись"},
         {"/ro", "/ro/Small", "/ok", "/ok/Small", "/mine", "/mine/Small", "/card", "/card/Small",
          "/made", "/made/Small"}},
        {"Folder", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<std::string> asked;
        EXPECT_EQ(TargetRefusals(c.mode, targets, sources, Answers(answers, &asked)), c.refusals);
        EXPECT_EQ(asked, c.asked);
    }
}

TEST(TargetRefusals, TheSystemsAnswerForARealFolder) {
    // "~" is a name like any other here, not the home folder.
    EXPECT_EQ(TargetRefusal("folder", {"~/Результаты", "", "", ""}),
              "Нельзя сохранить файлы в каталог ~/Результаты: нет такого каталога");
    EXPECT_EQ(TargetRefusal("suffix", {"~/Результаты", "", "", ""}), "");
}

}  // namespace
}  // namespace stampwise
