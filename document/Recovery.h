#pragma once
// Working files a crash left behind: at start-up the operator recovers one as the working
// document, deletes one, or leaves them for later.

#include "core/MainView.h"
#include "core/ProfileState.h"
#include "suite/Suite.h"

#include <string>

namespace kest {

// "line1.ana: 261 points, last change 2026-12-05 17:23:46 (/data/line1.ana; working file
// /home/.../work/1234-1.ana)"; a document never saved is "a new document".
std::string LeftoverLine(const LeftoverDocument& leftover);

// While leftovers wait, asks what to do with them: Delete removes one once confirmed and
// asks again, Recover makes one the working document (RecoverDocument) and removes its
// working file, Later leaves them all.
void OfferRecovery(ProfileState& state, Suite& suite, MainView& view);

}  // namespace kest
