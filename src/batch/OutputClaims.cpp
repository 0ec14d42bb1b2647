#include "batch/OutputClaims.h"

#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "batch/OutputNaming.h"
#include "batch/ResultFiles.h"

namespace stampwise {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

OutputClaims::OutputClaims(const std::vector<std::string>& files, std::size_t first,
                           const std::string& targetMode, const TargetTexts& targets,
                           PathSpellings& spellings)
    : files_(files), first_(static_cast<int>(first)), spellings_(spellings), plans_(files.size()) {
    std::unordered_map<std::string, int> sourceOf;
    for (std::size_t i = 0; i < files.size(); ++i) {
        plans_[i].SourceKey = FileIdentity(files[i], spellings_);
        sourceOf.emplace(plans_[i].SourceKey, static_cast<int>(i));
    }
    OutputPathSurvey survey(spellings_);
    std::unordered_map<std::string, int> lastWriter;
    std::unordered_map<std::string, int> lastOfSpelling;
    for (std::size_t i = 0; i < files.size(); ++i) {
        FilePlan& plan = plans_[i];
        plan.OutputPath = PlannedOutputPath(files[i], targetMode, targets);
        if (plan.OutputPath.empty()) continue;  // the file fails on its target mode
        const OutputPathSurvey::Look look = survey.LookAt(plan.OutputPath);
        if (look.State == PathAtPlanning::Present) plan.AtPlanning = look.Stamp;
        plan.IsOwnSource = look.Key == plan.SourceKey;
        if (const auto s = sourceOf.find(look.Key); s != sourceOf.end()) {
            plan.ReplacedSource = s->second;
        }
        const auto [w, isFirst] = lastWriter.try_emplace(look.Key, static_cast<int>(i));
        plan.Group = isFirst ? static_cast<int>(i) : plans_[w->second].Group;
        if (!isFirst) plan.SaveAfter = std::exchange(w->second, static_cast<int>(i));
        // Where the folder was found not to tell letter case apart, the spellings of one name
        // share a key and so a group above. Paths that differ in ASCII letter case only take
        // their turns in list order anywhere, as well: should a folder fold case unseen, the
        // first in the list still gets the name, and a later one finds it taken.
        const auto [c, isFirstSpelling] =
            lastOfSpelling.try_emplace(LowerAscii(look.PathKey), static_cast<int>(i));
        if (!isFirstSpelling) plan.SpellingAfter = std::exchange(c->second, static_cast<int>(i));
    }
    holders_.assign(files.size(), -1);
    written_.resize(files.size());
}

std::optional<FileStamp> OutputClaims::CheckSave(int i) const {
    const FilePlan& plan = plans_[first_ + i];
    if (plan.IsOwnSource) throw std::runtime_error(kSameFileErrorText);
    if (plan.ReplacedSource >= 0) {
        throw std::runtime_error(kOtherSourceErrorText + files_[plan.ReplacedSource]);
    }
    if (plan.Group < 0) return plan.AtPlanning;
    if (plan.Group < first_ && plans_[plan.Group].SourceKey != plan.SourceKey) {
        throw std::runtime_error(kEarlierOutputErrorText + files_[plan.Group]);
    }
    const int holder = holders_[plan.Group];
    if (holder >= 0 && plans_[holder].SourceKey != plan.SourceKey) {
        throw std::runtime_error(kTakenOutputErrorText + files_[holder]);
    }
    // The same source's result, written earlier in this batch, is refreshed.
    if (holder >= 0) return written_[plan.Group];
    return plan.AtPlanning;
}

void OutputClaims::Done(int i, const std::optional<FileStamp>& written) {
    const int group = plans_[first_ + i].Group;
    if (!written || group < 0) return;
    if (holders_[group] < 0) holders_[group] = first_ + i;
    // Only the holder's source writes there after it (CheckSave), each in turn: the latest is
    // the file at the path now.
    written_[group] = *written;
}

}  // namespace stampwise
