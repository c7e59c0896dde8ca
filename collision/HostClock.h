// The host's account name and clock texts, as the simplifier's log stamps them.
#pragma once

#include <string>

namespace Tam::OptExtension {

// Name of the account running the tool; "" when it cannot be had.
std::string zkUserName();

// Local date as "MM/DD/YY".
std::string zkDateString();

// Local time as "HH:MM:SS".
std::string zkTimeString();

}  // namespace Tam::OptExtension
