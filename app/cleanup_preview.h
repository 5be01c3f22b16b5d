#pragma once
// A cleanup shown before it is done: its dry run in the preview dialog, then, on the user's
// word, exactly that cleanup: the same JPG names, the same photo list.

#include <QString>

#include "dryrun/prediction.h"

class QWidget;

namespace shotsweep {

// Runs `command` as a dry run over `ctx`, shows what it would do, and carries it out if the
// user says so. Nothing is shown when the command ends before it would touch anything without
// a word (the photo-list dialog cancelled).
void PreviewThenCarryOut(Command command, CommandContext& ctx, QWidget* parent, const QString& title);

}  // namespace shotsweep
