#pragma once
// Where the Terrabook program finds its template and its country table,
// both when it runs from the folder it was built in and when it is
// installed: the table then comes from the program's data folder, which
// nobody may write, and the template the user edits lives in the user's own
// data folder, started as a copy of the installed sample.

#include "app/Terrabook.h"

#include <string>

namespace lectern {

/// The program's data folder as seen from the folder of the program
/// ("../share/terrabook" for the usual install layout); set by the build
/// from the install folders it was configured with.
extern const char* const LTTerrabookDataFromProgram;

/// The name of the user's template when the user's folder is the data
/// folder itself (an install into ~/.local), beside the sample it started as.
extern const char* const LTTerrabookOwnTemplate;

/// The folder the installed program reads its table and sample template
/// from: programDir followed by LTTerrabookDataFromProgram, ending in "/".
std::string TerrabookDataDir(const std::string& programDir);

/// The user's own folder for Terrabook, ending in "/": $XDG_DATA_HOME/terrabook
/// when XDG_DATA_HOME is an absolute path, else ~/.local/share/terrabook
/// (the home folder from HOME, else from the password database). Empty when
/// no home folder can be found.
std::string TerrabookUserDir();

/// Finds the template and the table for a program that lives in programDir.
/// - "Terra.db" beside the program (the build folder): both files there.
/// - Otherwise, when the data folder (TerrabookDataDir) exists, the program
///   is installed: the table is read from the data folder; the template is
///   the one beside the program when that folder holds one and may be
///   written; else the one in userDir (named LTTerrabookOwnTemplate when
///   userDir is the data folder). On the first start userDir has none:
///   the folder is made and the sample template of the data folder copied
///   into it (through a temporary file, so a failed copy leaves nothing
///   that looks like a template).
/// - Otherwise both files are looked for beside the program, so that the
///   problems the window reports name that folder.
/// Never throws. note (when given) receives one sentence for the user when
/// something happened that is worth saying once (the first copy, or why it
/// failed; the editor then starts empty and can still save to the path
/// returned), and is cleared otherwise.
TTerrabookFiles LocateTerrabookFiles(const std::string& programDir, const std::string& userDir,
                                     std::string* note = nullptr);
/// The same with the user's folder of TerrabookUserDir.
TTerrabookFiles LocateTerrabookFiles(const std::string& programDir, std::string* note = nullptr);

}  // namespace lectern
