#pragma once

#include <string>

namespace tarvok {

// A message box for the user: what the GUI shows modally and the command-line tool prints.
struct UserMessage {
    std::string caption;
    std::string text;
};

}  // namespace tarvok
