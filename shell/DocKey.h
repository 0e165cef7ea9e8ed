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

}  // namespace kest
