// Registration scripts: a small text form of the keys and values a library writes into the
// registry, run in register or unregister mode.
//
//   HKCR
//   {
//       NoRemove CLSID                   <- a root that unregistering never removes
//       {
//           ForceRemove '%CLSID%' = s 'My Class'   <- removed (with its tree) before writing
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// A key is a word or a quoted string; '=' s '...' gives its default value, 'val' NAME = s
// '...' a named value (d 'n' for a 32-bit number). Inside quotes a quote is written twice.
// %NAME% is replaced before parsing, with every single quote of the value doubled, so that
// a module path holding a quote stays one string.
//
// Register mode writes every key and value. Unregister mode deletes what the script wrote:
// ForceRemove keys with their whole tree, plain keys once nothing else is left in them,
// NoRemove keys never.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/wintypes.h"

namespace kez::frame {

using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

// Expands %NAME% placeholders (%% gives a single %), doubling single quotes in the values.
std::u16string ExpandScript(std::u16string_view script, const Replacements& replacements);

// Parses and runs an expanded script. Returns S_OK, a registry failure as an HRESULT
// (facility Win32), or E_INVALIDARG for a script that does not parse. Registration stops
// at the first failure.
HRESULT RunScript(std::u16string_view script, bool registerMode);

}  // namespace kez::frame
