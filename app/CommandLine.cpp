#include "app/CommandLine.h"

#include "suite/DocumentFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

namespace kest {

const char* const kUsage =
    "usage: kestplus-profile [--suite FILE]                 the main window\n"
    "       kestplus-profile scan --zones FILE.PRF --save DOC.ana [--suite FILE] [--time SECONDS]\n"
    "                             [--csv FILE] [--chart FILE.pdf|FILE.png] [--quiet] [--force]\n"
    "       kestplus-profile list DOC.ana [--element SYMBOL] [--stats]\n"
    "       kestplus-profile export DOC.ana [--csv FILE] [--chart FILE.pdf|FILE.png]\n"
    "       kestplus-profile recompute DOC.ana [--suite FILE]\n"
    "       kestplus-profile recover [WORKFILE --save DOC.ana [--force]]   working files a crash left behind\n"
    "       kestplus-profile batch FILE [--suite FILE] [--quiet] [--resume] [--force]   the lines of a batch file\n"
    "       kestplus-profile instrument [--suite FILE] [--listen 127.0.0.1:10767]  the simulated\n"
    "                             instrument as a SECoP node, until stopped (port 0: a free port)\n"
    "An existing document is replaced only with --force.\n"
    "The instrument is described by --suite FILE, else by $KESTPLUS_HOME/suite.json when it\n"
    "exists, else it is the built-in simulated instrument. Exit status: 0 done, 1 failed,\n"
    "2 not understood.\n";

namespace {

struct Options {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positionals;

    std::optional<std::string> value(const std::string& name) const {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<Path> path(const std::string& name) const {
        const auto text = value(name);
        return text ? std::optional<Path>(*text) : std::nullopt;
    }
};

// Options that take a value, flags and positional arguments of one command.
bool Split(const std::vector<std::string>& arguments, std::size_t from, const std::set<std::string>& valued,
           const std::set<std::string>& flags, Options& options, std::string& error) {
    for (std::size_t i = from; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (valued.count(argument)) {
            if (i + 1 >= arguments.size()) return error = argument + " needs a value", false;
            if (!options.values.emplace(argument, arguments[++i]).second) return error = argument + " is given twice", false;
        } else if (flags.count(argument)) {
            options.flags.insert(argument);
        } else if (argument.size() > 1 && argument[0] == '-') {
            return error = "unexpected option '" + argument + "'", false;
        } else {
            options.positionals.push_back(argument);
        }
    }
    return true;
}

bool OnePositional(const Options& options, const char* what, std::string& error) {
    if (options.positionals.size() == 1) return true;
    error = options.positionals.empty() ? std::string("the ") + what + " is missing"
                                        : "unexpected argument '" + options.positionals[1] + "'";
    return false;
}

std::string LowerExtension(const Path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension;
}

// The printable chart's file, when the option is given; `error` is set when its name does
// not say PDF or PNG.
std::optional<Path> ChartOption(const Options& options, std::string& error) {
    auto chart = options.path("--chart");
    if (chart && LowerExtension(*chart) != ".pdf" && LowerExtension(*chart) != ".png")
        error = "--chart takes a file name ending in .pdf or .png";
    return chart;
}

bool PositiveSeconds(const std::string& text) {
    double seconds = 0.0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return fault == std::errc() && end == text.data() + text.size() && std::isfinite(seconds) && seconds > 0.0 &&
           seconds <= 32767.0;
}

std::optional<Command> ParseScan(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    if (!Split(arguments, 1, {"--zones", "--save", "--suite", "--time", "--csv", "--chart"}, {"--quiet", "--force"}, options,
               error))
        return std::nullopt;
    if (!options.positionals.empty()) return error = "unexpected argument '" + options.positionals[0] + "'", std::nullopt;
    ScanCommand scan;
    if (!options.value("--zones")) return error = "scan needs --zones FILE.PRF", std::nullopt;
    if (!options.value("--save")) return error = "scan needs --save DOC.ana", std::nullopt;
    scan.zones = *options.path("--zones");
    scan.save = AsDocumentPath(*options.value("--save"));
    scan.suiteFile = options.path("--suite");
    scan.time = options.value("--time");
    if (scan.time && !PositiveSeconds(*scan.time))
        return error = "--time takes a counting time in seconds, above 0 and at most 32767", std::nullopt;
    scan.csv = options.path("--csv");
    scan.chart = ChartOption(options, error);
    if (!error.empty()) return std::nullopt;
    scan.quiet = options.flags.count("--quiet") > 0;
    scan.force = options.flags.count("--force") > 0;
    return scan;
}

std::optional<Command> ParseDocumentCommand(const std::vector<std::string>& arguments, std::string& error) {
    const std::string& name = arguments[0];
    Options options;
    const std::set<std::string> valued = name == "list"     ? std::set<std::string>{"--element"}
                                         : name == "export" ? std::set<std::string>{"--csv", "--chart"}
                                                            : std::set<std::string>{"--suite"};
    const std::set<std::string> flags = name == "list" ? std::set<std::string>{"--stats"} : std::set<std::string>{};
    if (!Split(arguments, 1, valued, flags, options, error) || !OnePositional(options, "document", error)) return std::nullopt;
    const Path document = options.positionals[0];
    if (name == "list") return ListCommand{document, options.value("--element"), options.flags.count("--stats") > 0};
    if (name == "export") {
        ExportCommand command{document, options.path("--csv"), ChartOption(options, error)};
        return error.empty() ? std::optional<Command>(command) : std::nullopt;
    }
    return RecomputeCommand{document, options.path("--suite")};
}

// recover lists; recover WORKFILE --save DOC.ana saves one.
std::optional<Command> ParseRecover(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    if (!Split(arguments, 1, {"--save"}, {"--force"}, options, error)) return std::nullopt;
    if (options.positionals.size() > 1) return error = "unexpected argument '" + options.positionals[1] + "'", std::nullopt;
    RecoverCommand recover;
    if (!options.positionals.empty()) recover.workingFile = options.positionals[0];
    if (const auto save = options.value("--save")) recover.save = AsDocumentPath(*save);
    if (recover.workingFile.has_value() != recover.save.has_value())
        return error = "recover takes a working file and --save DOC.ana together, or neither", std::nullopt;
    recover.force = options.flags.count("--force") > 0;
    return recover;
}

std::optional<Command> ParseBatch(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    if (!Split(arguments, 1, {"--suite"}, {"--quiet", "--resume", "--force"}, options, error) ||
        !OnePositional(options, "batch file", error))
        return std::nullopt;
    return BatchCommand{options.positionals[0], options.path("--suite"), options.flags.count("--quiet") > 0,
                        options.flags.count("--resume") > 0, options.flags.count("--force") > 0};
}

std::optional<Command> ParseInstrument(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    if (!Split(arguments, 1, {"--suite", "--listen"}, {}, options, error)) return std::nullopt;
    if (!options.positionals.empty()) return error = "unexpected argument '" + options.positionals[0] + "'", std::nullopt;
    InstrumentCommand instrument{options.path("--suite")};
    if (const auto listen = options.value("--listen")) instrument.listen = *listen;
    return instrument;
}

}  // namespace

std::optional<Command> ParseCommandLine(const std::vector<std::string>& arguments, std::string& error) {
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) return HelpCommand{};
    if (!arguments.empty() && arguments[0] == "scan") return ParseScan(arguments, error);
    if (!arguments.empty() && arguments[0] == "recover") return ParseRecover(arguments, error);
    if (!arguments.empty() && arguments[0] == "batch") return ParseBatch(arguments, error);
    if (!arguments.empty() && arguments[0] == "instrument") return ParseInstrument(arguments, error);
    if (!arguments.empty() && (arguments[0] == "list" || arguments[0] == "export" || arguments[0] == "recompute"))
        return ParseDocumentCommand(arguments, error);
    Options options;
    if (!Split(arguments, 0, {"--suite"}, {}, options, error)) return std::nullopt;
    if (!options.positionals.empty()) return error = "unexpected argument '" + options.positionals[0] + "'", std::nullopt;
    return WindowCommand{options.path("--suite")};
}

}  // namespace kest
