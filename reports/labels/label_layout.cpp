#include "reports/labels/label_layout.h"

#include <cerrno>
#include <system_error>

#include "shell/text.h"

namespace {

std::string_view AsChars(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string SizeProblem(std::size_t actual, int expected) {
    return "it holds " + std::to_string(actual) + " bytes instead of " + std::to_string(expected) +
           ".";
}

// One record whose only field is the s255 path.
class LastLabelRec : public fields::Record<LastLabelRec, LastLabelRecordSize> {};
inline constexpr fields::Text<LastLabelRec> LastLabelPath{0, MaxStoredPathLength};

}  // namespace

std::string StoredPath(const std::filesystem::path& path) {
    return path.string();
}

std::filesystem::path PathFromStored(std::string_view stored) {
    return std::filesystem::path(std::string(stored));
}

SmallFileRead<LabelLayoutRec> ReadLabelLayoutFile(const std::filesystem::path& path) {
    SmallFileRead<LabelLayoutRec> read;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        read.missing = true;
        read.problem = "the file does not exist.";
        return read;
    }
    const auto content = ReadWholeFile(path);
    if (!content) {
        read.problem = "the file cannot be read.";
    } else if (content->size() != static_cast<std::size_t>(LabelLayoutRec::Size)) {
        read.problem = SizeProblem(content->size(), LabelLayoutRec::Size);
    } else {
        LabelLayoutRec layout;
        std::copy(content->begin(), content->end(), layout.bytes().begin());
        read.value = layout;
    }
    return read;
}

bool WriteLabelLayoutFile(const std::filesystem::path& path, const LabelLayoutRec& layout) {
    return ReplaceFile(path, AsChars(layout.bytes()));
}

SmallFileRead<std::filesystem::path> ReadLastLabelPath(const DataFolder& folder) {
    SmallFileRead<std::filesystem::path> read;
    const std::filesystem::path file = folder.file(LastLabelFileName);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        read.missing = true;
        return read;
    }
    const auto content = ReadWholeFile(file);
    if (!content) {
        read.problem = "the file cannot be read.";
    } else if (content->size() != static_cast<std::size_t>(LastLabelRecordSize)) {
        read.problem = SizeProblem(content->size(), LastLabelRecordSize);
    } else {
        LastLabelRec rec;
        std::copy(content->begin(), content->end(), rec.bytes().begin());
        read.value = PathFromStored(TrimBlanks(rec.get(LastLabelPath)));
    }
    return read;
}

bool WriteLastLabelPath(const DataFolder& folder, const std::filesystem::path& layoutFile) {
    const std::string stored = StoredPath(layoutFile);
    // A cut path would name another file.
    if (stored.size() > static_cast<std::size_t>(MaxStoredPathLength)) {
        errno = ENAMETOOLONG;
        return false;
    }
    LastLabelRec rec;
    rec.set(LastLabelPath, stored);
    return ReplaceFile(folder.file(LastLabelFileName), AsChars(rec.bytes()));
}

bool RemoveLastLabelPath(const DataFolder& folder) {
    std::error_code ec;
    std::filesystem::remove(folder.file(LastLabelFileName), ec);
    return !ec;
}

bool WriteLabelCopy(const DataFolder& folder, const LabelLayoutRec& layout) {
    return ReplaceFile(folder.file(LabelCopyFileName), AsChars(layout.bytes()));
}
