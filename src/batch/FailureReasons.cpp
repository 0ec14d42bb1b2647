// The reasons of failures: tables from the kind of a failure to its Russian words, and the one
// format that puts the technical text after them. A cause missing from the tables keeps the
// failure's own message, so a new kind of failure is never hidden, only left untranslated.
#include "batch/FailureReasons.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "batch/BatchTexts.h"
#include "imaging/ImageErrors.h"

namespace stampwise {

namespace {

struct SystemCause {
    int ErrorNumber;
    const char* Words;  // after "Не удалось прочитать файл: " and the like
};
constexpr SystemCause kSystemCauses[] = {
    {ENOENT, "нет такого файла или папки"},
    {EACCES, "нет прав доступа"},
    {EPERM, "нет прав доступа"},
    {EROFS, "файловая система только для чтения"},
    {ENOSPC, "нет места на диске"},
    {EDQUOT, "нет места на диске"},
    {ENAMETOOLONG, "слишком длинное имя файла"},
    {EISDIR, "это не обычный файл"},
    {ENXIO, "это не обычный файл"},  // a socket, or a device without its driver
    {ELOOP, "символические ссылки ведут по кругу"},
    {EIO, "ошибка ввода-вывода на диске"},
    // FAT and exFAT keep no ? : * \ " < > | in a name (ResultFiles words exfat-fuse's refusal so).
    {EINVAL, "на этом диске недопустимо такое имя"},
};

// Library errors whose code says it all, before what the data's fault says.
struct JpegCause {
    int Code;
    const char* Words;
};
constexpr JpegCause kJpegCauses[] = {
    {JERR_NO_SOI, "Файл — не картинка JPEG"},
    {JERR_INPUT_EMPTY, "Файл пуст"},
};

struct FaultCause {
    JpegDataFault Fault;
    const char* Words;
};
constexpr FaultCause kFaultCauses[] = {
    {JpegDataFault::EndsEarly, "Данные картинки обрываются"},
    {JpegDataFault::Damaged, "Данные картинки повреждены"},
};

const char* SystemWords(int errorNumber) {
    for (const SystemCause& c : kSystemCauses) {
        if (c.ErrorNumber == errorNumber) return c.Words;
    }
    return nullptr;
}

std::string WithTechnicalText(const std::string& words, const std::string& technical) {
    return technical.empty() ? words : words + " (" + technical + ")";
}

std::string JpegReason(const EJPEG& error) {
    // A refusal's message is already the library's words; an error adds them after its number.
    const std::string technical = error.IsRefusal() || error.LibraryText().empty()
                                      ? std::string(error.what())
                                      : std::string(error.what()) + ": " + error.LibraryText();
    if (!error.IsRefusal()) {
        for (const JpegCause& c : kJpegCauses) {
            if (c.Code == error.Code()) return WithTechnicalText(c.Words, technical);
        }
    }
    for (const FaultCause& c : kFaultCauses) {
        if (c.Fault == error.Fault()) return WithTechnicalText(c.Words, technical);
    }
    return technical;
}

}  // namespace

std::string FailureReason(const std::exception& error) {
    if (const auto* jpeg = dynamic_cast<const EJPEG*>(&error)) return JpegReason(*jpeg);

    // A picture too large to make, or storage that could not be had.
    if (dynamic_cast<const EOutOfResources*>(&error) != nullptr) {
        return WithTechnicalText(kNoMemoryText, error.what());
    }

    const char* head = "Ошибка файловой системы: ";
    int errorNumber = 0;
    if (const auto* image = dynamic_cast<const EImageError*>(&error)) {
        errorNumber = image->ErrorNumber();
        if (dynamic_cast<const EFOpenError*>(&error) != nullptr ||
            dynamic_cast<const EReadError*>(&error) != nullptr) {
            head = "Не удалось прочитать файл: ";
        }
        if (dynamic_cast<const EFCreateError*>(&error) != nullptr) head = "Не удалось записать файл: ";
    } else if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        if (system->code().category() == std::generic_category() ||
            system->code().category() == std::system_category()) {
            errorNumber = system->code().value();
        }
    }
    const char* words = errorNumber != 0 ? SystemWords(errorNumber) : nullptr;
    if (dynamic_cast<const ENotRegularFile*>(&error) != nullptr) words = SystemWords(EISDIR);
    if (words == nullptr) return error.what();
    return WithTechnicalText(std::string(head) + words, error.what());
}

std::string OpenErrorText(const std::string& path) {
    return std::string("Ошибка при открытии файла ") + "\n\r" + path;
}

}  // namespace stampwise
