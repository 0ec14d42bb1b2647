// The batch command's arguments, sources and report. Arguments are checked completely before
// anything is read or written, so a usage error leaves the disk and standard output untouched.
// The pictures, names and failures are RunBatch's and the operations' (MakeResizeOperation,
// MakeWatermarkOperation), the logo is read as the watermark window reads it (LoadLogoFile).
#include "cli/BatchCommand.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/InterruptSignals.h"
#include "batch/OutputNaming.h"
#include "imaging/ImageErrors.h"
#include "job/JobState.h"
#include "job/SourceFiles.h"
#include "resize/ResizeRule.h"
#include "watermark/WatermarkPreview.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {

namespace {

constexpr const char* kProgramName = "stampwise-batch";
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

struct PlaceName {
    const char* Name;
    LogoPlacement Place;
};
constexpr PlaceName kPlaceNames[] = {
    {"top-left", LogoPlacement::TopLeft},         {"top-center", LogoPlacement::TopCenter},
    {"top-right", LogoPlacement::TopRight},       {"middle", LogoPlacement::Middle},
    {"bottom-left", LogoPlacement::BottomLeft},   {"bottom-center", LogoPlacement::BottomCenter},
    {"bottom-right", LogoPlacement::BottomRight},
};

std::string PlaceList() {
    std::string list;
    for (const PlaceName& p : kPlaceNames) list += (list.empty() ? "" : ", ") + std::string(p.Name);
    return list;
}

// A whole decimal number in int's range, nothing before or after it.
bool ParseInteger(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    const std::from_chars_result r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last;
}

// Every option of the command. A new one is a line here and a branch in Parser::Apply.
struct OptionSpec {
    const char* Name;
    bool HasValue;         // false: a switch, given alone
    bool IsWatermarkOnly;
};
constexpr OptionSpec kOptions[] = {
    {"--width", true, false},      {"--height", true, false},     {"--percent", true, false},
    {"--to-folder", true, false},  {"--subfolder", true, false},  {"--prefix", true, false},
    {"--suffix", true, false},     {"--jobs", true, false},       {"--files-from", true, false},
    {"--null", false, false},      {"--shard", true, false},      {"--json", false, false},
    {"--metadata", true, false},   {"--keep-profile", false, false},
    {"--logo", true, true},
    {"--at", true, true},          {"--margin", true, true},      {"--opacity", true, true},
    {"--noise", true, true},
};

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.Name) return &spec;
    }
    return nullptr;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : args_(arguments) {}

    ParsedBatchCommand Parse() {
        ParsedBatchCommand result;
        for (const std::string& a : args_) {
            if (a == "--") break;
            if (a == "--help" || a == "--version") {
                result.Ok = true;
                result.Options.ShowHelp = a == "--help";
                result.Options.ShowVersion = a == "--version";
                return result;
            }
        }
        result.Ok = ParseAll(result.Options);
        result.Error = error_;
        return result;
    }

private:
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool ParseAll(BatchCommandOptions& o) {
        if (args_.empty()) return Fail("no operation given (resize or watermark)");
        o.Operation = args_[0];
        if (o.Operation != keyword::kResize && o.Operation != keyword::kWatermark) {
            return Fail("unknown operation '" + o.Operation + "' (resize or watermark)");
        }
        const bool isWatermark = o.Operation == keyword::kWatermark;
        bool optionsEnded = false;
        for (std::size_t i = 1; i < args_.size(); ++i) {
            const std::string& arg = args_[i];
            if (optionsEnded || arg.size() < 2 || arg.compare(0, 1, "-") != 0) {
                o.Sources.push_back(arg);
                continue;
            }
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            std::string name = arg;
            std::optional<std::string> inlineValue;
            if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
            const OptionSpec* spec = FindOption(name);
            if (spec == nullptr) return Fail("unknown option '" + name + "'");
            if (spec->IsWatermarkOnly && !isWatermark) {
                return Fail("option '" + name + "' is for the watermark operation only");
            }
            if (!seen_.insert(name).second) return Fail("option '" + name + "' is given twice");
            std::string value;
            if (!spec->HasValue) {
                if (inlineValue) return Fail("option '" + name + "' takes no value");
            } else if (inlineValue) {
                value = *inlineValue;
            } else {
                if (i + 1 >= args_.size() || args_[i + 1].rfind("--", 0) == 0) {
                    return Fail("option '" + name + "' needs a value");
                }
                value = args_[++i];
            }
            if (!Apply(o, name, value)) return false;
        }

        if (o.Operation == keyword::kResize && o.Size == SizeOption::None) {
            return Fail("resize needs one of --width, --height or --percent");
        }
        if (isWatermark && o.LogoPath.empty()) return Fail("watermark needs --logo FILE");
        if (isWatermark && o.Placements.empty()) return Fail("watermark needs --at PLACES");
        if (o.TargetMode.empty()) {
            o.TargetMode = keyword::kSubfolder;
            o.Targets.Subfolder = (isWatermark ? WatermarkTexts() : ResizeTexts()).Names.Subfolder;
        }
        if (o.IsNullSeparated && o.FilesFrom.empty()) {
            return Fail("option '--null' needs --files-from FILE");
        }
        if (o.Sources.empty() && o.FilesFrom.empty()) {
            return Fail("no source given (a folder or a picture file, or --files-from FILE)");
        }
        return true;
    }

    bool Number(const std::string& name, const std::string& value, int lowest, int highest,
                int& out) {
        if (!ParseInteger(value, out) || out < lowest || out > highest) {
            const std::string range = highest == kIntMax
                                          ? "a whole number from " + std::to_string(lowest) + " up"
                                          : "a whole number from " + std::to_string(lowest) +
                                                " to " + std::to_string(highest);
            return Fail("option '" + name + "' needs " + range + ", not '" + value + "'");
        }
        return true;
    }

    bool Apply(BatchCommandOptions& o, const std::string& name, const std::string& value) {
        if (name == "--width" || name == "--height" || name == "--percent") {
            if (o.Size != SizeOption::None) {
                return Fail("option '" + name + "' conflicts with '" + sizeOption_ +
                            "': give one size");
            }
            if (!Number(name, value, 1, kIntMax, o.SizeValue)) return false;
            o.Size = name == "--width" ? SizeOption::Width
                     : name == "--height" ? SizeOption::Height
                                          : SizeOption::Percent;
            o.SizeText = value;
            sizeOption_ = name;
            return true;
        }
        if (name == "--to-folder" || name == "--subfolder" || name == "--prefix" ||
            name == "--suffix") {
            if (!o.TargetMode.empty()) {
                return Fail("option '" + name + "' conflicts with '" + targetOption_ +
                            "': give one target");
            }
            // An empty text would make every result its own source, which is always refused.
            if (value.empty()) return Fail("option '" + name + "' needs a text that is not empty");
            if (name == "--to-folder") {
                o.TargetMode = keyword::kFolder;
                o.Targets.Folder = value;
            } else if (name == "--subfolder") {
                o.TargetMode = keyword::kSubfolder;
                o.Targets.Subfolder = value;
            } else if (name == "--prefix") {
                o.TargetMode = keyword::kPrefix;
                o.Targets.Prefix = value;
            } else {
                o.TargetMode = keyword::kSuffix;
                o.Targets.Suffix = value;
            }
            targetOption_ = name;
            return true;
        }
        if (name == "--jobs") return Number(name, value, 1, 1024, o.Jobs);
        if (name == "--margin") return Number(name, value, kIntMin, kIntMax, o.MarginPx);
        if (name == "--opacity") return Number(name, value, 0, 255, o.Opacity);
        if (name == "--noise") return Number(name, value, 0, 255, o.NoiseLevel);
        if (name == "--logo") {
            if (value.empty()) return Fail("option '--logo' needs a file");
            o.LogoPath = value;
            return true;
        }
        if (name == "--at") return Places(o, value);
        if (name == "--files-from") {
            if (value.empty()) return Fail("option '--files-from' needs a file, or - for standard input");
            o.FilesFrom = value;
            return true;
        }
        if (name == "--null") {
            o.IsNullSeparated = true;
            return true;
        }
        if (name == "--json") {
            o.Json = true;
            return true;
        }
        if (name == "--keep-profile") {
            o.KeepProfile = true;
            return true;
        }
        if (name == "--shard") return Shard(o, value);
        if (name == "--metadata") {
            if (value == "credit") {
                o.Metadata = ResultMetadata::Credit;
            } else if (value == "none") {
                o.Metadata = ResultMetadata::None;
            } else {
                return Fail("option '--metadata' needs credit or none, not '" + value + "'");
            }
            return true;
        }
        // Reached only by a line of kOptions that has no branch here.
        return Fail("unknown option '" + name + "'");
    }

    bool Places(BatchCommandOptions& o, const std::string& value) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = value.find(',', start);
            const std::string item = value.substr(start, comma == std::string::npos ? std::string::npos
                                                                                    : comma - start);
            bool isKnown = false;
            for (const PlaceName& p : kPlaceNames) {
                if (item == p.Name) {
                    o.Placements.insert(p.Place);
                    isKnown = true;
                }
            }
            if (!isKnown) {
                return Fail("unknown place '" + item + "' in --at (places: " + PlaceList() + ")");
            }
            if (comma == std::string::npos) return true;
            start = comma + 1;
        }
    }

    // K/N with 1 <= K <= N.
    bool Shard(BatchCommandOptions& o, const std::string& value) {
        const std::size_t slash = value.find('/');
        int index = 0;
        int count = 0;
        if (slash == std::string::npos || !ParseInteger(value.substr(0, slash), index) ||
            !ParseInteger(value.substr(slash + 1), count)) {
            return Fail("option '--shard' needs K/N, two whole numbers, not '" + value + "'");
        }
        if (count < 1 || index < 1 || index > count) {
            return Fail("option '--shard' needs K/N with 1 <= K <= N, not '" + value + "'");
        }
        o.ShardIndex = index;
        o.ShardCount = count;
        return true;
    }

    const std::vector<std::string>& args_;
    std::set<std::string> seen_;
    std::string sizeOption_;
    std::string targetOption_;
    std::string error_;
};

// What the command shows of a batch: a line per row as soon as it comes, the progress for a
// terminal. The folder messages are not repeated: each such file's row carries the same text.
class CommandView final : public BatchView {
public:
    CommandView(std::ostream& out, std::ostream& err, bool showProgress, bool isJson)
        : out_(out), err_(err), showProgress_(showProgress), isJson_(isJson) {}

    bool AskQuestion(const std::string&) override { return true; }
    bool AsksQuestion() const override { return false; }
    void ShowInformation(const std::string&) override {}
    void HideParamsWindow() override {}
    void ClearReportRows() override {}
    void ClearReportColumns() override {}
    void AddReportColumn(const ReportColumn&) override {}
    void AddReportRow(const ReportRow& row) override {
        out_ << (isJson_ ? FormatJsonRow(row) : FormatReportLine(row)) << '\n' << std::flush;
    }
    void RepaintReport() override {}
    void ShowReport() override {}
    void ProcessPendingEvents() override {}
    void ReportProgress(int done, int total) override {
        if (!showProgress_) return;
        err_ << '\r' << done << '/' << total << std::flush;
        hasProgressLine_ = true;
    }

    void EndProgress() {
        if (hasProgressLine_) err_ << '\n' << std::flush;
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_;
    bool isJson_;
    bool hasProgressLine_ = false;
};

// The paths of --files-from appended to sources; false, with the reason on err, when the list
// cannot be read.
bool ReadListedPaths(const BatchCommandOptions& o, std::istream& in,
                     std::vector<std::string>& sources, std::ostream& err) {
    const char separator = o.IsNullSeparated ? '\0' : '\n';
    if (o.FilesFrom == "-") {
        if (ReadPathList(in, separator, sources)) return true;
        err << kProgramName << ": --files-from -: standard input cannot be read\n";
        return false;
    }
    std::ifstream file(o.FilesFrom, std::ios::binary);
    if (!file.is_open()) {
        err << kProgramName << ": --files-from " << o.FilesFrom << ": " << SystemErrorText(errno)
            << "\n";
        return false;
    }
    // A folder opens but does not read: say so rather than run an empty batch.
    std::error_code ec;
    if (std::filesystem::is_directory(o.FilesFrom, ec)) {
        err << kProgramName << ": --files-from " << o.FilesFrom << ": " << SystemErrorText(EISDIR)
            << "\n";
        return false;
    }
    if (ReadPathList(file, separator, sources)) return true;
    err << kProgramName << ": --files-from " << o.FilesFrom << ": the file cannot be read\n";
    return false;
}

// ReadListedPaths, also false when a path of a list read by lines holds a NUL byte.
bool ReadSourceList(const BatchCommandOptions& o, std::istream& in, std::vector<std::string>& sources,
                    std::ostream& err) {
    const std::size_t given = sources.size();
    if (!ReadListedPaths(o, in, sources, err)) return false;
    // No path holds a NUL byte: a line that does is a NUL-separated list read by lines, which
    // would name the first file of it and drop every other.
    const bool hasNul = !o.IsNullSeparated &&
                        std::any_of(sources.begin() + static_cast<std::ptrdiff_t>(given),
                                    sources.end(), [](const std::string& path) {
                                        return path.find('\0') != std::string::npos;
                                    });
    if (hasNul) {
        err << kProgramName << ": --files-from " << o.FilesFrom
            << ": a line holds a NUL byte; add --null for a NUL-separated list (find -print0)\n";
        return false;
    }
    return true;
}

// The mode of a size option; withoutOption for SizeOption::None (a resize always has a size
// option, a stamp without one keeps the logo's own size: 100 percent).
SizeMode ToSizeMode(SizeOption size, SizeMode withoutOption) {
    if (size == SizeOption::Width) return SizeMode::Width;
    if (size == SizeOption::Height) return SizeMode::Height;
    if (size == SizeOption::Percent) return SizeMode::Percent;
    return withoutOption;
}

}  // namespace

ParsedBatchCommand ParseBatchCommand(const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

std::string BatchCommandUsage() {
    return "Usage:\n"
           "  stampwise-batch resize (--width N | --height N | --percent N) [TARGET]\n"
           "                  [--keep-profile] [RUN] [SOURCE...]\n"
           "  stampwise-batch watermark --logo FILE [--width N | --height N | --percent N]\n"
           "                  --at PLACES [--margin N] [--opacity N] [--noise N] [TARGET]\n"
           "                  [--keep-profile] [RUN] [SOURCE...]\n"
           "\n"
           "Resizes JPEG pictures by nearest-neighbour sampling, or stamps a logo on them, and\n"
           "writes every result as a new baseline JPEG file of quality 90.\n"
           "\n"
           "Resize:\n"
           "  --width N, --height N   the new width or height; a picture not larger keeps its size\n"
           "  --percent N             the scale in percent (above 100 enlarges)\n"
           "Watermark:\n"
           "  --logo FILE             the logo, a .jpg or .bmp file; its white margins are trimmed\n"
           "                          and white does not show\n"
           "  --width N, --height N, --percent N\n"
           "                          the stamp's size (default: the logo's own, --percent 100)\n"
           "  --at PLACES             comma-separated: " + PlaceList() + "\n"
           "  --margin N              pixels between the stamp and the edges (default 10)\n"
           "  --opacity N             0 (invisible) to 255 (solid) (default 100)\n"
           "  --noise N               logo pixels this close to white do not show, 0 to 255\n"
           "                          (default 10)\n"
           "TARGET, one of:\n"
           "  --to-folder DIR         into the existing folder DIR, under the source's name\n"
           "  --subfolder NAME        into the folder NAME beside each source, made when missing\n"
           "                          (default: Resized for resize, Marked for watermark)\n"
           "  --prefix TEXT           beside the source, with TEXT before its name\n"
           "  --suffix TEXT           beside the source, with TEXT before its extension\n"
           "Colour: a picture tagged with a colour profile other than sRGB, and a CMYK picture,\n"
           "  is converted to sRGB.\n"
           "  --keep-profile          keep a tagged picture's colours as they are and write its\n"
           "                          profile into the result instead (CMYK is still converted)\n"
           "SOURCE: a folder (its *.jpg pictures in any letter case, sorted by name) or a picture\n"
           "  file; several may be given, and files keep the order given.\n"
           "  --files-from FILE       more sources, one per line of FILE (- for standard input),\n"
           "                          after those given as arguments; the list is read whole\n"
           "                          before the first file, and empty lines are passed over\n"
           "  --null                  the list's paths end with a NUL byte instead (find -print0),\n"
           "                          so a name may hold any character, a line break too\n"
           "                          (a line holding a NUL byte without it is a usage error)\n"
           "RUN:\n"
           "  --jobs N                files processed at once (default: the number of cores;\n"
           "                          fewer while their pictures would not fit in memory)\n"
           "  --shard K/N             only the K-th of N equal slices of the files, in their order\n"
           "                          (1 <= K <= N), so N machines share one list; every run checks\n"
           "                          every result against the whole list. A folder that gets\n"
           "                          results of the batch is refused: give a list made before the\n"
           "                          first run with --files-from instead\n"
           "  --metadata WHAT         what of a source's Exif data its result keeps: credit (the\n"
           "                          photographer's Artist and Copyright, the default) or none;\n"
           "                          location, camera serials and the rest never go along\n"
           "  --json                  report as JSON, one object per line (see below)\n"
           "  --help                  this text\n"
           "  --version               the program's name and version\n"
           "\n"
           "Standard output has one line per file, fields separated by tabs: source, its size,\n"
           "result file, its size, \"Успешно\" or \"Ошибка!\" and for a failed file the reason;\n"
           "the last line is the final message. In every field a backslash, tab, line feed and\n"
           "carriage return are written as \\\\, \\t, \\n and \\r. With --json each file's line is\n"
           "{\"source\", \"source_size\", \"output\", \"new_size\", \"ok\", \"error\"} (error null on\n"
           "success) and the last is {\"message\", \"total\", \"succeeded\", \"failed\"}; bytes of a\n"
           "name that are not UTF-8 appear as \\udc80 to \\udcff.\n"
           "A folder without pictures, or one that cannot be read, stops the run before any file,\n"
           "with a message on standard error. Exit status: 0 when every file succeeded, 1 when\n"
           "some failed or a folder gave no pictures, 2 for a usage error (nothing is written\n"
           "then).\n";
}

std::vector<std::string> ExpandSources(const std::vector<std::string>& sources,
                                       std::vector<FolderProblem>* problems,
                                       std::vector<std::string>* folders) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& source : sources) {
        std::error_code ec;
        if (!fs::is_directory(fs::path(source), ec)) {
            files.push_back(source);
            continue;
        }
        // "photos/" and "photos" give the same paths, without a doubled separator.
        std::string folder = source;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folders != nullptr) folders->push_back(folder);
        const std::vector<std::string> pictures = FindFolderPictures(folder, &ec);
        // A folder read only in part would drop pictures without a word.
        if ((ec || pictures.empty()) && problems != nullptr) {
            problems->push_back({source, ec ? SystemErrorText(ec.value()) : kNoJpgInFolderText});
        }
        files.insert(files.end(), pictures.begin(), pictures.end());
    }
    return files;
}

std::string FolderReceivingResults(const std::vector<std::string>& folders,
                                   const std::vector<std::string>& files,
                                   const std::string& targetMode, const TargetTexts& targets) {
    if (folders.empty()) return {};
    std::unordered_map<std::string, std::size_t> folderOf;
    for (std::size_t i = 0; i < folders.size(); ++i) folderOf.emplace(FileIdentity(folders[i]), i);
    std::unordered_set<std::string> checked;  // result folders: most files share a few
    for (const std::string& file : files) {
        std::string resultFolder =
            std::filesystem::path(PlannedOutputPath(file, targetMode, targets)).parent_path().string();
        if (resultFolder.empty()) resultFolder = ".";
        if (!checked.insert(resultFolder).second) continue;
        if (const auto f = folderOf.find(FileIdentity(resultFolder)); f != folderOf.end()) {
            return folders[f->second];
        }
    }
    return {};
}

bool ReadPathList(std::istream& in, char separator, std::vector<std::string>& paths) {
    for (std::string path; std::getline(in, path, separator);) {
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return !in.bad();
}

ShardRange ShardOf(std::size_t total, int index, int count) {
    // Boundaries at floor(k · total / count), in 64 bits: no slice is ever two longer than another.
    const auto boundary = [&](int k) {
        return static_cast<std::size_t>(static_cast<unsigned long long>(total) * k / count);
    };
    return ShardRange{boundary(index - 1), boundary(index)};
}

std::string EscapeReportField(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\t': escaped += "\\t"; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string FormatReportLine(const ReportRow& row) {
    std::string line = EscapeReportField(row.Caption) + '\t' + EscapeReportField(row.SourceSize) +
                       '\t' + EscapeReportField(row.OutputPath) + '\t' +
                       EscapeReportField(row.NewSize) + '\t' + EscapeReportField(row.Result);
    if (row.ImageIndex != kReportImageOk) line += '\t' + EscapeReportField(row.ErrorText);
    return line;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[at] (shortest form, no surrogates, at
// most U+10FFFF), or 0 when there is none.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

std::string JsonString(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string json = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            // File names are bytes; the low surrogates U+DC80..U+DCFF stand for the bytes that
            // are no UTF-8, so nothing of the name is lost.
            json += "\\udc";
            json += kHex[c >> 4];
            json += kHex[c & 0xF];
            ++at;
            continue;
        }
        if (length > 1) {
            json.append(text, at, length);
        } else if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20) {
            json += "\\u00";
            json += kHex[c >> 4];
            json += kHex[c & 0xF];
        } else {
            json += static_cast<char>(c);
        }
        at += length;
    }
    return json + "\"";
}

}  // namespace

std::string FormatJsonRow(const ReportRow& row) {
    const bool isOk = row.ImageIndex == kReportImageOk;
    return "{\"source\":" + JsonString(row.Caption) + ",\"source_size\":" +
           JsonString(row.SourceSize) + ",\"output\":" + JsonString(row.OutputPath) +
           ",\"new_size\":" + JsonString(row.NewSize) + ",\"ok\":" + (isOk ? "true" : "false") +
           ",\"error\":" + (isOk ? std::string("null") : JsonString(row.ErrorText)) + "}";
}

std::string FormatJsonEnd(const std::string& finalMessage, int total, int done, int failed,
                          bool interrupted) {
    return "{\"message\":" + JsonString(finalMessage) + ",\"total\":" + std::to_string(total) +
           ",\"succeeded\":" + std::to_string(done - failed) +
           ",\"failed\":" + std::to_string(failed) +
           ",\"interrupted\":" + (interrupted ? "true" : "false") + "}";
}

int RunBatchCommand(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                    std::ostream& err, bool showProgress,
                    const std::function<int()>& interruptSignal) {
    const auto signalNumber = [&] { return interruptSignal ? interruptSignal() : 0; };
    const ParsedBatchCommand parsed = ParseBatchCommand(arguments);
    if (!parsed.Ok) {
        err << kProgramName << ": " << parsed.Error << "\n"
            << "Try '" << kProgramName << " --help'.\n";
        return kExitUsage;
    }
    const BatchCommandOptions& o = parsed.Options;
    if (o.ShowHelp) {
        out << BatchCommandUsage();
        return kExitAllDone;
    }
    if (o.ShowVersion) {
        out << kProgramName << ' ' << STAMPWISE_VERSION << '\n';
        return kExitAllDone;
    }

    const ProfileHandling profiles =
        o.KeepProfile ? ProfileHandling::Keep : ProfileHandling::ConvertToSrgb;
    BatchOperation operation;
    if (o.Operation == keyword::kResize) {
        operation = MakeResizeOperation(ToSizeMode(o.Size, SizeMode::Width), o.SizeValue, o.SizeText,
                                        o.Metadata, profiles);
    } else {
        // A logo that cannot be used is an argument at fault: the batch does not start.
        LogoLoad load = LoadLogoFile(o.LogoPath);
        if (load.Result != LogoLoad::Outcome::Loaded) {
            err << kProgramName << ": --logo " << o.LogoPath << ": " << load.Reason << "\n";
            return kExitUsage;
        }
        WatermarkSettings settings;
        settings.Logo = std::move(load.Logo);
        settings.SizeMode = ToSizeMode(o.Size, SizeMode::Percent);
        settings.SizeValue = o.Size == SizeOption::None ? 100 : o.SizeValue;
        settings.Placements = o.Placements;
        settings.MarginPx = o.MarginPx;
        settings.Opacity = o.Opacity;
        settings.NoiseLevel = o.NoiseLevel;
        settings.Metadata = o.Metadata;
        settings.Profiles = profiles;
        operation = MakeWatermarkOperation(settings);
    }

    // The whole list before the first file: the runner checks every result against every source.
    std::vector<std::string> sources = o.Sources;
    if (!o.FilesFrom.empty() && !ReadSourceList(o, in, sources, err)) return kExitUsage;

    std::vector<FolderProblem> folderProblems;
    std::vector<std::string> folders;
    JobState job;
    job.Operation = o.Operation;
    job.SourceKind = keyword::kFiles;
    job.TargetMode = o.TargetMode;
    job.SourceFiles = ExpandSources(sources, &folderProblems, &folders);
    sources.clear();
    sources.shrink_to_fit();
    // As the wizard's folder window does, a folder without pictures stops the job before any
    // file: a run that did nothing must not report success.
    if (!folderProblems.empty()) {
        for (const FolderProblem& problem : folderProblems) {
            err << kProgramName << ": " << EscapeReportField(problem.Folder) << ": "
                << problem.Reason << "\n";
        }
        return kExitSomeFailed;
    }

    BatchInputs inputs;
    inputs.Targets = o.Targets;
    inputs.Jobs = o.Jobs;
    if (o.ShardCount > 1) {
        // Every shard lists a folder when it starts: results of the shards that ran before it
        // would shift its slice, processing some pictures twice and others never.
        const std::string receiving =
            FolderReceivingResults(folders, job.SourceFiles, o.TargetMode, o.Targets);
        if (!receiving.empty()) {
            err << kProgramName << ": --shard: results of this batch go into the folder "
                << EscapeReportField(receiving)
                << ", so every run would find other pictures there; list them once, before the"
                   " first run (find DIR -maxdepth 1 -iname '*.jpg' -print0 > LIST), and give"
                   " every run --files-from LIST --null\n";
            return kExitUsage;
        }
        // The whole list is planned, so that every run decides alike about every output; only
        // the slice is processed.
        const ShardRange shard = ShardOf(job.SourceFiles.size(), o.ShardIndex, o.ShardCount);
        inputs.ProcessFirst = shard.First;
        inputs.ProcessLast = shard.Last;
    }
    inputs.StopRequested = [&] { return signalNumber() != 0; };
    CommandView view(out, err, showProgress, o.Json);
    const BatchSummary summary = RunBatch(job, inputs, operation, view);
    view.EndProgress();
    // Also when interrupted: the rows printed stay, and the last line says what became of the run
    // (where standard output is still there to take it).
    const int signal = signalNumber();
    const int done = summary.PrepareFailed ? summary.Total : summary.Done;
    out << (o.Json ? FormatJsonEnd(summary.FinalMessage, summary.Total, done, summary.Failed,
                                   signal != 0)
                   : EscapeReportField(summary.FinalMessage))
        << '\n' << std::flush;
    if (signal != 0) return InterruptedExitStatus(signal);
    return summary.PrepareFailed || summary.Failed > 0 ? kExitSomeFailed : kExitAllDone;
}

}  // namespace stampwise
