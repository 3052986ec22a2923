#pragma once

#include "app/ProgramValues.h"

// The view condition kept in an archive: the current folder's key.
namespace quorvel::archive {

// Reads curDir and activMail from the open archive. A failed read keeps the
// values they had; an archive whose table holds no row keeps them too.
void s_LoadCondition(ProgramValues& pv);

// Rewrites the table with one row holding the current folder; false when a
// step failed (its error box was shown).
bool s_SaveCondition(const ProgramValues& pv);

}  // namespace quorvel::archive
