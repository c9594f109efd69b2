#pragma once
// Writing main.html, the player page, into the program's directory.
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
