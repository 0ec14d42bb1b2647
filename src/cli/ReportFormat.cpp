// Report lines are parsed by scripts: whatever a file name holds, a row stays one line of the same
// fields, and JSON stays valid (names are bytes, not always UTF-8).
#include "cli/ReportFormat.h"

#include <cstddef>

namespace stampwise {

std::string EscapeReportField(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\t': escaped += "\\t"; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            default: {
                // Every other control byte (ESC, BEL, DEL...) as \xHH: a name must not drive the
                // terminal that shows the report.
                const unsigned char byte = static_cast<unsigned char>(c);
                if (byte < 0x20 || byte == 0x7F) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    escaped += "\\x";
                    escaped += kHex[byte >> 4];
                    escaped += kHex[byte & 0xF];
                } else {
                    escaped += c;
                }
            }
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

}  // namespace stampwise
