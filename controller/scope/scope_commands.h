// SCOPE, TRIGGER and the servo-tick sampling of the controller's recorder.
#pragma once

namespace korvan::controller {

class CommandRegistry;
struct ControllerState;

/// Adds SCOPE and TRIGGER to the registry.
void registerScopeCommands(CommandRegistry& registry);
/// Takes the recorder's sample of this servo tick, if one is due.
void sampleScope(ControllerState& state);

} // namespace korvan::controller
