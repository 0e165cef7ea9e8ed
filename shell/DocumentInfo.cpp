#include "shell/DocumentInfo.h"

#include "core/DocKey.h"
#include "graph/ProfileGraph.h"
#include "shell/Startup.h"

namespace kest {
namespace {

constexpr int32_t kInfoBufferLength = 512;

using FieldRead = Status (AnalysisDatabase::*)(std::string&, std::string&, int32_t);

std::string ReadField(AnalysisDatabase& db, std::string& key, FieldRead read) {
    std::string buffer(kInfoBufferLength, ' ');
    return BufferPrefix(buffer, (db.*read)(key, buffer, kInfoBufferLength));
}

}  // namespace

DocumentInfo ReadDocumentInfo(AnalysisDatabase& db, std::string& key) {
    DocumentInfo info;
    info.userName = ReadField(db, key, &AnalysisDatabase::KestDbGetUserName);
    info.company = ReadField(db, key, &AnalysisDatabase::KestDbGetCompany);
    info.title = ReadField(db, key, &AnalysisDatabase::KestDbGetTitle);
    info.comments = ReadField(db, key, &AnalysisDatabase::KestDbGetComments);
    return info;
}

std::string ReadLastSaveTime(AnalysisDatabase& db, std::string& key) {
    return ReadField(db, key, &AnalysisDatabase::KestDbLastModTime);
}

void WriteDocumentInfo(AnalysisDatabase& db, std::string& key, const DocumentInfo& info) {
    db.KestDbSetUserName(key, info.userName);
    db.KestDbSetCompany(key, info.company);
    db.KestDbSetTitle(key, info.title);
    db.KestDbSetComments(key, info.comments);
}

void InfoCommand(ProfileState& state, AnalysisDatabase& db, MainView& view) {
    state.DialogArg1 = state.DocKey.str();
    state.DialogArg2 = view.currentCaption();
    view.showDocumentInfo();
    DrawProfileGraph(state, db, view.graph());
}

void AboutCommand(ProfileState& state, MainView& view) {
    state.DialogArg1 = kProgramTitle;
    view.showAbout();
}

void StartAnalysisProgram(AnalysisProgram& program, MainView& view) {
    if (std::string error; !program.start(error)) view.showMessage(error);
}

}  // namespace kest
