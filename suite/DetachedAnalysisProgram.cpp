#include "suite/DetachedAnalysisProgram.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>

namespace kest {
namespace {

// Why a program file cannot be started, in the operator's words; empty when it looks fine.
std::string FileProblem(const QString& program) {
    const QFileInfo file(program);
    if (!file.exists()) return "no such file";
    if (file.isDir()) return "it is a folder";
    if (!file.isExecutable()) return "the file is not executable";
    return {};
}

}  // namespace

DetachedAnalysisProgram::DetachedAnalysisProgram(std::string program) : program_(std::move(program)) {}

bool DetachedAnalysisProgram::start(std::string& error) {
    if (program_.empty()) {
        error = "The analysis program is not configured (instrument.analysis_program in the suite file).";
        return false;
    }
    const QString program = QString::fromStdString(program_);
    // A bare name is looked for on PATH by QProcess; a path is checked first for a clear reason.
    std::string problem = program.contains('/') ? FileProblem(program) : std::string();
    if (problem.empty()) {
        QProcess process;
        process.setProgram(program);
        const QFileInfo file(program);
        if (file.exists()) process.setWorkingDirectory(file.absolutePath());
        if (process.startDetached()) return true;
        problem = process.errorString().toStdString();
        if (problem.empty()) problem = "it could not be started";
    }
    error = "Cannot start the analysis program '" + program_ + "': " + problem;
    return false;
}

}  // namespace kest
