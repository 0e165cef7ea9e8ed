#pragma once
// What a client may read ahead. A scan repeats itself: after each command (a change or a do)
// the program makes one of the runs of reads it made after that command before: the
// statuses and the spectrometers' set-up after the stage goes to a point, the statuses and
// the stage's position after it comes back, the counts and the current after a count. Reads
// are free of side effects, so the client may send the reads expected next together with
// the one asked for, and a node that serves requests in order answers them in one exchange
// instead of one each.
//
// The reads expected are those that every remembered run matching the reads so far goes on
// with, as far as they agree. A read repeated at once is a poll (a status read until it is
// idle): it is neither sent ahead nor recorded, so that a poll does not multiply the
// requests. Plain C++, so that it can be tested without sockets.

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kest::secop {

class ReadAhead {
public:
    // The longest run of reads kept after one command, and the runs kept for each command.
    static constexpr std::size_t kLongestRun = 64;
    static constexpr std::size_t kRunsKept = 4;

    // Records a read of `specifier`; the reads expected after it, in order.
    std::vector<std::string> read(const std::string& specifier);
    // A change or do (its action and specifier) ends the run of reads after the last one.
    void commanded(const std::string& command);

private:
    using Run = std::vector<std::string>;
    std::string command_;                   // the last command
    Run run_;                               // the reads since it
    std::map<std::string, std::deque<Run>> runs_;  // command -> the last different runs after it
};

}  // namespace kest::secop
