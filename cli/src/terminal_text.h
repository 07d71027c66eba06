// Names on a terminal line: control characters escaped, so that a name cannot move the cursor or
// scroll the line, and the width measured and shortened in the terminal's columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ravlin::cli {

// `text` with every character that a terminal would act on written as an escape, as `ls -b`
// does: "\n", "\t" and the like, "\\" for a backslash, and "\ooo" (octal) for each byte of other
// control characters and of anything that is not valid UTF-8. The rest stays as it is.
std::string escapedForTerminal(std::string_view text);

// How many columns escaped text takes: East Asian wide characters take two, combining marks none.
std::size_t terminalColumns(std::string_view text);

// The end of escaped text that fits into `columns`, "..." in front when it was cut (when there is
// room for more than the dots). Characters are never split.
std::string endWithinColumns(std::string_view text, std::size_t columns);

}  // namespace ravlin::cli
