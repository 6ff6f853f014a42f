// The text form of a component stream, the readable twin of the binary
// form:
//
//   object Install1: TInstall
//     DestDir = '\Demo'
//     InstallTypes = [itFull, itDefault]
//     PresetupFiles.Strings = (
//       'readme.txt')
//     Entries = <
//       item
//         Ident = 'Path'
//       end>
//     Data = {0754426974}
//   end
//
// Strings are quoted with '' for a quote and #nnn for a character code,
// pieces may be joined with +; floats carry a suffix s (single),
// c (currency) or d (date), plain for extended. Converting text to binary
// and back gives the same text for everything the writer produces, and the
// other way round.
#pragma once

#include <string>

#include "objects/FormValue.h"

namespace brim {

TObjectRecord ParseTextForm(const std::string& text);
std::string PrintTextForm(const TObjectRecord& root);

}  // namespace brim
