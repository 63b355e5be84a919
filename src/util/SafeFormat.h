// "%s" substitution for texts that come from files users edit (language files). Such a
// text is never handed to a printf-style function.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Replaces each "%s" of `format`, in order, with the next argument, and each "%%" with
// one "%". Placeholders beyond the arguments become empty text; unused arguments are
// dropped; every other "%" sequence ("%d", "%n", a lone "%") is copied as written.
std::string SafeFormat(std::string_view format, const std::vector<std::string>& args);
std::string SafeFormat(std::string_view format, std::initializer_list<std::string_view> args);
