// The command's options as one table: each row is an option's name, what it does to the options
// (its handler) and what --help says of it. The parser looks options up in it and the usage text
// is written from it in its order, under the headings the rows open. Arguments are checked
// completely before anything is read or written, so a usage error leaves the disk untouched.
#include "cli/CommandOptions.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <limits>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "job/JobState.h"
#include "resize/ResizeRule.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {

namespace {

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

class Parser;

// Where an option may be given: with either operation, with the watermark only, or alone: the
// first --help or --version anywhere asks for its text and nothing else.
enum class OptionScope { Any, WatermarkOnly, Alone };

struct OptionRow {
    // Printed before the row in the usage: the heading of the part the row opens.
    const char* Heading = nullptr;
    const char* Name = nullptr;
    const char* Value = nullptr;  // what the usage calls its value; nullptr for a switch
    OptionScope Scope = OptionScope::Any;
    // Applies the option being parsed (Parser::Name, Parser::Value); false after Parser::Fail.
    // nullptr: the row describes an option of an earlier row once more (the size options, as
    // the watermark reads them) and is for the usage only.
    bool (*Apply)(Parser&) = nullptr;
    // Lines of the usage's description; kWithTheNext: described together with the next row.
    std::string Help;
};
constexpr const char* kWithTheNext = "";

const std::vector<OptionRow>& OptionTable();

const OptionRow* FindOption(const std::string& name) {
    for (const OptionRow& row : OptionTable()) {
        if (row.Apply != nullptr && name == row.Name) return &row;
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
            const OptionRow* row = FindOption(a);
            if (row != nullptr && row->Scope == OptionScope::Alone) {
                result.Ok = true;
                options_ = &result.Options;
                row->Apply(*this);
                return result;
            }
        }
        options_ = &result.Options;
        result.Ok = ParseAll(result.Options);
        result.Error = error_;
        return result;
    }

    // What a handler works with: the options so far, and the option it applies.
    BatchCommandOptions& Options() { return *options_; }
    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }

    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    // The value as a whole number from lowest to highest, into out.
    bool Number(int lowest, int highest, int& out) {
        if (!ParseInteger(value_, out) || out < lowest || out > highest) {
            const std::string range = highest == kIntMax
                                          ? "a whole number from " + std::to_string(lowest) + " up"
                                          : "a whole number from " + std::to_string(lowest) +
                                                " to " + std::to_string(highest);
            return Fail("option '" + name_ + "' needs " + range + ", not '" + value_ + "'");
        }
        return true;
    }

    // --width, --height or --percent: one of them, a whole number from 1 up.
    bool Size(SizeOption size) {
        BatchCommandOptions& o = Options();
        if (o.Size != SizeOption::None) {
            return Fail("option '" + name_ + "' conflicts with '" + sizeOption_ + "': give one size");
        }
        if (!Number(1, kIntMax, o.SizeValue)) return false;
        o.Size = size;
        o.SizeText = value_;
        sizeOption_ = name_;
        return true;
    }

    // --to-folder, --subfolder, --prefix or --suffix: one of them, with a text.
    bool Target(const char* mode, std::string TargetTexts::*text) {
        BatchCommandOptions& o = Options();
        if (!o.TargetMode.empty()) {
            return Fail("option '" + name_ + "' conflicts with '" + targetOption_ + "': give one target");
        }
        // An empty text would make every result its own source, which is always refused.
        if (value_.empty()) return Fail("option '" + name_ + "' needs a text that is not empty");
        o.TargetMode = mode;
        o.Targets.*text = value_;
        targetOption_ = name_;
        return true;
    }

    bool Places() {
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = value_.find(',', start);
            const std::string item = value_.substr(start, comma == std::string::npos ? std::string::npos
                                                                                     : comma - start);
            bool isKnown = false;
            for (const PlaceName& p : kPlaceNames) {
                if (item == p.Name) {
                    Options().Placements.insert(p.Place);
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

    // credit and date, comma-separated, or none alone.
    bool Metadata() {
        ResultMetadata kept = ResultMetadata::Nothing();
        const std::string& list = value_;
        if (list == "none") {
            Options().Metadata = kept;
            return true;
        }
        for (std::size_t start = 0;;) {
            const std::size_t comma = list.find(',', start);
            const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos
                                                                                     : comma - start);
            if (item == "credit") {
                kept.Credit = true;
            } else if (item == "date") {
                kept.Date = true;
            } else {
                return Fail("option '--metadata' needs credit, date, both comma-separated, or none, not '" +
                            list + "'");
            }
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        Options().Metadata = kept;
        return true;
    }

    // K/N with 1 <= K <= N.
    bool Shard() {
        const std::size_t slash = value_.find('/');
        int index = 0;
        int count = 0;
        if (slash == std::string::npos || !ParseInteger(value_.substr(0, slash), index) ||
            !ParseInteger(value_.substr(slash + 1), count)) {
            return Fail("option '--shard' needs K/N, two whole numbers, not '" + value_ + "'");
        }
        if (count < 1 || index < 1 || index > count) {
            return Fail("option '--shard' needs K/N with 1 <= K <= N, not '" + value_ + "'");
        }
        Options().ShardIndex = index;
        Options().ShardCount = count;
        return true;
    }

private:
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
            const OptionRow* row = FindOption(name);
            if (row == nullptr) return Fail("unknown option '" + name + "'");
            if (row->Scope == OptionScope::WatermarkOnly && !isWatermark) {
                return Fail("option '" + name + "' is for the watermark operation only");
            }
            if (!seen_.insert(name).second) return Fail("option '" + name + "' is given twice");
            std::string value;
            if (row->Value == nullptr) {
                if (inlineValue) return Fail("option '" + name + "' takes no value");
            } else if (inlineValue) {
                value = *inlineValue;
            } else {
                if (i + 1 >= args_.size() || args_[i + 1].rfind("--", 0) == 0) {
                    return Fail("option '" + name + "' needs a value");
                }
                value = args_[++i];
            }
            name_ = std::move(name);
            value_ = std::move(value);
            if (!row->Apply(*this)) return false;
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

    const std::vector<std::string>& args_;
    BatchCommandOptions* options_ = nullptr;
    std::string name_;
    std::string value_;
    std::set<std::string> seen_;
    std::string sizeOption_;
    std::string targetOption_;
    std::string error_;
};

const std::vector<OptionRow>& OptionTable() {
    using Scope = OptionScope;
    static const std::vector<OptionRow> rows = {
        {.Heading = "Resize:\n", .Name = "--width", .Value = "N",
         .Apply = [](Parser& p) { return p.Size(SizeOption::Width); }, .Help = kWithTheNext},
        {.Name = "--height", .Value = "N", .Apply = [](Parser& p) { return p.Size(SizeOption::Height); },
         .Help = "the new width or height; a picture not larger keeps its size"},
        {.Name = "--percent", .Value = "N", .Apply = [](Parser& p) { return p.Size(SizeOption::Percent); },
         .Help = "the scale in percent (above 100 enlarges)"},

        {.Heading = "Watermark:\n", .Name = "--logo", .Value = "FILE", .Scope = Scope::WatermarkOnly,
         .Apply = [](Parser& p) {
             if (p.Value().empty()) return p.Fail("option '--logo' needs a file");
             p.Options().LogoPath = p.Value();
             return true;
         },
         .Help = "the logo, a .jpg or .bmp file; its white margins are trimmed\n"
                 "and white does not show"},
        {.Name = "--width", .Value = "N", .Help = kWithTheNext},
        {.Name = "--height", .Value = "N", .Help = kWithTheNext},
        {.Name = "--percent", .Value = "N",
         .Help = "the stamp's size (default: the logo's own, --percent 100)"},
        {.Name = "--at", .Value = "PLACES", .Scope = Scope::WatermarkOnly,
         .Apply = [](Parser& p) { return p.Places(); },
         .Help = "comma-separated: " + PlaceList()},
        {.Name = "--margin", .Value = "N", .Scope = Scope::WatermarkOnly,
         .Apply = [](Parser& p) { return p.Number(kIntMin, kIntMax, p.Options().MarginPx); },
         .Help = "pixels between the stamp and the edges (default 10)"},
        {.Name = "--opacity", .Value = "N", .Scope = Scope::WatermarkOnly,
         .Apply = [](Parser& p) { return p.Number(0, 255, p.Options().Opacity); },
         .Help = "0 (invisible) to 255 (solid) (default 100)"},
        {.Name = "--noise", .Value = "N", .Scope = Scope::WatermarkOnly,
         .Apply = [](Parser& p) { return p.Number(0, 255, p.Options().NoiseLevel); },
         .Help = "logo pixels this close to white do not show, 0 to 255\n"
                 "(default 10)"},

        {.Heading = "TARGET, one of:\n", .Name = "--to-folder", .Value = "DIR",
         .Apply = [](Parser& p) { return p.Target(keyword::kFolder, &TargetTexts::Folder); },
         .Help = "into the existing folder DIR, under the source's name"},
        {.Name = "--subfolder", .Value = "NAME",
         .Apply = [](Parser& p) { return p.Target(keyword::kSubfolder, &TargetTexts::Subfolder); },
         .Help = "into the folder NAME beside each source, made when missing\n"
                 "(default: Resized for resize, Marked for watermark)"},
        {.Name = "--prefix", .Value = "TEXT",
         .Apply = [](Parser& p) { return p.Target(keyword::kPrefix, &TargetTexts::Prefix); },
         .Help = "beside the source, with TEXT before its name"},
        {.Name = "--suffix", .Value = "TEXT",
         .Apply = [](Parser& p) { return p.Target(keyword::kSuffix, &TargetTexts::Suffix); },
         .Help = "beside the source, with TEXT before its extension"},

        {.Heading = "Colour: a picture tagged with a colour profile other than sRGB (a grey one: its\n"
                    "  curve), one that Exif marks as Adobe RGB, and a CMYK picture, is converted to\n"
                    "  sRGB.\n",
         .Name = "--keep-profile",
         .Apply = [](Parser& p) {
             p.Options().KeepProfile = true;
             return true;
         },
         .Help = "keep a tagged picture's colours as they are and write its\n"
                 "profile into the result instead, the logo converted into it\n"
                 "(CMYK is still converted)"},

        {.Heading = "SOURCE: a folder (its *.jpg pictures in any letter case, sorted by name) or a picture\n"
                    "  file; several may be given, and files keep the order given.\n",
         .Name = "--files-from", .Value = "FILE",
         .Apply = [](Parser& p) {
             if (p.Value().empty()) return p.Fail("option '--files-from' needs a file, or - for standard input");
             p.Options().FilesFrom = p.Value();
             return true;
         },
         .Help = "more sources, one per line of FILE (- for standard input),\n"
                 "after those given as arguments; the list is read whole\n"
                 "before the first file, and empty lines are passed over"},
        {.Name = "--null",
         .Apply = [](Parser& p) {
             p.Options().IsNullSeparated = true;
             return true;
         },
         .Help = "the list's paths end with a NUL byte instead (find -print0),\n"
                 "so a name may hold any character, a line break too\n"
                 "(a line holding a NUL byte without it is a usage error)"},

        {.Heading = "RUN:\n", .Name = "--jobs", .Value = "N",
         .Apply = [](Parser& p) { return p.Number(1, 1024, p.Options().Jobs); },
         .Help = "files processed at once (default: the number of cores;\n"
                 "fewer while their pictures would not fit in memory)"},
        {.Name = "--shard", .Value = "K/N", .Apply = [](Parser& p) { return p.Shard(); },
         .Help = "only the K-th of N equal slices of the files, in their order\n"
                 "(1 <= K <= N), so N machines share one list; every run checks\n"
                 "every result against the whole list. A folder that gets\n"
                 "results of the batch is refused: give a list made before the\n"
                 "first run with --files-from instead"},
        {.Name = "--metadata", .Value = "WHAT", .Apply = [](Parser& p) { return p.Metadata(); },
         .Help = "what of a source's metadata its result keeps, comma-separated:\n"
                 "credit (the photographer's Artist and Copyright, from Exif,\n"
                 "else from XMP or IPTC) and date (when it was taken, Exif's\n"
                 "DateTimeOriginal with its offset and fraction of a second);\n"
                 "or none (default: credit,date); location, camera serials\n"
                 "and the rest never go along"},
        {.Name = "--keep-times",
         .Apply = [](Parser& p) {
             p.Options().KeepTimes = true;
             return true;
         },
         .Help = "give each result its source's modification time, as cp -p\n"
                 "does (default: the time it is written)"},
        {.Name = "--json",
         .Apply = [](Parser& p) {
             p.Options().Json = true;
             return true;
         },
         .Help = "report as JSON, one object per line (see below)"},
        {.Name = "--help", .Scope = Scope::Alone,
         .Apply = [](Parser& p) {
             p.Options().ShowHelp = true;
             return true;
         },
         .Help = "this text"},
        {.Name = "--version", .Scope = Scope::Alone,
         .Apply = [](Parser& p) {
             p.Options().ShowVersion = true;
             return true;
         },
         .Help = "the program's name and version"},
    };
    return rows;
}

// An option's description starts in this column; a longer name and value take a line of their own.
constexpr std::size_t kHelpColumn = 26;

}  // namespace

ParsedBatchCommand ParseBatchCommand(const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

std::string BatchCommandUsage() {
    std::string usage =
        "Usage:\n"
        "  stampwise-batch resize (--width N | --height N | --percent N) [TARGET]\n"
        "                  [--keep-profile] [RUN] [SOURCE...]\n"
        "  stampwise-batch watermark --logo FILE [--width N | --height N | --percent N]\n"
        "                  --at PLACES [--margin N] [--opacity N] [--noise N] [TARGET]\n"
        "                  [--keep-profile] [RUN] [SOURCE...]\n"
        "\n"
        "Resizes JPEG pictures by nearest-neighbour sampling, or stamps a logo on them, and\n"
        "writes every result as a new baseline JPEG file of quality 90.\n"
        "\n";
    std::string label;  // the names of the rows described together so far
    for (const OptionRow& row : OptionTable()) {
        if (row.Heading != nullptr) usage += row.Heading;
        if (!label.empty()) label += ", ";
        label += row.Name;
        if (row.Value != nullptr) label += std::string(" ") + row.Value;
        if (row.Help.empty()) continue;
        std::string line = "  " + label;
        label.clear();
        for (std::size_t start = 0; start < row.Help.size();) {
            const std::size_t end = std::min(row.Help.find('\n', start), row.Help.size());
            if (line.size() + 1 >= kHelpColumn) {
                usage += line + '\n';
                line.clear();
            }
            line.resize(kHelpColumn, ' ');
            line.append(row.Help, start, end - start);
            start = end + 1;
        }
        usage += line + '\n';
    }
    usage +=
        "\n"
        "Standard output has one line per file, fields separated by tabs: source, its size,\n"
        "result file, its size, \"Успешно\" or \"Ошибка!\" and for a failed file the reason;\n"
        "the last line is the final message. In every field a backslash, tab, line feed and\n"
        "carriage return are written as \\\\, \\t, \\n and \\r, any other control character as\n"
        "\\xHH. With --json each file's line is {\"source\", \"source_size\", \"output\",\n"
        "\"new_size\", \"ok\", \"error\"} (error null on success) and the last is {\"message\",\n"
        "\"total\", \"succeeded\", \"failed\", \"interrupted\"} (interrupted true when a signal\n"
        "ended the run early); bytes of a name that are not UTF-8 appear as \\udc80 to \\udcff.\n"
        "A folder without pictures, one that cannot be read, or a list without a path stops\n"
        "the run before any file, with a message on standard error. Exit status: 0 when every\n"
        "file succeeded, 1 when some failed, a folder or list gave no pictures or the report\n"
        "could not be written, 2 for a usage error (nothing is written then).\n";
    return usage;
}

}  // namespace stampwise
