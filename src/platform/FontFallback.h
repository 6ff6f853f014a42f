// Which face shows a character set when the one a form asks for cannot,
// as Windows font linking does: a page written for a face the machine
// lacks ("MS PGothic" on a machine without Japanese fonts, "Arial" under
// Wine) is shown in an installed face that has the page's character set,
// the usual user-interface faces for that script first, so no page shows
// boxes. The window backend asks the system which faces it has.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brim {

// The face to use for requested (UTF-8) in charset, given the installed
// faces that have that character set (UTF-8, as the system lists them):
// requested itself when it is installed, else the first installed face of
// the usual ones for the script, else the first installed face that is not
// a vertical one ("@..."), else requested, left to the system's own mapper.
std::string ChooseFontFace(const std::string& requested, int32_t charset,
                           const std::vector<std::string>& installed);

}  // namespace brim
