#pragma once
// Writing main.html, the player page, and where it goes. Paths are UTF-8 (on Windows they reach
// the system through its wide-character calls).
#include <string>

#include "platform/core/Exception.h"

// main.html could not be written; the earlier file, if any, is left as it was.
ZANTREL_EXCEPTION(EMainHtmlWriteError, Exception);

// The file name of the player page.
inline constexpr const char* kMainHtmlName = "main.html";

// Replaces `directory`/main.html by exactly `bytes`. The bytes go to a new file in the same
// directory first, which then takes the place of the old one, so that a failed write never
// leaves half a page behind. Throws EMainHtmlWriteError on any failure.
void writeMainHtml(const std::string& directory, const std::string& bytes);

// The directory that main.html goes to. It is `programDirectory` when a file can be made
// there, as in a copy unpacked into a folder of its own. Otherwise, as for an installed copy
// whose folder only the administrator may write, it is the folder "zantrel" in the user's
// runtime folder ($XDG_RUNTIME_DIR) or, without one, in the user's cache folder
// (${XDG_CACHE_HOME:-$HOME/.cache}); with `makeFolder` that folder (and its parents) is made
// when missing, private to the user. The same environment gives the same answer, so the
// writer and the close handler agree on the file.
// An existing folder is taken only when it is a directory (not a link) of the user's that
// no one else may enter; otherwise the next one is tried. When none is left, `makeFolder`
// throws EMainHtmlWriteError, and without it the answer is `programDirectory`, where
// nothing can be made and so nothing is removed.
std::string mainHtmlDirectory(const std::string& programDirectory, bool makeFolder);
