#include "secop/ReadAhead.h"

#include <algorithm>

namespace kest::secop {

std::vector<std::string> ReadAhead::read(const std::string& specifier) {
    if (!run_.empty() && run_.back() == specifier) return {};  // a poll
    if (run_.size() >= kLongestRun) return {};
    run_.push_back(specifier);
    const auto remembered = runs_.find(command_);
    if (remembered == runs_.end()) return {};
    // The reads that every remembered run beginning as this one goes on with.
    std::vector<std::string> expected;
    bool first = true;
    for (const Run& run : remembered->second) {
        if (run.size() < run_.size() || !std::equal(run_.begin(), run_.end(), run.begin())) continue;
        const Run next(run.begin() + static_cast<std::ptrdiff_t>(run_.size()), run.end());
        if (first) expected = next;
        else expected.resize(static_cast<std::size_t>(std::mismatch(expected.begin(), expected.end(), next.begin(), next.end()).first - expected.begin()));
        first = false;
    }
    return expected;
}

void ReadAhead::commanded(const std::string& command) {
    if (!run_.empty()) {
        std::deque<Run>& kept = runs_[command_];
        std::erase(kept, run_);
        kept.push_front(std::move(run_));
        if (kept.size() > kRunsKept) kept.pop_back();
    }
    run_.clear();
    command_ = command;
}

}  // namespace kest::secop
