#pragma once
// What shotsweep-cli --help and shotsweep-cli COMMAND --help print. The manual page
// (man/shotsweep-cli.1.in) says the same in its own form; keep the two in step.

#include <string>

#include "cli/arguments.h"

namespace shotsweep {

// The overview for CliRequest::Help, a command's own page for any other kind.
std::string HelpText(CliRequest::Kind command);

}  // namespace shotsweep
