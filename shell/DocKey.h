#pragma once
// Calls on the working document: the library gets the key as an 8-bit buffer and may
// rewrite it; the state keeps what comes back.

#include "shell/ProfileState.h"

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

}  // namespace kest
