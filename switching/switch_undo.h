// The way back from the last switch. Before a switch changes anything it
// keeps the live values it is about to change under store::kUndoKey, in the
// shape of a profile slot: the ticked interfaces' TCP/IP keys as mirrors,
// and as ticked, the default printer, the proxy values and the membership,
// with the steps to tick again as InitCheck. Applying that key as a switch
// changes exactly those things back.
#pragma once

#include <string>
#include <vector>

#include "store/context.h"
#include "store/profile_store.h"

namespace switching {

// Where an undo being applied is read from while the undo key is given the
// state it replaces. Beside Setting too, and gone once the undo has run.
inline constexpr const char* kUndoSourceKey = "Software\\Q\\Tolvik\\UndoSource";

// What a switch is about to change.
struct UndoPlan {
  std::string title;  // the profile the switch applies (ANSI)
  // Set when the switch is itself an undo: the state kept then brings the
  // profile `title` back rather than what was there before it.
  bool redo = false;
  win::DWORD steps = 0;                     // the ticked steps (kStep… bits)
  std::vector<std::string> interfaceNames;  // the ticked interfaces' connection names (ANSI)
};
// False when the switch would change nothing: no step besides the network
// and no ticked interface.
bool PlanChangesAnything(const UndoPlan& plan);

// Replaces the undo state by the live values `plan` is about to change.
// The state is complete or absent: its completion mark is written last and
// taken away first, so a write cut short leaves nothing to undo rather
// than half a state. False, with no undo state left, when it could not be
// written.
bool KeepUndoState(const store::Context& ctx, const UndoPlan& plan);

// True when a complete undo state is stored.
bool UndoAvailable(const store::Context& ctx);

// The stored undo state as the confirmation shows it. Only meaningful
// while UndoAvailable().
struct UndoSummary {
  std::string title;  // the profile of the switch it undoes (ANSI)
  bool redo = false;  // it brings that profile back (it undoes an undo)
};
UndoSummary ReadUndoSummary(const store::Context& ctx);

// Copies the undo state to kUndoSourceKey, to be applied from there. False
// when the copy is not complete.
bool CopyUndoSource(const store::Context& ctx);
// Removes kUndoSourceKey.
void RemoveUndoSource(const store::Context& ctx);

// The confirmation's heading and caption for the undo state (ANSI).
std::string UndoHeading(const std::string& ansiTitle, bool redo);
std::string UndoCaption();
// The message when there is nothing to undo (ANSI).
std::string NothingToUndoMessage();

}  // namespace switching
