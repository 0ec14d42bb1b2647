// The report of the batch command on standard output: a line per file, tab-separated or as JSON,
// and the JSON form of the last line. Every text of a row is the runner's; only the framing is
// written here.
#pragma once

#include <string>

#include "batch/BatchRunner.h"

namespace stampwise {

// One line of standard output, without the line end: source, source size, output, new size,
// result, and for a failed file the error's text, separated by tabs. Every field goes through
// EscapeReportField, so a name with a tab or a line break still gives one line of the same fields.
std::string FormatReportLine(const ReportRow& row);

// Backslash, tab, line feed and carriage return as \\, \t, \n and \r, every other control byte
// (below 0x20, and DEL) as \xHH in lower-case hex; everything else as it is.
std::string EscapeReportField(const std::string& text);

// The --json forms of a row and of the end: one object on one line each, without the line end.
// Strings are UTF-8; a byte of a name that is not UTF-8 is written as \udc80 to \udcff, so
// that the name can still be recovered from the line.
std::string FormatJsonRow(const ReportRow& row);
// done is the number of files with a row (fewer than total when interrupted).
std::string FormatJsonEnd(const std::string& finalMessage, int total, int done, int failed,
                          bool interrupted);

}  // namespace stampwise
