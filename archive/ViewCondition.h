#pragma once

#include "archive/ArchiveLocation.h"

// The view condition kept in an archive: the current folder's key.
namespace quorvel::archive {

// Reads curDir and activMail from the open archive. An archive whose table
// holds no row, or that cannot be read, opens on its root with no mail shown.
void s_LoadCondition(const ArchiveLocation& at, ArchiveView& view);

// Rewrites the table with one row holding the current folder; false when a
// step failed (its error box was shown).
bool s_SaveCondition(const ArchiveLocation& at, const ArchiveView& view);

}  // namespace quorvel::archive
