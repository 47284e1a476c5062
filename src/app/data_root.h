#pragma once
// Where the show finds its data when started from anywhere.
//
// The working directory comes first, as the show has always run: started in a
// folder that holds data/, it plays from there and nothing else is looked at.
// Only where the working directory has no show does the program look beside
// its own file (its folder, then that folder's parent: the portable archive
// keeps bin/ beside data/) and last in the installed data folder
// (/usr/share/games/tessaline for a package). The first that holds the heart
// object becomes the working directory, so every data path, the ones the
// object's clips name included, stays relative as the show expects.
#include <string>
#include <vector>

// The folders looked at after the working directory, in order; empty names
// are left out.
std::vector<std::string> dataRootCandidates(const std::string& executableDir, const std::string& installedRoot);

// Changes to the first candidate that holds the show's data when the working
// directory does not. False, with a line on standard error naming the places
// looked at, when none does; the working directory is then left as it was
// and the loader reports the missing file as ever.
bool enterDataRoot(const std::string& executableDir, const std::string& installedRoot);
