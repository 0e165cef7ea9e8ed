#include "batch/BatchState.h"

#include "core/WholeFile.h"
#include "suite/FileText.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <array>

namespace kest {
namespace {

constexpr std::array<const char*, 4> kStatusWords{"waiting", "done", "failed", "stopped"};

}  // namespace

std::string FileFingerprint(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    return std::to_string(info.st_size) + " " +
           std::to_string(static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec);
}

std::string StatusWord(LineStatus status) { return kStatusWords[static_cast<std::size_t>(status)]; }

std::filesystem::path StateFileOf(const std::filesystem::path& batchFile) {
    return std::filesystem::path(batchFile.string() + ".state");
}

std::optional<BatchState> ReadBatchState(const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return BatchState{};
    const auto text = ReadFileText(file, error);
    if (!text) {
        error = "the batch's progress " + file.string() + " cannot be read: " + error;
        return std::nullopt;
    }
    try {
        BatchState state;
        const auto root = nlohmann::json::parse(*text);
        for (const auto& item : root.at("lines")) {
            LineRecord line;
            const std::string word = item.at("status").get<std::string>();
            for (std::size_t s = 0; s < kStatusWords.size(); ++s)
                if (word == kStatusWords[s]) line.status = static_cast<LineStatus>(s);
            line.document = item.at("document").get<std::string>();
            line.points = item.at("points").get<int>();
            line.seconds = item.at("seconds").get<double>();
            line.saved = item.value("saved", std::string());
            state.lines.push_back(line);
        }
        return state;
    } catch (const nlohmann::json::exception& e) {
        error = "the batch's progress " + file.string() + " cannot be read: " + e.what();
        return std::nullopt;
    }
}

bool WriteBatchState(const std::filesystem::path& file, const BatchState& state, std::string& error) {
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    for (const LineRecord& line : state.lines)
        lines.push_back({{"status", StatusWord(line.status)}, {"document", line.document}, {"points", line.points},
                         {"seconds", line.seconds}, {"saved", line.saved}});
    return WriteWholeFile(file.string(), nlohmann::ordered_json{{"lines", lines}}.dump(2) + "\n", error);
}

}  // namespace kest
