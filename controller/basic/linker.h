// Fills in the jump targets of a parsed program: IF chains, loops, labels,
// GOTO / GOSUB and SUB calls. Block statements without their partner,
// unknown or repeated labels and SUBs are errors with the line of the
// statement at fault, reported like syntax errors.
#pragma once

#include "controller/basic/ast.h"
#include "controller/basic/diagnostics.h"

namespace korvan::controller::basic {

/// Links program in place; false after an error (every error went to sink).
bool linkProgram(Program& program, const DiagnosticSink& sink);

} // namespace korvan::controller::basic
