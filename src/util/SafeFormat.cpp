#include "util/SafeFormat.h"

namespace {

template <class Args>
std::string Substitute(std::string_view format, const Args& args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      if (next != args.end()) {
        out.append(next->data(), next->size());
        ++next;
      }
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      out.push_back('%');  // language files write a percent sign as "%%"
      ++i;
    } else {
      out.push_back(format[i]);
    }
  }
  return out;
}

}  // namespace

std::string SafeFormat(std::string_view format, const std::vector<std::string>& args) {
  return Substitute(format, args);
}

std::string SafeFormat(std::string_view format, std::initializer_list<std::string_view> args) {
  return Substitute(format, args);
}
