// Why a file failed, in words a person reads: the reason a report row (the windows' tooltip, the
// batch command's sixth field) and a message box give for a failure. The usual causes are said in
// Russian, by the kind of failure rather than by its English text (the system's error number,
// what was wrong with a JPEG file's data), and the technical text follows where it adds something:
// the path and the system's words, or the library's. Every other failure keeps its own message.
#pragma once

#include <exception>
#include <string>

namespace stampwise {

// The reason for a caught failure. For example a source that does not exist gives
// "Не удалось прочитать файл: нет такого файла или папки (Cannot open file "…". No such file or
// directory)", a libjpeg error "JPEG error #27: Unsupported color conversion request".
std::string FailureReason(const std::exception& error);

// The first line of the message that a file could not be opened, then the path on its own line:
// the file list's message, and the head of a broken logo's.
std::string OpenErrorText(const std::string& path);

}  // namespace stampwise
