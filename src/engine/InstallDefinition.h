// The install definition: the classes a definition or a dialog form may
// name, and loading the definition into the main form.
#pragma once

namespace brim {

// Registers every streamed class of the system with the class registry.
// Safe to call more than once.
void RegisterStreamClasses();

}  // namespace brim
