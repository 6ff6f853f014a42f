// The install definition: the classes a definition or a dialog form may
// name, and loading the definition into the main form.
#pragma once

namespace brim {

// The composition root of the streamed classes: registers every class a
// definition or a dialog form may name with the class registry. No class
// registers itself; the programs and the tests call this. Safe to call
// more than once.
void RegisterInstallVocabulary();
inline void RegisterStreamClasses() { RegisterInstallVocabulary(); }

}  // namespace brim
