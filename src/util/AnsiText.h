// Texts in the system's ANSI code page: their UTF-16 form for the wide interfaces, and the
// two ways the program compares texts without regard to case.
#pragma once
#include <string>
#include <string_view>

// The text in the system's ANSI code page (CP_ACP) as UTF-16, and back. Text the code page
// cannot convert gives empty text.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

// Names the program itself spells (component names, command-line switches, program names):
// only A-Z fold to a-z, whatever the user's language, in which "I" may not be the capital
// of "i".
bool SameTextAscii(std::string_view a, std::string_view b);

// Names that come from the system or from people (file, language and profile key names):
// folded as the system's locale folds them (CompareString, LOCALE_SYSTEM_DEFAULT, ignoring
// case), the rule the system applies to such names itself.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b);
