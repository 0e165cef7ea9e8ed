#pragma once
// Calls on the working document: the library gets the key as an 8-bit buffer and may
// rewrite it; the state keeps what comes back.

#include "core/ProfileState.h"

#include <algorithm>
#include <string>
#include <utility>

namespace kest {

template <typename Call>
Status WithDocKey(ProfileState& state, Call&& call) {
    std::string key = state.DocKey.str();
    const Status status = std::forward<Call>(call)(key);
    state.DocKey = key;
    return status;
}

// The same, with the status kept in LibStatus as the program keeps every library result.
template <typename Call>
Status StoredDocCall(ProfileState& state, Call&& call) {
    return state.store(WithDocKey(state, std::forward<Call>(call)));
}

// A run of calls on the working document with one key buffer, given back to the state at
// the end; each call's status is kept in LibStatus. For the reloads, which read every value
// of every point: each call sees the key as the call before it left it, as above.
template <typename Calls>
void DocKeyRun(ProfileState& state, Calls&& calls) {
    std::string key = state.DocKey.str();
    std::forward<Calls>(calls)(key);
    state.DocKey = key;
}

// What a library call wrote into a text buffer: its first `length` characters, `length` being
// the call's result (nothing when it is 0 or less).
inline std::string BufferPrefix(const std::string& buffer, Status length) {
    return buffer.substr(0, std::min(static_cast<std::size_t>(std::max(length, Status{0})), buffer.size()));
}

}  // namespace kest
