#pragma once
// What of a fetched page's markup may go into main.html. The embed code of a serial or a
// VKontakte video and the site notice are markup from other people's servers; main.html is
// opened by the user's browser as a local file, so nothing in it may run script.
#include <string>
#include <string_view>

// Keeps the elements and attributes of an allow-list and drops everything else: script,
// style and the other elements whose content is not markup go with their content, event
// handler attributes go, and so does every address that is not an absolute http or https
// address (or, for a plain link, mailto), whatever character references spell it: main.html
// is a local file, so a relative address would name a local file. Its cost is linear in the
// size of the markup, whatever its shape.
//
// The markup is read as a browser's HTML parser reads it. What comes out is either a tag
// as it stood in the input, when it was well-formed and lost nothing, or a tag written anew
// from what was kept; text comes out as it was, a "<" in it written as "&lt;". So a real
// embed code (object, param and embed elements, an iframe with its address and size) comes
// out byte for byte, and whatever the input was, the browser reads the output as exactly
// the kept elements and text.
std::string safeMarkup(std::string_view markup);

// Appends raw as the value of a double-quoted attribute: '"', '<' and '>' are written as
// character references, so the value can neither close the attribute nor open a tag.
void appendAttributeValue(std::string& out, std::string_view raw);
