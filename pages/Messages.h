#pragma once
// Messages of the page commands (UTF-8, for the message box).
#include <string_view>

// Shown for every failure of a command that goes to the network, whatever its cause.
inline constexpr std::string_view kConnectionFailureMessage = "Произошла ошибка подключения!";
