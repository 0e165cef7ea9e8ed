#include "batch/BatchFile.h"

#include "suite/DocumentFile.h"
#include "suite/FileText.h"
#include "suite/JsonFields.h"

#include <locale>
#include <sstream>

namespace kest {
namespace {

using nlohmann::json;

constexpr double kLongestCount = 32767.0;  // seconds, as the counting time's field takes

std::filesystem::path PathField(const FieldReader& r, const json& line, const char* key, const std::string& at) {
    const json* value = Find(line, key);
    if (!value) r.refuse(Member(at, key), "missing: every line names its " + std::string(key == std::string("save") ? "document" : "zones file"));
    if (!value->is_string() || value->get_ref<const std::string&>().empty()) r.refuse(Member(at, key), "expected a file name");
    return std::filesystem::path(value->get<std::string>());
}

BatchLine ReadLine(const FieldReader& r, const json& item, const std::string& at) {
    r.object(item, at, {"save", "zones", "start", "time"});
    BatchLine line;
    line.save = PathField(r, item, "save", at);
    line.zones = PathField(r, item, "zones", at);
    const json* start = Find(item, "start");
    const std::string startAt = Member(at, "start");
    if (!start) r.refuse(startAt, "missing: every line starts at a stage position [x, y, z]");
    if (!start->is_array() || start->size() != 3) r.refuse(startAt, "expected [x, y, z]");
    for (std::size_t i = 0; i < 3; ++i)
        line.start[i] = static_cast<int32_t>(
            r.integer((*start)[i], Item(startAt, i), std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    if (const json* time = Find(item, "time")) line.time = r.number(*time, Member(at, "time"), Positive(kLongestCount));
    return line;
}

}  // namespace

std::filesystem::path BatchFile::documentOf(const BatchLine& line) const {
    return folder / std::filesystem::path(AsDocumentPath(line.save.string()));
}

std::filesystem::path BatchFile::zonesOf(const BatchLine& line) const { return folder / line.zones; }

BatchFile ParseBatchText(const std::string& text, const std::filesystem::path& folder, const std::string& origin) {
    try {
        const json root = ParseJson(text, origin);
        const FieldReader r(origin);
        if (!root.is_object()) r.refuse("", "expected a JSON object with the field lines");
        r.object(root, "", {"lines"});
        const json* lines = Find(root, "lines");
        if (!lines || !lines->is_array() || lines->empty()) r.refuse("lines", "expected an array of one line or more");
        BatchFile batch{folder, {}};
        for (std::size_t i = 0; i < lines->size(); ++i) batch.lines.push_back(ReadLine(r, (*lines)[i], Item("lines", i)));
        return batch;
    } catch (const FieldError& error) {
        throw BatchFileError(error.what());
    }
}

BatchFile ReadBatchFile(const std::filesystem::path& file) {
    std::string error;
    const auto text = ReadFileText(file, error);
    if (!text) throw BatchFileError(file.string() + ": cannot read the batch file: " + error);
    std::error_code ec;
    return ParseBatchText(*text, std::filesystem::absolute(file, ec).parent_path(), file.string());
}

std::string BatchFileText(const BatchFile& batch) {
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    for (const BatchLine& line : batch.lines) {
        nlohmann::ordered_json item = {{"save", line.save.string()}, {"zones", line.zones.string()}, {"start", line.start}};
        if (line.time) item["time"] = *line.time;
        lines.push_back(item);
    }
    return nlohmann::ordered_json{{"lines", lines}}.dump(2) + "\n";
}

std::string SecondsText(double seconds) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << seconds;
    return out.str();
}

}  // namespace kest
