#pragma once
// The command-line tool `lectern`: the project's batch interface. The
// commands run in-process so that tests call them without spawning.

#include "interchange/LTFormats.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lectern {

class TCustomLTData;
class TLTStyle;

/// Exit statuses: scripts depend on them.
enum TLecternExit : int { lteOk = 0, lteBadInput = 1, lteUsage = 2 };

/// Runs the tool with the arguments after the program name; output and
/// messages go to out and err.
int LecternMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// Writes the one-line-per-item dump of a document.
void DumpDocument(const TCustomLTData& data, std::ostream& out, int depth = 0);
/// After the items, for sheets with style templates: one line per
/// template, then one per style made from one, naming it.
void DumpStyleTemplates(TLTStyle& style, std::ostream& out);

}  // namespace lectern
